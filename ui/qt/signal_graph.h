#pragma once
// The signal of a few networks over the last cycles: one coloured line each, broken where a
// network was not heard, with a legend of their names.

#include <QRect>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "ui/qt/graph_widget.h"

namespace quorvan {

// One network's line: its signal per cycle, oldest first, the newest being the last cycle;
// nullopt for a cycle in which it was not heard.
struct SignalSeries {
  QString label;  // the SSID as the list shows it
  std::vector<std::optional<int>> dbm;
};

// When the last cycles ran (ms since 1970, UTC), oldest first, the last being the newest cycle,
// the one every series ends in; nothing for a cycle whose time is not known.
using SignalTimes = std::vector<std::optional<int64_t>>;

class SignalGraph final : public GraphWidget {
 public:
  // Cycles the time axis spans, and seconds per cycle: 90 of 20 s, half an hour.
  static constexpr int kCycles = 90;
  static constexpr int kCycleSeconds = 20;

  explicit SignalGraph(QWidget* parent = nullptr);

  // Series i is drawn in GraphColor(i); only the newest kCycles points of each are drawn.
  // `times` labels the time axis (see TickLabels).
  void SetSeries(std::vector<SignalSeries> series, SignalTimes times = {});
  const std::vector<SignalSeries>& Series() const { return series_; }

  // The time axis's labels, one every five minutes' worth of cycles from the newest cycle (at
  // the right edge) back to kCycles ago. Where `times` says when cycles ran (the times a
  // replayed recording kept, else the clock's), each is the local time of day of the cycle at
  // its tick ("19:45"), with seconds where two would read alike (a fast replay without
  // recorded times); a tick beyond the known cycles goes on at their pace. Without times, the
  // minutes ago ("30" ... "0"), as 20 s cycles make them.
  static std::vector<QString> TickLabels(const SignalTimes& times);

  void Paint(QPainter& painter, QSize size) const override;

  // Where the plot lies in a graph of `size`, and where the point of a cycle lands in it:
  // `cyclesAgo` 0 is the newest, at the right edge.
  static QRect PlotArea(QSize size);
  static QPointF PointAt(QSize size, int cyclesAgo, int dbm);

 private:
  std::vector<SignalSeries> series_;
  SignalTimes times_;
};

}  // namespace quorvan

#pragma once
// The signal of a few networks over the last cycles: one coloured line each, broken where a
// network was not heard, with a legend of their names.

#include <QRect>
#include <QString>
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

class SignalGraph final : public GraphWidget {
 public:
  // Cycles the time axis spans, and seconds per cycle: 90 of 20 s, half an hour.
  static constexpr int kCycles = 90;
  static constexpr int kCycleSeconds = 20;

  explicit SignalGraph(QWidget* parent = nullptr);

  // Series i is drawn in GraphColor(i); only the newest kCycles points of each are drawn.
  void SetSeries(std::vector<SignalSeries> series);
  const std::vector<SignalSeries>& Series() const { return series_; }

  void Paint(QPainter& painter, QSize size) const override;

  // Where the plot lies in a graph of `size`, and where the point of a cycle lands in it:
  // `cyclesAgo` 0 is the newest, at the right edge.
  static QRect PlotArea(QSize size);
  static QPointF PointAt(QSize size, int cyclesAgo, int dbm);

 private:
  std::vector<SignalSeries> series_;
};

}  // namespace quorvan

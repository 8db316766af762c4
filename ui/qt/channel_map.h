#pragma once
// Who shares the air: one graph per band, channel numbers across, signal up, each network a
// rounded shape as wide as its channel and as tall as its signal.

#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "ui/qt/graph_widget.h"

namespace quorvan {

struct ChannelShape {
  QString label;           // the SSID as the list shows it; "" draws no label
  uint32_t centerKhz = 0;  // of the whole channel
  int widthMhz = 20;
  int dbm = kGraphFloorDbm;  // the signal of the last cycle
  bool selected = false;     // drawn thicker and filled, and on top
  int color = 0;             // GraphColor index
};

class ChannelMap final : public GraphWidget {
 public:
  enum class Band { k2400, k5000, k6000 };

  explicit ChannelMap(QWidget* parent = nullptr);

  void SetShapes(std::vector<ChannelShape> shapes);
  const std::vector<ChannelShape>& Shapes() const { return shapes_; }

  void Paint(QPainter& painter, QSize size) const override;

  // Where channel `channel`'s centre of `band` lies across a graph of `size`; nullopt for a
  // channel the band's graph does not show.
  std::optional<double> XOfChannel(QSize size, Band band, int channel) const;
  // The outline of a shape in a graph of `size`; empty for a centre outside the three bands.
  QPainterPath ShapePath(QSize size, const ChannelShape& shape) const;
  // The shape under `point` of the widget, the one drawn on top; nullopt where there is none.
  std::optional<std::size_t> ShapeAt(QPointF point) const;
  // What the tooltip over a shape says.
  static QString Describe(const ChannelShape& shape);

 protected:
  bool event(QEvent* event) override;

 private:
  // Indexes of the shapes in drawing order: tallest first, so that a weaker network in front
  // of a stronger one stays visible, and the selected ones last.
  std::vector<std::size_t> DrawingOrder() const;
  int LineHeight() const;

  std::vector<ChannelShape> shapes_;
};

}  // namespace quorvan

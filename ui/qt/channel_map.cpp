#include "ui/qt/channel_map.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <array>
#include <cmath>

namespace quorvan {
namespace {

// A band's graph: the frequencies it spans, how its channels are numbered (centre = base + 5 *
// channel, MHz, as IEEE 802.11-2020 Annex E numbers them), which it labels, and its share of
// the width.
struct BandAxis {
  ChannelMap::Band band;
  const char* title;
  int lowMhz, highMhz;
  int baseMhz;
  int firstChannel, lastChannel, channelStep;
  double weight;
};

constexpr std::array<BandAxis, 3> kBands = {{
    {ChannelMap::Band::k2400, "2.4 GHz", 2397, 2497, 2407, 1, 14, 1, 1.0},
    {ChannelMap::Band::k5000, "5 GHz", 5150, 5895, 5000, 36, 177, 4, 1.6},
    {ChannelMap::Band::k6000, "6 GHz", 5935, 7125, 5950, 1, 233, 4, 1.6},
}};

constexpr int kPanelGap = 10;
constexpr int kLeftMargin = 34;
constexpr int kRightMargin = 4;
constexpr int kFilledPerBand = 40;

// Channel 14 is the one 2.4 GHz channel off the 5 MHz grid.
int ChannelCenterMhz(const BandAxis& axis, int channel) {
  if (axis.band == ChannelMap::Band::k2400 && channel == 14) return 2484;
  return axis.baseMhz + 5 * channel;
}

std::optional<std::size_t> BandIndexOf(uint32_t centerKhz) {
  const double mhz = centerKhz / 1000.0;
  if (mhz >= 2400 && mhz <= 2495) return 0;
  if (mhz >= 5150 && mhz <= 5895) return 1;
  if (mhz > 5925 && mhz <= 7125) return 2;
  return std::nullopt;
}

struct PanelGeometry {
  QRectF plot;
  QRectF title;
};

PanelGeometry Panel(QSize size, std::size_t band, int lineHeight) {
  double total = 0;
  for (const BandAxis& axis : kBands) total += axis.weight;
  const double usable = size.width() - kPanelGap * double(kBands.size() - 1);
  double left = 0;
  for (std::size_t b = 0; b < band; ++b) left += usable * kBands[b].weight / total + kPanelGap;
  const double width = usable * kBands[band].weight / total;
  PanelGeometry g;
  g.title = QRectF(left, 0, width, lineHeight + 4);
  const double top = lineHeight + 6;
  const double bottom = size.height() - lineHeight - 6;
  g.plot = QRectF(left + kLeftMargin, top, std::max(1.0, width - kLeftMargin - kRightMargin),
                  std::max(1.0, bottom - top));
  return g;
}

double XOfMhz(const QRectF& plot, const BandAxis& axis, double mhz) {
  return plot.left() + (mhz - axis.lowMhz) * plot.width() / (axis.highMhz - axis.lowMhz);
}

double YOfDbm(const QRectF& plot, int dbm) {
  const int clamped = std::clamp(dbm, kGraphFloorDbm, kGraphCeilingDbm);
  return plot.top() +
         double(kGraphCeilingDbm - clamped) * plot.height() / (kGraphCeilingDbm - kGraphFloorDbm);
}

}  // namespace

ChannelMap::ChannelMap(QWidget* parent) : GraphWidget(parent) {
  setObjectName("channelMap");
  setMinimumSize(480, 160);
}

void ChannelMap::SetShapes(std::vector<ChannelShape> shapes) {
  shapes_ = std::move(shapes);
  update();
}

int ChannelMap::LineHeight() const { return QFontMetrics(font()).height(); }

std::optional<double> ChannelMap::XOfChannel(QSize size, Band band, int channel) const {
  for (std::size_t b = 0; b < kBands.size(); ++b) {
    const BandAxis& axis = kBands[b];
    if (axis.band != band) continue;
    if (channel < axis.firstChannel || channel > axis.lastChannel) return std::nullopt;
    const QRectF plot = Panel(size, b, LineHeight()).plot;
    return XOfMhz(plot, axis, ChannelCenterMhz(axis, channel));
  }
  return std::nullopt;
}

QPainterPath ChannelMap::ShapePath(QSize size, const ChannelShape& shape) const {
  QPainterPath path;
  const auto band = BandIndexOf(shape.centerKhz);
  if (!band) return path;
  const BandAxis& axis = kBands[*band];
  const QRectF plot = Panel(size, *band, LineHeight()).plot;
  const double center = shape.centerKhz / 1000.0;
  const double half = std::max(shape.widthMhz, 5) / 2.0;
  const double x0 = XOfMhz(plot, axis, center - half);
  const double x1 = XOfMhz(plot, axis, center + half);
  const double base = plot.bottom();
  const double top = YOfDbm(plot, shape.dbm);
  // Shoulders a sixth of the width, at most 14 px, so wide channels keep a flat top.
  const double edge = std::min((x1 - x0) / 6.0, 14.0);
  path.moveTo(x0, base);
  path.cubicTo(x0 + edge * 0.6, base, x0 + edge * 0.3, top, x0 + edge, top);
  path.lineTo(x1 - edge, top);
  path.cubicTo(x1 - edge * 0.3, top, x1 - edge * 0.6, base, x1, base);
  path.closeSubpath();
  return path;
}

std::vector<std::size_t> ChannelMap::DrawingOrder() const {
  std::vector<std::size_t> order(shapes_.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
    const ChannelShape& l = shapes_[a];
    const ChannelShape& r = shapes_[b];
    if (l.selected != r.selected) return r.selected;
    return l.dbm > r.dbm;
  });
  return order;
}

void ChannelMap::Paint(QPainter& painter, QSize size) const {
  painter.fillRect(QRect(QPoint(0, 0), size), palette().base());
  painter.setFont(font());
  const QFontMetrics metrics(font());
  const int lineHeight = LineHeight();
  const QColor gridColor(0xdd, 0xdd, 0xdd);
  const QColor textColor = palette().color(QPalette::Text);

  std::array<QRectF, kBands.size()> plots;
  for (std::size_t b = 0; b < kBands.size(); ++b) {
    const BandAxis& axis = kBands[b];
    const PanelGeometry g = Panel(size, b, lineHeight);
    plots[b] = g.plot;
    painter.setPen(textColor);
    painter.drawText(g.title, Qt::AlignCenter, axis.title);
    for (int dbm = kGraphFloorDbm; dbm <= kGraphCeilingDbm; dbm += 20) {
      const double y = YOfDbm(g.plot, dbm);
      painter.setPen(gridColor);
      painter.drawLine(QPointF(g.plot.left(), y), QPointF(g.plot.right(), y));
      painter.setPen(textColor);
      painter.drawText(
          QRectF(g.plot.left() - kLeftMargin, y - lineHeight / 2.0, kLeftMargin - 3, lineHeight),
          Qt::AlignRight | Qt::AlignVCenter, QString::number(dbm));
    }
    // Channel numbers, as many as fit without touching: every step-th channel, the step
    // doubled until they do.
    const double perChannel = XOfMhz(g.plot, axis, 5 * axis.channelStep) - XOfMhz(g.plot, axis, 0);
    int step = axis.channelStep;
    const int widest = metrics.horizontalAdvance(QString::number(axis.lastChannel)) + 6;
    while (perChannel * step / axis.channelStep < widest && step < 64) step *= 2;
    for (int channel = axis.firstChannel; channel <= axis.lastChannel; channel += step) {
      const double x = XOfMhz(g.plot, axis, ChannelCenterMhz(axis, channel));
      painter.setPen(gridColor);
      painter.drawLine(QPointF(x, g.plot.top()), QPointF(x, g.plot.bottom()));
      painter.setPen(textColor);
      painter.drawText(QRectF(x - 20, g.plot.bottom() + 2, 40, lineHeight), Qt::AlignCenter,
                       QString::number(channel));
    }
    painter.drawRect(g.plot);
  }

  // Fills without antialiasing and outlines with it: the outline hides the fill's stairs, and
  // a thousand antialiased fills would cost several frames. Only the strongest of a crowded band
  // are filled: beyond a few dozen the fills add up to a wash that hides the outlines.
  std::array<int, kBands.size()> filled = {};
  const std::vector<std::size_t> order = DrawingOrder();
  QPen outline(Qt::black, 1.0);
  outline.setCosmetic(true);  // the raster engine's fast path for thin lines
  for (const std::size_t i : order) {
    const ChannelShape& shape = shapes_[i];
    const auto band = BandIndexOf(shape.centerKhz);
    if (!band) continue;
    painter.setClipRect(plots[*band]);
    const QColor line = GraphColor(shape.color);
    QColor fill = line;
    fill.setAlpha(shape.selected ? 140 : 28);
    const QPainterPath path = ShapePath(size, shape);
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (shape.selected || filled[*band] < kFilledPerBand) {
      ++filled[*band];
      painter.fillPath(path, fill);
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (shape.selected) {
      painter.strokePath(path, QPen(line, 3.0));
    } else {
      outline.setColor(line);
      painter.strokePath(path, outline);
    }
  }
  painter.setBrush(Qt::NoBrush);

  // Names above the shapes, the selected and the strongest first, none over another.
  std::vector<std::size_t> byLabel(order.rbegin(), order.rend());
  std::stable_sort(byLabel.begin(), byLabel.end(), [this](std::size_t a, std::size_t b) {
    const ChannelShape& l = shapes_[a];
    const ChannelShape& r = shapes_[b];
    if (l.selected != r.selected) return l.selected;
    return l.dbm > r.dbm;
  });
  std::vector<QRectF> placed;
  painter.setRenderHint(QPainter::Antialiasing, false);
  for (const std::size_t i : byLabel) {
    const ChannelShape& shape = shapes_[i];
    const auto band = BandIndexOf(shape.centerKhz);
    if (!band || shape.label.isEmpty()) continue;
    const QRectF& plot = plots[*band];
    // Most names of a crowded band find their place taken: that is told from where the name's
    // middle would go, before the costly measuring of its text.
    const double middle = XOfMhz(plot, kBands[*band], shape.centerKhz / 1000.0);
    const double nameTop = YOfDbm(plot, shape.dbm) - lineHeight - 1;
    const QRectF core(middle - 8, nameTop < plot.top() ? nameTop + lineHeight + 2 : nameTop, 16,
                      lineHeight);
    if (std::any_of(placed.begin(), placed.end(),
                    [&](const QRectF& other) { return other.intersects(core); })) {
      continue;
    }
    const QString text = metrics.elidedText(shape.label, Qt::ElideRight, 120);
    const double width = metrics.horizontalAdvance(text) + 4;
    const double x = XOfMhz(plot, kBands[*band], shape.centerKhz / 1000.0);
    const double top = YOfDbm(plot, shape.dbm);
    QRectF box(x - width / 2, top - lineHeight - 1, width, lineHeight);
    box.moveLeft(std::clamp(box.left(), plot.left(), std::max(plot.left(), plot.right() - width)));
    if (box.top() < plot.top()) box.moveTop(top + 1);
    const bool overlaps = std::any_of(placed.begin(), placed.end(),
                                      [&](const QRectF& other) { return other.intersects(box); });
    if (overlaps) continue;
    placed.push_back(box);
    painter.setClipRect(plot);
    QFont face = font();
    face.setBold(shape.selected);
    painter.setFont(face);
    painter.setPen(GraphColor(shape.color).darker(shape.selected ? 160 : 130));
    painter.drawText(box, Qt::AlignCenter, text);
  }
  painter.setClipping(false);
}

std::optional<std::size_t> ChannelMap::ShapeAt(QPointF point) const {
  const std::vector<std::size_t> order = DrawingOrder();
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    if (ShapePath(size(), shapes_[*it]).contains(point)) return *it;
  }
  return std::nullopt;
}

QString ChannelMap::Describe(const ChannelShape& shape) {
  return QStringLiteral("%1\n%2 dBm, %3 MHz wide at %4 MHz")
      .arg(shape.label.isEmpty() ? QStringLiteral("(hidden network)") : shape.label)
      .arg(shape.dbm)
      .arg(shape.widthMhz)
      .arg(shape.centerKhz / 1000.0, 0, 'f', 0);
}

bool ChannelMap::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    if (const auto shape = ShapeAt(help->pos())) {
      QToolTip::showText(help->globalPos(), Describe(shapes_[*shape]), this);
    } else {
      QToolTip::hideText();
      event->ignore();
    }
    return true;
  }
  return GraphWidget::event(event);
}

}  // namespace quorvan

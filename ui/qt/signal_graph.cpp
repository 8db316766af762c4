#include "ui/qt/signal_graph.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace quorvan {
namespace {

constexpr int kLeftMargin = 44;  // room for "-100"
constexpr int kTopMargin = 10;
constexpr int kBottomMargin = 34;  // minute labels and the axis title
constexpr int kLegendWidth = 170;
constexpr int kMinutesPerTick = 5;

double YOf(const QRect& plot, int dbm) {
  const int clamped = std::clamp(dbm, kGraphFloorDbm, kGraphCeilingDbm);
  const double share = double(kGraphCeilingDbm - clamped) / (kGraphCeilingDbm - kGraphFloorDbm);
  return plot.top() + share * plot.height();
}

}  // namespace

SignalGraph::SignalGraph(QWidget* parent) : GraphWidget(parent) {
  setObjectName("signalGraph");
  setMinimumSize(320, 160);
}

void SignalGraph::SetSeries(std::vector<SignalSeries> series, SignalTimes times) {
  series_ = std::move(series);
  times_ = std::move(times);
  update();
}

std::vector<QString> SignalGraph::TickLabels(const SignalTimes& times) {
  const int cyclesPerTick = kMinutesPerTick * 60 / kCycleSeconds;
  // The cycles whose time is known, as (cycles ago, time), newest first.
  std::vector<std::pair<int, int64_t>> known;
  for (std::size_t i = times.size(); i-- > 0;) {
    if (times[i]) known.emplace_back(static_cast<int>(times.size() - 1 - i), *times[i]);
  }
  std::vector<QString> labels;
  if (known.empty()) {
    for (int ago = 0; ago <= kCycles; ago += cyclesPerTick) {
      labels.push_back(QString::number(ago * kCycleSeconds / 60));
    }
    return labels;
  }
  // The known cycles' pace, for ticks before the first of them or between silences.
  const auto& [newestAgo, newestMs] = known.front();
  const auto& [oldestAgo, oldestMs] = known.back();
  const double msPerCycle = oldestAgo > newestAgo
                                ? double(newestMs - oldestMs) / (oldestAgo - newestAgo)
                                : kCycleSeconds * 1000.0;
  std::vector<int64_t> tickMs;
  for (int ago = 0; ago <= kCycles; ago += cyclesPerTick) {
    const auto nearest =
        std::min_element(known.begin(), known.end(), [ago](const auto& a, const auto& b) {
          return std::abs(a.first - ago) < std::abs(b.first - ago);
        });
    tickMs.push_back(nearest->second -
                     static_cast<int64_t>(std::llround((ago - nearest->first) * msPerCycle)));
  }
  const auto format = [&](const QString& pattern) {
    labels.clear();
    for (const int64_t ms : tickMs) {
      labels.push_back(QDateTime::fromMSecsSinceEpoch(ms).toString(pattern));
    }
    return std::adjacent_find(labels.begin(), labels.end()) == labels.end();
  };
  if (!format(QStringLiteral("HH:mm"))) format(QStringLiteral("HH:mm:ss"));
  return labels;
}

QRect SignalGraph::PlotArea(QSize size) {
  const int legend = size.width() >= 2 * kLegendWidth + kLeftMargin ? kLegendWidth : 0;
  return QRect(kLeftMargin, kTopMargin, std::max(1, size.width() - kLeftMargin - legend - 8),
               std::max(1, size.height() - kTopMargin - kBottomMargin));
}

QPointF SignalGraph::PointAt(QSize size, int cyclesAgo, int dbm) {
  const QRect plot = PlotArea(size);
  // The axis spans kCycles intervals, so that its left edge reads a whole half hour.
  const double x = plot.right() - double(cyclesAgo) * plot.width() / kCycles;
  return QPointF(x, YOf(plot, dbm));
}

void SignalGraph::Paint(QPainter& painter, QSize size) const {
  painter.fillRect(QRect(QPoint(0, 0), size), palette().base());
  const QRect plot = PlotArea(size);
  const QFontMetrics metrics(font());
  painter.setFont(font());

  // The grid: every 10 dBm, every five minutes.
  const QColor gridColor(0xdd, 0xdd, 0xdd);
  const QColor textColor = palette().color(QPalette::Text);
  for (int dbm = kGraphFloorDbm; dbm <= kGraphCeilingDbm; dbm += 10) {
    const double y = YOf(plot, dbm);
    painter.setPen(gridColor);
    painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    painter.setPen(textColor);
    painter.drawText(QRectF(0, y - metrics.height() / 2.0, kLeftMargin - 4, metrics.height()),
                     Qt::AlignRight | Qt::AlignVCenter, QString::number(dbm));
  }
  const int cyclesPerTick = kMinutesPerTick * 60 / kCycleSeconds;
  const std::vector<QString> labels = TickLabels(times_);
  for (int ago = 0; ago <= kCycles; ago += cyclesPerTick) {
    const double x = PointAt(size, ago, 0).x();
    painter.setPen(gridColor);
    painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    painter.setPen(textColor);
    // The end labels stay inside the plot's width, clear of the dBm labels.
    const QString& label = labels[static_cast<std::size_t>(ago / cyclesPerTick)];
    const double width = metrics.horizontalAdvance(label);
    const double left = ago == 0 ? x - width : ago >= kCycles ? x : x - width / 2;
    painter.drawText(QRectF(left, plot.bottom() + 2, width + 1, metrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, label);
  }
  const bool timed =
      std::any_of(times_.begin(), times_.end(), [](const auto& t) { return t.has_value(); });
  painter.drawText(
      QRectF(plot.left(), plot.bottom() + 2 + metrics.height(), plot.width(), metrics.height()),
      Qt::AlignCenter, timed ? "local time" : "minutes ago");
  painter.save();
  painter.translate(10, plot.center().y());
  painter.rotate(-90);
  painter.drawText(QRectF(-40, -metrics.height() / 2.0 - 2, 80, metrics.height()), Qt::AlignCenter,
                   "dBm");
  painter.restore();
  painter.setPen(textColor);
  painter.drawRect(plot);

  // The lines, each run of heard cycles a polyline of its own so that a silence leaves a gap;
  // a lone point is drawn as a dot, or it would not show at all.
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setClipRect(plot.adjusted(-2, -2, 3, 3));
  std::vector<QPointF> run;
  run.reserve(kCycles);
  for (std::size_t s = 0; s < series_.size(); ++s) {
    const QColor color = GraphColor(static_cast<int>(s));
    // Many lines are drawn thin, which the raster engine draws several times faster, and
    // which leaves a crowd of lines easier to tell apart.
    QPen pen(color, series_.size() > kGraphPaletteSize ? 1.0 : 2.0);
    pen.setCosmetic(series_.size() > kGraphPaletteSize);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    const auto& points = series_[s].dbm;
    const std::size_t count = std::min<std::size_t>(points.size(), kCycles);
    const std::size_t first = points.size() - count;
    const auto flush = [&] {
      if (run.size() == 1) {
        painter.setBrush(color);
        painter.drawEllipse(run.front(), 2.0, 2.0);
        painter.setBrush(Qt::NoBrush);
      } else if (run.size() > 1) {
        painter.drawPolyline(run.data(), static_cast<int>(run.size()));
      }
      run.clear();
    };
    for (std::size_t i = first; i < points.size(); ++i) {
      if (!points[i]) {
        flush();
        continue;
      }
      const int ago = static_cast<int>(points.size() - 1 - i);
      run.push_back(PointAt(size, ago, *points[i]));
    }
    flush();
  }
  painter.setClipping(false);
  painter.setRenderHint(QPainter::Antialiasing, false);

  // The legend, beside the plot; what does not fit is counted.
  if (plot.right() + kLegendWidth > size.width()) return;
  const int lineHeight = metrics.height() + 2;
  const int x = plot.right() + 12;
  const int fits = std::max(0, (plot.height() - lineHeight) / lineHeight);
  const int shown =
      static_cast<int>(series_.size()) <= fits + 1 ? static_cast<int>(series_.size()) : fits;
  for (int s = 0; s < shown; ++s) {
    const int y = plot.top() + s * lineHeight;
    painter.fillRect(QRect(x, y + lineHeight / 2 - 2, 16, 4), GraphColor(s));
    painter.setPen(textColor);
    painter.drawText(QRect(x + 22, y, kLegendWidth - 34, lineHeight),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(series_[static_cast<std::size_t>(s)].label, Qt::ElideRight,
                                        kLegendWidth - 34));
  }
  if (shown < static_cast<int>(series_.size())) {
    painter.drawText(QRect(x + 22, plot.top() + shown * lineHeight, kLegendWidth - 34, lineHeight),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("%1 more").arg(series_.size() - std::size_t(shown)));
  }
}

}  // namespace quorvan

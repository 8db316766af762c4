// Drawing the pane's graphs into an image the size of a wide pane, as a paint event does once
// per cycle or selection change: the signal graph of 100 lines of 90 points, the channel map of
// 1,000 networks over the three bands.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <optional>
#include <vector>

#include "ui/qt/channel_map.h"
#include "ui/qt/signal_graph.h"

namespace quorvan {
namespace {

const QSize kPaneSize(1200, 320);

// Paints `graph` at the pane's size once per iteration, as a repaint of the pane does.
void PaintRepeatedly(benchmark::State& state, GraphWidget& graph) {
  graph.resize(kPaneSize);
  QImage image(kPaneSize, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    QPainter painter(&image);
    graph.Paint(painter, kPaneSize);
  }
}

void BM_SignalGraph(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  std::vector<SignalSeries> series;
  for (int s = 0; s < lines; ++s) {
    SignalSeries one{QStringLiteral("net-%1").arg(s), {}};
    for (int i = 0; i < SignalGraph::kCycles; ++i) {
      // A slow wander, with a silence now and then so that lines break.
      if ((i + s) % 23 == 0) {
        one.dbm.push_back(std::nullopt);
      } else {
        one.dbm.push_back(-45 - (s * 7 + i * 3) % 50);
      }
    }
    series.push_back(std::move(one));
  }
  SignalGraph graph;
  graph.SetSeries(std::move(series));
  PaintRepeatedly(state, graph);
}

void BM_ChannelMap(benchmark::State& state) {
  const int networks = static_cast<int>(state.range(0));
  std::vector<ChannelShape> shapes;
  static constexpr int kWidths[] = {20, 40, 80, 160};
  for (int n = 0; n < networks; ++n) {
    ChannelShape shape;
    shape.label = QStringLiteral("net-%1").arg(n);
    shape.dbm = -30 - (n * 13) % 65;
    shape.color = n;
    switch (n % 3) {
      case 0:
        shape.centerKhz = 2412000 + 5000 * static_cast<uint32_t>(n % 13);
        break;
      case 1:
        shape.widthMhz = kWidths[n % 3];
        shape.centerKhz = 5180000 + 20000 * static_cast<uint32_t>(n % 8);
        break;
      default:
        shape.widthMhz = kWidths[n % 4];
        shape.centerKhz = 5955000 + 20000 * static_cast<uint32_t>(n % 59);
    }
    shape.selected = n == 7;
    shapes.push_back(std::move(shape));
  }
  ChannelMap map;
  map.SetShapes(std::move(shapes));
  PaintRepeatedly(state, map);
}

BENCHMARK(BM_SignalGraph)->Arg(5)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChannelMap)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvan

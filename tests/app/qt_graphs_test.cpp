// The pane under the list, widget by widget, on the offscreen platform: what the graphs draw
// where, what hovering says, saving them, and the Details tab's rows.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QHelpEvent>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <optional>
#include <string>
#include <vector>

#include "details/details_store.h"
#include "tests/ieee80211/sample_beacons.h"
#include "tests/support/observations.h"
#include "ui/qt/channel_map.h"
#include "ui/qt/details_pane.h"
#include "ui/qt/pane_from_store.h"
#include "ui/qt/signal_graph.h"

namespace quorvan {
namespace {

using Points = std::vector<std::optional<int>>;

// Whether a pixel within `radius` of `at` is near `color` (antialiased lines blend at their
// edges, so the core of the line is looked for, not one exact pixel).
bool InkNear(const QImage& image, QPointF at, const QColor& color, int radius = 1) {
  for (int dy = -radius; dy <= radius; ++dy) {
    for (int dx = -radius; dx <= radius; ++dx) {
      const QPoint p(qRound(at.x()) + dx, qRound(at.y()) + dy);
      if (!image.rect().contains(p)) continue;
      const QColor c = image.pixelColor(p);
      if (std::abs(c.red() - color.red()) + std::abs(c.green() - color.green()) +
              std::abs(c.blue() - color.blue()) <
          60) {
        return true;
      }
    }
  }
  return false;
}

Points Constant(int dbm, int count = SignalGraph::kCycles) { return Points(count, dbm); }

// Series 0 at -40 dBm, unheard from 40 to 49 cycles ago; series 1 at -80 dBm throughout; series
// 2 heard only in the latest cycle, at -60 dBm.
TEST(SignalGraph, DrawsEachLineInItsColourBrokenWhereUnheard) {
  Points gappy = Constant(-40);
  for (int ago = 40; ago <= 49; ++ago) gappy[SignalGraph::kCycles - 1 - ago] = std::nullopt;
  Points once(SignalGraph::kCycles);
  once.back() = -60;
  SignalGraph graph;
  graph.resize(900, 320);
  graph.SetSeries({{"gappy", gappy}, {"steady", Constant(-80)}, {"once", once}});
  const QImage image = graph.Render();

  const struct {
    int ago, dbm;
    std::optional<int> series;  // whose colour is there; nullopt: none of them
  } cases[] = {
      {0, -40, 0},
      {20, -40, 0},
      {39, -40, 0},
      {45, -40, std::nullopt},
      {50, -40, 0},
      {89, -40, 0},
      {45, -80, 1},
      {0, -80, 1},
      {0, -60, 2},
      {5, -60, std::nullopt},
      {20, -30, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.ago) + " cycles ago at " + std::to_string(c.dbm) + " dBm");
    const QPointF at = SignalGraph::PointAt(image.size(), c.ago, c.dbm);
    for (int s = 0; s < 3; ++s) {
      EXPECT_EQ(InkNear(image, at, GraphColor(s)), c.series == s) << "series " << s;
    }
  }
}

// Signals beyond the axis are drawn at its edge, never outside the plot.
TEST(SignalGraph, ClampsToTheAxis) {
  SignalGraph graph;
  graph.resize(900, 320);
  graph.SetSeries({{"loud", Constant(-5)}, {"faint", Constant(-120)}});
  const QImage image = graph.Render();
  EXPECT_TRUE(InkNear(image, SignalGraph::PointAt(image.size(), 30, -20), GraphColor(0)));
  EXPECT_TRUE(InkNear(image, SignalGraph::PointAt(image.size(), 30, -100), GraphColor(1)));
  const QRect plot = SignalGraph::PlotArea(image.size());
  EXPECT_FALSE(InkNear(image, QPointF(plot.center().x(), plot.top() - 6), GraphColor(0), 2));
}

// The time axis, as the store hears the queries: a replayed survey's recorded times (local
// time, an hour east of UTC here), the clock's in a fast replay of a file without times (two
// seconds apart), a run of a few minutes (the ticks before it go on at its pace), and no times
// at all (minutes ago).
TEST(SignalGraph, TimeAxisTellsWhenTheCyclesRan) {
  const QByteArray savedZone = qgetenv("TZ");
  qputenv("TZ", "CET-1");
  constexpr int64_t kSurveyStart = 1'796'671'200'000;  // 2026-12-07T19:20:00Z
  const struct {
    const char* what;
    int queries;
    std::optional<int64_t> firstMs;
    int64_t stepMs;
    std::vector<QString> labels;  // newest first
  } cases[] = {
      {"a 30-minute survey",
       91,
       kSurveyStart,
       20'000,
       {"20:50", "20:45", "20:40", "20:35", "20:30", "20:25", "20:20"}},
      {"the clock in a fast replay",
       95,
       kSurveyStart,
       2'000,
       {"20:23:08", "20:22:38", "20:22:08", "20:21:38", "20:21:08", "20:20:38", "20:20:08"}},
      {"a few minutes",
       10,
       kSurveyStart,
       20'000,
       {"20:23", "20:18", "20:13", "20:08", "20:03", "19:58", "19:53"}},
      {"no times", 91, std::nullopt, 0, {"0", "5", "10", "15", "20", "25", "30"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DetailsStore store;
    std::vector<ListedNetwork> rows = {{"00 1A 2B 3C 00 01", "cafe", true}};
    for (int query = 0; query < c.queries; ++query) {
      const BssObservation heard = testing::Observation(1, "cafe", -50 - query % 7);
      std::optional<int64_t> at;
      if (c.firstMs) at = *c.firstMs + query * c.stepMs;
      store.Record(QueryOutcome::kListed, {&heard, 1}, at);
    }
    const PaneContent content = PaneContentFromStore(store, rows);
    ASSERT_EQ(content.series.size(), 1u);
    ASSERT_EQ(content.signalTimes.size(), std::size_t{kSignalHistoryCycles});
    EXPECT_EQ(
        content.signalTimes.back(),
        c.firstMs ? std::optional<int64_t>(*c.firstMs + (c.queries - 1) * c.stepMs) : std::nullopt);
    EXPECT_EQ(SignalGraph::TickLabels(content.signalTimes), c.labels);
    SignalGraph graph;
    graph.resize(900, 320);
    graph.SetSeries(content.series, content.signalTimes);
    const QImage image = graph.Render();
    EXPECT_TRUE(InkNear(image, SignalGraph::PointAt(image.size(), 0, -50 - (c.queries - 1) % 7),
                        GraphColor(0)));
  }
  if (savedZone.isNull()) {
    qunsetenv("TZ");
  } else {
    qputenv("TZ", savedZone);
  }
}

// The palette tells ten lines apart before it repeats.
TEST(SignalGraph, PaletteColoursDifferUntilTheyRepeat) {
  for (int a = 0; a < kGraphPaletteSize; ++a) {
    for (int b = a + 1; b < kGraphPaletteSize; ++b) EXPECT_NE(GraphColor(a), GraphColor(b));
  }
  EXPECT_EQ(GraphColor(kGraphPaletteSize + 3), GraphColor(3));
}

// A network spans its whole width, centred on its centre frequency: 40 MHz at 5190 MHz covers
// channels 36 and 40 and nothing of 44.
TEST(ChannelMap, ShapeSpansItsChannelsWidth) {
  const struct {
    uint32_t centerKhz;
    int widthMhz;
    ChannelMap::Band band;
    int first, last;  // 20 MHz channels covered
  } cases[] = {
      {2437000, 20, ChannelMap::Band::k2400, 6, 6},
      {5190000, 40, ChannelMap::Band::k5000, 36, 40},
      {5210000, 80, ChannelMap::Band::k5000, 36, 48},
      {6025000, 160, ChannelMap::Band::k6000, 1, 29},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.centerKhz) + " kHz, " + std::to_string(c.widthMhz) + " MHz");
    ChannelMap map;
    map.resize(1200, 300);
    map.SetShapes({{"net", c.centerKhz, c.widthMhz, -50, false, 2}});
    const QSize size = map.size();
    const double first = *map.XOfChannel(size, c.band, c.first);
    const double last = *map.XOfChannel(size, c.band, c.last);
    const int step = c.band == ChannelMap::Band::k2400 ? 1 : 4;
    // Channel numbers lie 5 MHz apart; a 20 MHz channel reaches 10 MHz either side.
    const double half = (*map.XOfChannel(size, c.band, c.first + step) - first) * 10 / (5 * step);
    const QRectF bounds = map.ShapePath(size, map.Shapes()[0]).boundingRect();
    EXPECT_NEAR(bounds.left(), first - half, 1.0);
    EXPECT_NEAR(bounds.right(), last + half, 1.0);

    // Drawn there, in its colour, and not over the next channel.
    const QImage image = map.Render();
    const QColor color = GraphColor(2);
    // Whether the shape's outline crosses column x.
    const auto inked = [&](double x) {
      for (int y = qRound(bounds.top()) - 2; y <= qRound(bounds.bottom()); ++y) {
        if (InkNear(image, QPointF(x, y), color, 0)) return true;
      }
      return false;
    };
    EXPECT_TRUE(inked(first - half + 2));
    EXPECT_TRUE(inked(last + half - 2));
    EXPECT_FALSE(inked(last + half + 3));
    EXPECT_FALSE(inked(first - half - 3));
  }
}

// Taller for a stronger signal.
TEST(ChannelMap, HeightFollowsTheSignal) {
  ChannelMap map;
  map.resize(1200, 300);
  map.SetShapes({{"strong", 2412000, 20, -30, false, 0}, {"weak", 2462000, 20, -90, false, 1}});
  const QRectF strong = map.ShapePath(map.size(), map.Shapes()[0]).boundingRect();
  const QRectF weak = map.ShapePath(map.size(), map.Shapes()[1]).boundingRect();
  EXPECT_EQ(strong.bottom(), weak.bottom());
  EXPECT_NEAR(strong.height(), 7 * weak.height(), 1.0);
  // Outside the three bands there is nothing to draw.
  EXPECT_TRUE(map.ShapePath(map.size(), {"off", 900000, 20, -40, false, 0}).isEmpty());
}

class ChannelMapHover : public ::testing::Test {
 protected:
  void SetUp() override {
    map_.resize(1200, 300);
    map_.SetShapes({{"Kitchen", 2437000, 20, -45, false, 0},
                    {"Office 5G", 5190000, 40, -60, true, 1},
                    {"Neighbour", 5180000, 20, -80, false, 2}});
    map_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&map_));
  }
  // The tooltip after the pointer rests at `at`, "" for none.
  QString TipAt(QPointF at) {
    QHelpEvent help(QEvent::ToolTip, at.toPoint(), map_.mapToGlobal(at.toPoint()));
    QApplication::sendEvent(&map_, &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
  }
  // A point inside a shape, a little above its floor at its centre.
  QPointF Inside(std::size_t shape) {
    const QRectF bounds = map_.ShapePath(map_.size(), map_.Shapes()[shape]).boundingRect();
    return QPointF(bounds.center().x(), bounds.bottom() - 3);
  }
  ChannelMap map_;
};

// Hovering a shape names its network, the one drawn on top where they overlap; hovering the
// empty air says nothing.
TEST_F(ChannelMapHover, NamesTheNetworkUnderThePointer) {
  EXPECT_TRUE(TipAt(Inside(0)).startsWith("Kitchen\n-45 dBm, 20 MHz"));
  EXPECT_TRUE(TipAt(Inside(1)).startsWith("Office 5G\n"));
  // Neighbour lies under Office 5G's left half and is drawn after it (it is weaker) but Office
  // 5G is selected, and the selected network is on top.
  EXPECT_TRUE(TipAt(Inside(2)).startsWith("Office 5G\n"));
  const QRectF kitchen = map_.ShapePath(map_.size(), map_.Shapes()[0]).boundingRect();
  TipAt(QPointF(kitchen.center().x(), kitchen.top() - 10));
  EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000));
}

// Each graph saves what it shows as a PNG that reads back at its size; a file that cannot be
// written is said in a message box, and nothing is claimed.
class SavedGraph : public ::testing::TestWithParam<const char*> {
 protected:
  std::unique_ptr<GraphWidget> Make() {
    if (std::string(GetParam()) == "signal") {
      auto graph = std::make_unique<SignalGraph>();
      graph->SetSeries({{"steady", Constant(-60)}});
      return graph;
    }
    auto map = std::make_unique<ChannelMap>();
    map->SetShapes({{"Kitchen", 2437000, 20, -45, false, 0}});
    return map;
  }
};

TEST_P(SavedGraph, WritesAReadablePngOrSaysWhyNot) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  QString file = folder.filePath("graph.png");
  auto graph = Make();
  graph->resize(700, 250);
  graph->SetFileNameChooser([&] { return file; });
  // Through the context menu, as the user saves.
  auto menu = graph->BuildContextMenu();
  ASSERT_EQ(menu->actions().size(), 1);
  menu->actions()[0]->trigger();
  QImage saved;
  ASSERT_TRUE(saved.load(file, "PNG"));
  EXPECT_EQ(saved.size(), QSize(700, 250));
  EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32),
            graph->Render().convertToFormat(QImage::Format_RGB32));
  EXPECT_EQ(graph->findChild<QMessageBox*>("saveFailure"), nullptr);

  // A choice cancelled writes nothing and says nothing.
  file.clear();
  EXPECT_FALSE(graph->SaveAsPng());
  EXPECT_EQ(graph->findChild<QMessageBox*>("saveFailure"), nullptr);

  file = folder.filePath("missing/folder/graph.png");
  EXPECT_FALSE(graph->SaveAsPng());
  const auto* box = graph->findChild<QMessageBox*>("saveFailure");
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->text().contains(file));
  EXPECT_FALSE(QFile::exists(file));
}

INSTANTIATE_TEST_SUITE_P(Graphs, SavedGraph, ::testing::Values("signal", "channels"));

std::string Rows(const std::vector<std::pair<QString, QString>>& rows) {
  std::string text;
  for (const auto& [field, value] : rows) text += (field + ": " + value + "\n").toStdString();
  return text;
}

// The Details tab's rows for a WPA2 access point on channel 6 with a BSS load and WPS.
TEST(DetailRows, DecodedFieldsThenEveryElement) {
  using namespace testing;
  const Bytes ies = Concat({SsidElement("Kitchen"), kRates24, DsElement(6), kCountryDe, kBssLoad,
                            kRsnPsk, kWpsConfigured});
  NetworkDetails network;
  network.ssid = "Kitchen";
  network.mac = "00 1A 2B 3C 4D 5E";
  network.details = ieee80211::DecodeElements(ies, kCapabilityEssPrivacy, 2437000);
  network.elements = ieee80211::ListElements(ies);
  network.vendor = "Example Networks";
  const std::string rows = Rows(DetailRows(network));
  // The network first, the decoded fields (their words are the details' business), then the
  // elements.
  EXPECT_EQ(rows.rfind("Network: Kitchen  (00 1A 2B 3C 4D 5E)\nSecurity: WPA2-Personal\n", 0), 0u)
      << rows;
  EXPECT_NE(rows.find("Vendor: Example Networks\n"), std::string::npos) << rows;
  EXPECT_NE(rows.find("Highest supported rate: 18 Mb/s\n0  SSID"), std::string::npos) << rows;
  EXPECT_NE(rows.find("0  SSID: 4B 69 74 63 68 65 6E\n"), std::string::npos) << rows;
  EXPECT_NE(rows.find("48  RSN: 01 00 00 0F AC 04 01 00 00 0F AC 04 01 00 00 0F AC 02 0C 00\n"),
            std::string::npos)
      << rows;
  EXPECT_NE(rows.find("221  Vendor Specific (WPS): 00 50 F2 04"), std::string::npos) << rows;
}

// No decoded elements, no rows: the tab says so instead.
TEST(DetailsPane, SaysInGreyWhenThereIsNothingToShow) {
  const struct {
    bool selected;
    std::optional<NetworkDetails> details;
    const char* sentence;
  } cases[] = {
      {false, std::nullopt, "Select a network to see what it announces."},
      {true, NetworkDetails{"hidden", "00 00 00 00 00 01", std::nullopt, {}, {}},
       "Nothing is known of this network's elements yet."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sentence);
    DetailsPane pane;
    PaneContent content;
    content.anySelected = c.selected;
    content.details = c.details;
    pane.Show(content);
    EXPECT_FALSE(pane.ShowsDetailsTable());
    EXPECT_EQ(pane.DetailsNote().text().toStdString(), c.sentence);
    const QColor ink = pane.DetailsNote().palette().color(QPalette::WindowText);
    EXPECT_GT(qGray(ink.rgb()), qGray(pane.palette().color(QPalette::Text).rgb()) + 40);
  }
}

}  // namespace
}  // namespace quorvan

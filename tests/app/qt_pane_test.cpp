// The pane under the list in the Linux window, fed as the program feeds it: the fake radio's
// entries carry elements, every query goes to a details store, and the window reads the store
// after each cycle and each change of selection.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSplitter>
#include <QTest>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/qt/quorvan_dialog.h"
#include "details/details_store.h"
#include "tests/ieee80211/sample_beacons.h"
#include "tests/support/fake_wlan.h"
#include "wlan/wlan_access.h"

namespace quorvan {
namespace {

using testing::BssEntry;
using BssLists = std::vector<std::vector<WlanBss>>;

WlanBss On5Ghz(WlanBss bss) {
  bss.entry.ulChCenterFrequency = 5180000;
  return bss;
}

// In SSID order: "bare" (no elements), "home" (WPA2-PSK, HT20 on channel 6), "lab5" (SAE,
// VHT80 on channel 36), "open" (no RSN, 802.11g), then five more to choose the strongest from.
BssLists Networks() {
  using namespace testing;
  std::vector<WlanBss> list = {
      BssEntry(1, "bare", -75),
      {BssEntry(2, "home", -48), Beacon24(kRsnPsk)},
      On5Ghz({BssEntry(3, "lab5", -58), Beacon5(kRsnSae)}),
      {BssEntry(4, "open", -66), Concat({SsidElement("open"), kRates24, DsElement(6)})},
  };
  for (unsigned id = 5; id <= 9; ++id) {
    list.push_back(BssEntry(id, "zz" + std::to_string(id), -40 - 10 * static_cast<int>(id - 5)));
  }
  return {list};
}

class QtPane : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::FakeAnswers answers;
    answers.lists = Networks();
    radio_.emplace(std::move(answers));
    listening_ = std::make_unique<ScopedQueryListener>(
        [this](QueryOutcome outcome, std::span<const BssObservation> observations,
               std::string_view) { store_.Record(outcome, observations); });
    dialog_ = std::make_unique<QuorvanDialog>();
    tester_ = std::make_unique<QAbstractItemModelTester>(
        dialog_->ListWidget().model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    dialog_->SetDetailsStore(&store_);
    dialog_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
  }
  void TearDown() override {
    tester_.reset();
    dialog_.reset();
  }

  int RowOf(const std::string& ssid) {
    QAbstractItemModel* model = dialog_->ListWidget().model();
    for (int row = 0; row < model->rowCount(); ++row) {
      if (model->index(row, 3).data().toString().toStdString() == ssid) return row;
    }
    return -1;
  }
  void Select(const std::vector<std::string>& ssids) {
    QItemSelectionModel* selection = dialog_->ListWidget().selectionModel();
    selection->clear();
    for (const std::string& ssid : ssids) {
      EXPECT_GE(RowOf(ssid), 0) << ssid << " is not listed";
      selection->select(dialog_->ListWidget().model()->index(RowOf(ssid), 0),
                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }
  // The Details tab's value for `field`, nullopt when no row says it.
  std::optional<std::string> Detail(const std::string& field) {
    QTableWidget& table = dialog_->Pane().DetailsTable();
    for (int row = 0; row < table.rowCount(); ++row) {
      if (table.item(row, 0)->text().toStdString() == field) {
        return table.item(row, 1)->text().toStdString();
      }
    }
    return std::nullopt;
  }
  std::string SeriesLabels() {
    QStringList labels;
    for (const SignalSeries& series : dialog_->Pane().Signal().Series()) labels << series.label;
    return labels.join("|").toStdString();
  }

  DetailsStore store_;
  std::optional<testing::ScopedFakeWlan> radio_;
  std::unique_ptr<ScopedQueryListener> listening_;
  std::unique_ptr<QuorvanDialog> dialog_;
  std::unique_ptr<QAbstractItemModelTester> tester_;
};

// The list above, the pane below, and the pane's three tabs.
TEST_F(QtPane, SitsUnderTheListWithThreeTabs) {
  auto* splitter = dialog_->findChild<QSplitter*>("paneSplitter");
  ASSERT_NE(splitter, nullptr);
  EXPECT_EQ(splitter->widget(0), &dialog_->ListWidget());
  EXPECT_EQ(splitter->widget(1), &dialog_->Pane());
  QStringList tabs;
  for (int t = 0; t < dialog_->Pane().count(); ++t) tabs << dialog_->Pane().tabText(t);
  EXPECT_EQ(tabs.join("|").toStdString(), "Details|Signal|Channels");
  EXPECT_GT(dialog_->Pane().height(), 100);
}

// The Details tab follows the selection: decoded fields where the elements are known, then every
// element with its bytes; a grey sentence otherwise.
TEST_F(QtPane, DetailsFollowTheSelectedRow) {
  const struct {
    std::vector<std::string> selected;
    std::optional<std::string> security, standard, width;
    const char* sentence;
  } cases[] = {
      {{}, std::nullopt, std::nullopt, std::nullopt, "Select a network to see what it announces."},
      {{"home"}, "WPA2-Personal", "Wi-Fi 4 (802.11n)", "20 MHz", nullptr},
      {{"lab5"}, "WPA3-Personal", "Wi-Fi 5 (802.11ac)", "80 MHz", nullptr},
      {{"open"}, "Open", "802.11g", "20 MHz", nullptr},
      {{"bare"},
       std::nullopt,
       std::nullopt,
       std::nullopt,
       "Nothing is known of this network's elements yet."},
      {{"home", "lab5"}, "WPA2-Personal", "Wi-Fi 4 (802.11n)", "20 MHz", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.selected.empty() ? std::string("nothing selected") : c.selected.front());
    Select(c.selected);
    EXPECT_EQ(Detail("Security"), c.security);
    EXPECT_EQ(Detail("Standard"), c.standard);
    EXPECT_EQ(Detail("Channel width"), c.width);
    EXPECT_EQ(dialog_->Pane().ShowsDetailsTable(), c.sentence == nullptr);
    if (c.sentence != nullptr) {
      EXPECT_EQ(dialog_->Pane().DetailsNote().text().toStdString(), c.sentence);
    }
  }
  Select({"open"});
  EXPECT_EQ(Detail("0  SSID"), "6F 70 65 6E");
  EXPECT_EQ(Detail("3  DS Parameter Set"), "06");
  EXPECT_EQ(dialog_->Pane().DetailsTable().rowCount(), 12 + 3);
}

// The Signal tab draws the selected rows, in list order, or the five strongest when none is.
TEST_F(QtPane, SignalFollowsTheSelectionOrTheStrongest) {
  EXPECT_EQ(SeriesLabels(), "zz5|home|zz6|lab5|zz7");
  Select({"open", "bare"});
  EXPECT_EQ(SeriesLabels(), "bare|open");
  Select({});
  EXPECT_EQ(SeriesLabels(), "zz5|home|zz6|lab5|zz7");
}

// The user chose networks, not lines: after a cycle that moves them and drops one, the same
// networks are selected wherever the refresh put them, and the one that left is not; each cycle
// added a point to the line.
TEST_F(QtPane, SelectionFollowsTheNetworksThroughTheRefresh) {
  Select({"home", "lab5"});
  // "aaa" comes first in SSID order and pushes every row down by one; "lab5" leaves.
  std::vector<WlanBss> next = Networks()[0];
  next.erase(next.begin() + 2);
  next.push_back(BssEntry(10, "aaa", -70));
  (*radio_)->lists.push_back(next);
  std::size_t cycles = 1;
  for (; cycles < 20 && RowOf("lab5") >= 0; ++cycles) dialog_->OnTimer(kScanTimer);
  ASSERT_EQ(RowOf("lab5"), -1) << "lab5 never left";
  QStringList selected;
  for (const QModelIndex& row : dialog_->ListWidget().selectionModel()->selectedRows()) {
    selected << dialog_->ListWidget().model()->index(row.row(), 3).data().toString();
  }
  EXPECT_EQ(selected.join("|").toStdString(), "home");
  EXPECT_EQ(RowOf("home"), 2);  // below "aaa" and "bare"
  ASSERT_EQ(SeriesLabels(), "home");
  EXPECT_EQ(dialog_->Pane().Signal().Series()[0].dbm, std::vector<std::optional<int>>(cycles, -48));
  EXPECT_EQ(Detail("Security"), "WPA2-Personal");
}

// The Channels tab holds every network heard, as wide as its elements say, the selected one
// marked, and in the colour its line has in the Signal tab.
TEST_F(QtPane, ChannelsShowEveryNetworkAtItsWidth) {
  Select({"lab5"});
  const auto& shapes = dialog_->Pane().Channels().Shapes();
  ASSERT_EQ(shapes.size(), 9u);
  for (const ChannelShape& shape : shapes) {
    SCOPED_TRACE(shape.label.toStdString());
    const bool lab = shape.label == "lab5";
    EXPECT_EQ(shape.selected, lab);
    EXPECT_EQ(shape.widthMhz, lab ? 80 : 20);
    EXPECT_EQ(shape.centerKhz, lab ? 5210000u : 2437000u);
    if (lab) {
      EXPECT_EQ(shape.dbm, -58);
      EXPECT_EQ(shape.color, 0);
    }
  }
}

}  // namespace
}  // namespace quorvan

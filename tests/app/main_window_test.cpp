#include "app/main_window.h"

#include <gtest/gtest.h>

#include <map>

#include "app/headless_host.h"
#include "app/linux/list_mode.h"
#include "tests/support/fake_wlan.h"
#include "ui/column_sort.h"

namespace quorvan {
namespace {

using testing::BssEntry;

// Records what the behaviour asks of its window; its clock delivers the timers in order of due
// time, the lower number first when two fall due together.
class FakeHost final : public HeadlessHost {
 public:
  void StartTimer(int timer, int periodMs) override { timers[timer] = periodMs; }
  bool HasWindowMenu() override { return true; }
  void AppendWindowMenuSeparator() override { windowMenu += "-|"; }
  void AppendWindowMenuItem(unsigned command, std::string_view text) override {
    windowMenu += std::to_string(command) + ":" + std::string(text) + "|";
  }
  std::string LoadResourceString(int id) override { return id == 101 ? aboutText : ""; }
  void RunAboutBox() override { ++aboutBoxes; }

  void Advance(CquorvanDlg& dialog, int seconds) {
    for (long end = now + seconds * 1000L; now < end;) {
      ++now;
      for (const auto& [timer, period] : timers) {
        if (now % period == 0) dialog.OnTimer(timer);
      }
    }
  }

  std::map<int, int> timers;
  std::string windowMenu;
  std::string aboutText = "&Info über quorvan...";
  int aboutBoxes = 0;
  long now = 0;
};

class MainWindowTest : public ::testing::Test {
 protected:
  testing::ScopedFakeWlan radio{{.lists = {{BssEntry(1, "home", -50), BssEntry(2, "cafe", -70)},
                                           {BssEntry(1, "home", -52)}}}};
  FakeHost host;
};

TEST_F(MainWindowTest, StartsWithTheFirstQueryThenCountsDownAndScansHalfWay) {
  CquorvanDlg dialog(host);
  dialog.OnInitDialog();
  EXPECT_EQ(radio->scans, 0);
  for (auto& record : dialog.Table()) EXPECT_EQ(record.activity, 16);
  EXPECT_EQ(host.List().RowCount(), 2);
  EXPECT_EQ(host.Title(), "quorvan");  // the caption stays until the first tick
  EXPECT_EQ(host.timers, (std::map<int, int>{{1, 20000}, {2, 1000}}));
  EXPECT_EQ(host.windowMenu, "-|16:&Info über quorvan...|");

  host.Advance(dialog, 11);
  EXPECT_EQ(host.Title(), "Quorvan_V20160130: oqli - 9");
  EXPECT_EQ(radio->scans, 1);
  host.Advance(dialog, 9);  // both timers fall due: the cycle resets the count, then a tick
  EXPECT_EQ(host.Title(), "Quorvan_V20160130: oqli - 19");
  EXPECT_EQ(radio->queries, 2);
  EXPECT_EQ(host.List().CellText(1, 4), "50 48  0  0  0");
  EXPECT_EQ(radio->opened, radio->closed);
}

TEST_F(MainWindowTest, LateCycleAndOtherTimers) {
  CquorvanDlg dialog(host);
  dialog.OnInitDialog();
  for (int timer : {0, 3, -1}) dialog.OnTimer(timer);
  EXPECT_EQ(host.Title(), "quorvan");
  for (int i = 0; i < 25; ++i) dialog.OnTimer(kTickTimer);
  EXPECT_EQ(host.Title(), "Quorvan_V20160130: oqli - -5");  // not clamped
  EXPECT_EQ(radio->scans, 1);
  EXPECT_EQ(radio->queries, 1);
}

TEST_F(MainWindowTest, WindowMenuCommandsAndDestruction) {
  host.aboutText.clear();  // no text: neither separator nor entry
  CquorvanDlg dialog(host);
  dialog.OnInitDialog();
  EXPECT_EQ(host.windowMenu, "");
  for (unsigned command = 0x10; command <= 0x1F; ++command)
    EXPECT_TRUE(dialog.OnSysCommand(command));
  for (unsigned command : {0x0u, 0x20u, 0xF060u}) EXPECT_FALSE(dialog.OnSysCommand(command));
  EXPECT_EQ(host.aboutBoxes, 16);
  dialog.OnDestroy();
  EXPECT_TRUE(dialog.Table().empty());
}

// A fresh scan before every cycle's query, the first included; the list after the last cycle.
TEST_F(MainWindowTest, ListModeScansBeforeEachQuery) {
  std::string order;
  const ListResult result = RunListMode(
      3,
      [&](QueryOutcome, std::span<const BssObservation> bsses, std::string_view) {
        order += "query" + std::to_string(bsses.size()) + " ";
      },
      [&] {
        order += "scan ";
        RequestScan();
      });
  EXPECT_EQ(order, "scan query2 scan query1 scan query1 ");
  EXPECT_EQ(radio->scans, 3);
  EXPECT_EQ(result.exitCode, 0);
  // cafe, missed twice, and home, seen three times.
  std::string activities;
  for (std::size_t at = result.text.find('\n'); at + 1 < result.text.size();
       at = result.text.find('\n', at + 1)) {
    activities += result.text.substr(result.text.find('\t', at) + 1, 3);
  }
  EXPECT_EQ(activities, "14\t18\t");
}

}  // namespace
}  // namespace quorvan

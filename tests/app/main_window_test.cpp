#include "app/main_window.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/support/fake_radio.h"
#include "ui/column_sort.h"
#include "ui/memory_list_view.h"

namespace quorvan {
namespace {

using testing::BssEntry;

// A host that records what the behaviour asks of the window, with a clock that delivers timer
// events in order of their due time, the lower timer number first when two fall due together.
class FakeHost final : public MainWindowHost {
 public:
  ListView& NetworkList() override { return list; }
  TextLabel& StatusLabel() override { return status; }
  void SetTitle(std::string_view text) override { title = text; }
  void StartTimer(int timer, int periodMs) override { timers[timer] = periodMs; }
  bool HasWindowMenu() override { return hasWindowMenu; }
  void AppendWindowMenuSeparator() override { windowMenu.push_back("-"); }
  void AppendWindowMenuItem(unsigned command, std::string_view text) override {
    windowMenu.push_back(std::to_string(command) + ":" + std::string(text));
  }
  std::string LoadResourceString(int id) override { return strings[id]; }
  void SetIcon(IconSize size) override { icons.push_back(size); }
  void RunAboutBox() override { ++aboutBoxes; }

  // Moves the clock on by `ms`, delivering every timer event that falls due.
  void Advance(CquorvanDlg& dialog, int ms) {
    for (int i = 0; i < ms; ++i) {
      ++now;
      for (const auto& [timer, period] : timers) {
        if (now % period == 0) dialog.OnTimer(timer);
      }
    }
  }

  MemoryListView list;
  MemoryLabel status;
  std::string title = "quorvan";
  std::map<int, int> timers;
  bool hasWindowMenu = true;
  std::vector<std::string> windowMenu;
  std::map<int, std::string> strings = {{101, "&Info über quorvan..."}};
  std::vector<IconSize> icons;
  int aboutBoxes = 0;
  long now = 0;
};

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() : radio(testing::InstallFakeRadio()) {
    radio->lists = {{BssEntry(1, "home", -50), BssEntry(2, "cafe", -70)}};
  }

  std::shared_ptr<testing::FakeRadio> radio;
  FakeHost host;
};

TEST_F(MainWindowTest, StartUpShowsTheFirstQueryWithoutAScanRequest) {
  ProcessSortState() = SortState{5, 0};
  CquorvanDlg dialog(host);
  EXPECT_TRUE(dialog.OnInitDialog());

  EXPECT_EQ(radio->queries, 1);
  EXPECT_EQ(radio->scans, 0);
  ASSERT_EQ(dialog.Table().size(), 2u);
  for (auto& record : dialog.Table()) EXPECT_EQ(record.activity, 16);
  EXPECT_EQ(host.list.Columns().size(), 13u);
  EXPECT_EQ(host.list.RowCount(), 2);
  EXPECT_EQ(host.list.CellText(0, 3), "cafe");
  EXPECT_EQ(host.status.Text(), "scanning...Sleep(30000),num=2");
  EXPECT_EQ(host.title, "quorvan");  // the caption stays until the first tick

  EXPECT_EQ(host.timers, (std::map<int, int>{{1, 20000}, {2, 1000}}));
  EXPECT_EQ(dialog.Period(), 20);
  EXPECT_EQ(dialog.Countdown(), 20);
  EXPECT_EQ(host.icons, (std::vector<MainWindowHost::IconSize>{MainWindowHost::IconSize::kBig,
                                                               MainWindowHost::IconSize::kSmall}));
  EXPECT_EQ(host.windowMenu, (std::vector<std::string>{"-", "16:&Info über quorvan..."}));
  EXPECT_EQ(ProcessSortState().sortColumn, 0);
  EXPECT_EQ(ProcessSortState().sortDescending, 1);
  EXPECT_EQ(radio->opened, radio->closed);
}

TEST_F(MainWindowTest, TitleCountsDownAndScanIsRequestedHalfWay) {
  CquorvanDlg dialog(host);
  dialog.OnInitDialog();

  host.Advance(dialog, 1000);
  EXPECT_EQ(host.title, "Quorvan_V20160130: oqli - 19");
  host.Advance(dialog, 8000);
  EXPECT_EQ(radio->scans, 0);
  host.Advance(dialog, 1000);
  EXPECT_EQ(host.title, "Quorvan_V20160130: oqli - 10");
  EXPECT_EQ(radio->scans, 1);
  host.Advance(dialog, 1000);
  EXPECT_EQ(host.title, "Quorvan_V20160130: oqli - 9");
  EXPECT_EQ(radio->scans, 1);

  // At 20 s both timers fall due: the cycle resets the count, the tick then shows 19.
  radio->lists.push_back({BssEntry(1, "home", -52)});
  host.Advance(dialog, 9000);
  EXPECT_EQ(radio->queries, 2);
  EXPECT_EQ(dialog.Countdown(), 19);
  EXPECT_EQ(host.title, "Quorvan_V20160130: oqli - 19");
  EXPECT_EQ(host.list.CellText(0, 1), "15");  // cafe, missed
  EXPECT_EQ(host.list.CellText(1, 4), "50 48  0  0  0");

  host.Advance(dialog, 20000);
  EXPECT_EQ(radio->scans, 2);
  EXPECT_EQ(radio->queries, 3);
  EXPECT_EQ(radio->opened, radio->closed);
}

TEST_F(MainWindowTest, LateCycleLetsTheCountGoBelowZeroWithoutMoreRequests) {
  CquorvanDlg dialog(host);
  dialog.OnInitDialog();
  for (int i = 0; i < 25; ++i) dialog.OnTimer(kTickTimer);
  EXPECT_EQ(host.title, "Quorvan_V20160130: oqli - -5");
  EXPECT_EQ(radio->scans, 1);
  dialog.OnTimer(kScanTimer);
  EXPECT_EQ(dialog.Countdown(), 20);
  for (int i = 0; i < 10; ++i) dialog.OnTimer(kTickTimer);
  EXPECT_EQ(radio->scans, 2);
}

TEST_F(MainWindowTest, OtherTimersChangeNothing) {
  CquorvanDlg dialog(host);
  dialog.OnInitDialog();
  for (int timer : {0, 3, 42, -1}) dialog.OnTimer(timer);
  EXPECT_EQ(host.title, "quorvan");
  EXPECT_EQ(dialog.Countdown(), 20);
  EXPECT_EQ(radio->queries, 1);
  EXPECT_EQ(radio->scans, 0);
  EXPECT_EQ(dialog.Table().begin()->activity, 16);
}

TEST_F(MainWindowTest, WindowMenuCommands) {
  CquorvanDlg dialog(host);
  dialog.OnInitDialog();
  for (unsigned command = 0x10; command <= 0x1F; ++command) {
    EXPECT_TRUE(dialog.OnSysCommand(command)) << command;
  }
  EXPECT_EQ(host.aboutBoxes, 16);
  for (unsigned command : {0x0u, 0x20u, 0xF060u, 0xF120u, 0x110u}) {
    EXPECT_FALSE(dialog.OnSysCommand(command)) << command;
  }
  EXPECT_EQ(host.aboutBoxes, 16);
}

TEST_F(MainWindowTest, AboutEntryNeedsAMenuAndItsText) {
  host.strings.clear();
  CquorvanDlg withoutText(host);
  withoutText.OnInitDialog();
  EXPECT_TRUE(host.windowMenu.empty());

  FakeHost noMenu;
  noMenu.hasWindowMenu = false;
  CquorvanDlg withoutMenu(noMenu);
  withoutMenu.OnInitDialog();
  EXPECT_TRUE(noMenu.windowMenu.empty());
}

TEST_F(MainWindowTest, ColumnClickSortsTheListAndDestructionLeavesNoRecord) {
  CquorvanDlg dialog(host);
  dialog.OnInitDialog();
  dialog.OnColumnClick(3);
  dialog.OnColumnClick(3);
  EXPECT_EQ(host.list.CellText(0, 3), "home");
  EXPECT_EQ(host.list.CellText(0, 0), "2");
  dialog.OnDestroy();
  EXPECT_TRUE(dialog.Table().empty());
}

TEST_F(MainWindowTest, WithoutAServiceTheWindowOpensEmptyAndStaysUp) {
  radio->serviceDown = true;
  CquorvanDlg dialog(host);
  EXPECT_TRUE(dialog.OnInitDialog());
  EXPECT_EQ(host.list.RowCount(), 0);
  EXPECT_EQ(host.status.Text(), "scanning...Sleep(30000),num=0");
  host.Advance(dialog, 40000);
  EXPECT_EQ(host.title, "Quorvan_V20160130: oqli - 19");
  EXPECT_EQ(radio->opened, 0);
}

}  // namespace
}  // namespace quorvan

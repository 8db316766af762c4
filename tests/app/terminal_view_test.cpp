#include "ui/text/terminal_view.h"

#include <gtest/gtest.h>

#include "app/about_box.h"
#include "tests/support/listed_table.h"
#include "tests/support/observations.h"
#include "tracking/scan_cycle.h"
#include "ui/network_list.h"

namespace quorvan {
namespace {

using testing::Observation;

TEST(DisplayWidth, CountsTerminalCells) {
  struct Case {
    std::string_view text;
    int cells;
  };
  const Case cases[] = {
      {"", 0},
      {"index", 5},
      {"活动因子", 8},
      {"信号强度 (dbm)", 14},
      {"Caf\xC3\xA9", 4},
      {"e\xCC\x81", 1},     // combining accent
      {"\xEA\xB0\x80", 2},  // Hangul
      {"\xF0\x9F\x98\x80", 2},
      {"\xFF", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(DisplayWidth(c.text), c.cells) << c.text;
}

class TerminalViewTest : public ::testing::Test, public testing::ListedTable {
 protected:
  TerminalViewTest() {
    BssSnapshot snapshot;
    for (unsigned i = 0; i < 30; ++i) {
      snapshot.push_back(
          Observation(i, i == 7 ? "北京咖啡馆" : "net" + std::to_string(10 + i), -50));
    }
    // 28 letters and two control bytes: 36 cells once escaped, more than the column holds.
    snapshot.push_back(Observation(99, std::string(28, 'W') + "\x01\x02", -60));
    Cycle(snapshot);
  }
};

TEST_F(TerminalViewTest, LaysOutTitleHeadersRowsAndHelp) {
  TerminalView view(list);
  const auto lines = view.Render("Quorvan_V20160130: oqli - 9", 100, 10);
  ASSERT_EQ(lines.size(), 10u);
  for (const auto& line : lines) EXPECT_EQ(DisplayWidth(line), 100) << line;
  EXPECT_EQ(lines[0].substr(0, 28), "Quorvan_V20160130: oqli - 9 ");
  EXPECT_EQ(lines[1].rfind("index  活动因子  MAC地址            S S I D                           "
                           "  信号强度 (dbm)  ",
                           0),
            0u)
      << lines[1];
  // The escaped name is cut to the column, with a mark.
  EXPECT_EQ(lines[2].rfind("1      16        00 1A 2B 3C 00 63  " + std::string(28, 'W') +
                               "\\x01\\~  40  0  0  0  0  80",
                           0),
            0u)
      << lines[2];
  EXPECT_EQ(lines[9].rfind("rows 1-7 of 31", 0), 0u) << lines[9];
  view.OnKey(Key::kEnd, 0, 100, 10);
  const auto end = view.Render("t", 100, 10);
  EXPECT_EQ(end[8].rfind("31     16        00 1A 2B 3C 00 07  北京咖啡馆    ", 0), 0u) << end[8];
  EXPECT_EQ(end[9].rfind("rows 25-31 of 31", 0), 0u) << end[9];
}

TEST_F(TerminalViewTest, ScrollsWithinTheList) {
  TerminalView view(list);
  view.Render("t", 40, 10);
  EXPECT_EQ(view.OnKey(Key::kUp, 0, 40, 10).kind, ViewAction::kRedraw);
  EXPECT_EQ(view.FirstRow(), 0);
  view.OnKey(Key::kPageDown, 0, 40, 10);
  EXPECT_EQ(view.FirstRow(), 6);
  view.OnKey(Key::kEnd, 0, 40, 10);
  EXPECT_EQ(view.FirstRow(), 31 - 7);
  view.OnKey(Key::kDown, 0, 40, 10);
  EXPECT_EQ(view.FirstRow(), 31 - 7);
  view.OnKey(Key::kRight, 0, 40, 10);
  EXPECT_EQ(view.FirstCell(), 10);
  const auto lines = view.Render("t", 40, 10);
  // Scrolled right by 10 cells: the header line starts inside "活动因子", cut to blanks.
  EXPECT_EQ(lines[1].rfind(" 因子  MAC地址", 0), 0u) << lines[1];
  for (int i = 0; i < 100; ++i) view.OnKey(Key::kRight, 0, 40, 10);
  EXPECT_EQ(DisplayWidth(view.Render("t", 40, 10)[1]), 40);
  view.OnKey(Key::kHome, 0, 40, 10);
  EXPECT_EQ(view.FirstRow(), 0);
  EXPECT_EQ(view.FirstCell(), 0);
  // A terminal too small for anything still renders without harm.
  EXPECT_EQ(view.Render("title", 3, 1), std::vector<std::string>{"tit"});
  EXPECT_TRUE(view.Render("title", 0, 0).empty());
}

TEST_F(TerminalViewTest, KeysAndHeaderClicksMapToCommands) {
  TerminalView view(list);
  view.Render("t", 200, 20);
  struct Case {
    Key key;
    int ch;
    ViewAction::Kind kind;
    int column;
  };
  const Case cases[] = {
      {Key::kNone, '0', ViewAction::kSortColumn, 0},
      {Key::kNone, '9', ViewAction::kSortColumn, 9},
      {Key::kNone, 'a', ViewAction::kSortColumn, 10},
      {Key::kNone, 'c', ViewAction::kSortColumn, 12},
      {Key::kNone, 'd', ViewAction::kNothing, 0},
      {Key::kNone, '?', ViewAction::kAbout, 0},
      {Key::kF1, 0, ViewAction::kAbout, 0},
      {Key::kNone, 'q', ViewAction::kQuit, 0},
      {Key::kEnter, 0, ViewAction::kQuit, 0},
      {Key::kEscape, 0, ViewAction::kQuit, 0},
  };
  for (const Case& c : cases) {
    const ViewAction action = view.OnKey(c.key, c.ch, 200, 20);
    EXPECT_EQ(action.kind, c.kind) << c.ch;
    if (c.kind == ViewAction::kSortColumn) {
      EXPECT_EQ(action.column, c.column) << c.ch;
    }
  }
  EXPECT_EQ(view.ColumnAt(0), 0);
  EXPECT_EQ(view.ColumnAt(6), 0);  // the gap belongs to the column on its left
  EXPECT_EQ(view.ColumnAt(7), 1);
  EXPECT_EQ(view.ColumnAt(16), 1);
  EXPECT_EQ(view.ColumnAt(17), 2);
  EXPECT_EQ(view.ColumnAt(100000), -1);
}

TEST(AboutBoxLines, ShowTheAboutTextInAFrame) {
  const auto lines = AboutBoxLines();
  ASSERT_GE(lines.size(), 5u);
  std::string all;
  for (const auto& line : lines) {
    EXPECT_EQ(DisplayWidth(line), DisplayWidth(lines[0]));
    all += line + "\n";
  }
  EXPECT_NE(all.find("|        Quorvan         |"), std::string::npos) << all;
  EXPECT_NE(all.find(" quorvan Version 1.0 "), std::string::npos) << all;
  EXPECT_NE(all.find("[ OK ]"), std::string::npos) << all;
}

}  // namespace
}  // namespace quorvan

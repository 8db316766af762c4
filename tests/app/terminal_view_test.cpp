#include "ui/text/terminal_view.h"

#include <gtest/gtest.h>

#include "tests/support/listed_table.h"
#include "tests/support/observations.h"
#include "ui/column_sort.h"

namespace quorvan {
namespace {

using testing::Observation;

TEST(TerminalView, LaysOutByDisplayWidthAndScrolls) {
  testing::ListedTable shown;
  BssSnapshot snapshot;
  for (unsigned i = 0; i < 30; ++i)
    snapshot.push_back(Observation(i, "net" + std::to_string(10 + i), -50));
  snapshot.push_back(Observation(99, "北京咖啡馆", -60));
  snapshot.push_back(Observation(98, std::string(28, 'W') + "\x01\x02", -60));  // 36 cells escaped
  shown.Cycle(snapshot);

  TerminalView view(shown.list);
  auto lines = view.Render("Quorvan_V20160130: oqli - 9", 100, 10);
  ASSERT_EQ(lines.size(), 10u);
  for (const auto& line : lines) EXPECT_EQ(DisplayWidth(line), 100) << line;
  EXPECT_EQ(lines[1].rfind("index  活动因子  MAC地址            S S I D  ", 0), 0u) << lines[1];
  // Too wide for its column: cut, with a mark.
  EXPECT_EQ(lines[2].rfind(
                "1      16        00 1A 2B 3C 00 62  " + std::string(28, 'W') + "\\x01\\~  40", 0),
            0u)
      << lines[2];
  EXPECT_EQ(lines[9].rfind("32 networks   rows 1-7   ? keys  q quit", 0), 0u) << lines[9];

  // Sideways by whole columns: index, activity, MAC and SSID stay; the signal history (4) gives
  // way to the link quality (5).
  const std::string frozenHeader =
      "index  活动因子  MAC地址            S S I D" + std::string(29, ' ');
  EXPECT_EQ(lines[1].rfind(frozenHeader + "信号强度 (dbm)  链路质量(%)", 0), 0u) << lines[1];
  view.OnKey(Key::kEnd, 0, 100, 10);
  view.OnKey(Key::kRight, 0, 100, 10);
  lines = view.Render("t", 100, 10);
  EXPECT_EQ(view.FirstColumn(), 1);
  EXPECT_EQ(lines[1].rfind(frozenHeader + "链路质量(%)  Channel", 0), 0u) << lines[1];
  EXPECT_EQ(lines[8].rfind("32     16        00 1A 2B 3C 00 63  北京咖啡馆", 0), 0u) << lines[8];
  EXPECT_EQ(view.ColumnAt(0), 0);
  EXPECT_EQ(view.ColumnAt(36), 3);  // the SSID, where it always is
  EXPECT_EQ(view.ColumnAt(72), 5);  // the first scrolling column shown
  // No further than showing the last column; Left and Home come back.
  for (int i = 0; i < 20; ++i) view.OnKey(Key::kRight, 0, 100, 10);
  lines = view.Render("t", 100, 10);
  EXPECT_NE(lines[1].find("Password"), std::string::npos) << lines[1];
  EXPECT_EQ(lines[1].rfind(frozenHeader, 0), 0u);
  const int last = view.FirstColumn();
  view.OnKey(Key::kLeft, 0, 100, 10);
  EXPECT_EQ(view.FirstColumn(), last - 1);
  view.OnKey(Key::kHome, 0, 100, 10);
  EXPECT_EQ(view.FirstColumn(), 0);
  EXPECT_EQ(view.FirstRow(), 0);

  // A wide character cut by the right edge is a blank, never half a character: at 41 cells
  // the edge falls inside the third character of "北京咖啡馆", whose column starts at cell 36.
  view.OnKey(Key::kEnd, 0, 41, 10);
  lines = view.Render("t", 41, 10);
  EXPECT_EQ(lines[8].substr(lines[8].size() - std::string("北京 ").size()), "北京 ") << lines[8];
  for (const auto& line : lines) EXPECT_EQ(DisplayWidth(line), 41) << line;
  EXPECT_EQ(view.Render("title", 3, 1), std::vector<std::string>{"tit"});
}

// A tick that changes only the countdown leaves the state alone, so only the title is drawn;
// a new cycle, a sort, a scroll or another size change it.
TEST(TerminalView, StateTellsWhenMoreThanTheTitleChanged) {
  testing::ListedTable shown;
  BssSnapshot snapshot;
  for (unsigned i = 0; i < 30; ++i)
    snapshot.push_back(Observation(i, "net" + std::to_string(10 + i), -50));
  shown.Cycle(snapshot);
  TerminalView view(shown.list);
  EXPECT_EQ(TerminalView::RenderTitle("Quorvan_V20160130: oqli - 12", 20),
            view.Render("Quorvan_V20160130: oqli - 12", 20, 10)[0]);
  const TerminalView::State drawn = view.StateFor(80, 10);
  EXPECT_EQ(view.StateFor(80, 10), drawn);
  EXPECT_NE(view.StateFor(81, 10), drawn);
  view.OnKey(Key::kDown, 0, 80, 10);
  EXPECT_NE(view.StateFor(80, 10), drawn);
  const TerminalView::State scrolled = view.StateFor(80, 10);
  SortByColumn(shown.list, 3);
  EXPECT_NE(view.StateFor(80, 10), scrolled);
  const TerminalView::State sorted = view.StateFor(80, 10);
  shown.Cycle(snapshot);
  EXPECT_NE(view.StateFor(80, 10), sorted);
  const TerminalView::State cycled = view.StateFor(80, 10);
  view.SetStatus({"wlan0", "listed at 12:00:00", ""});
  EXPECT_NE(view.StateFor(80, 10), cycled);
}

// The status line: the interface, the number of networks, how the last query ended; while the
// list has no row, why it is empty in their place.
TEST(TerminalView, StatusLineTellsWhereFromAndWhyEmpty) {
  testing::ListedTable shown;
  shown.Cycle({});
  TerminalView view(shown.list);
  EXPECT_EQ(view.Render("t", 80, 6)[5].rfind("0 networks   rows 0-0   ? keys  q quit", 0), 0u);
  view.SetStatus(
      {"", "found no interface at 12:00:00", "No wireless interface is up (wlan0 is down)"});
  auto lines = view.Render("t", 80, 6);
  EXPECT_EQ(lines[5].rfind("No wireless interface is up (wlan0 is down)   ? keys  q quit", 0), 0u)
      << lines[5];
  EXPECT_EQ(DisplayWidth(lines[5]), 80);
  EXPECT_EQ(view.Render("t", 12, 6)[5], "No wireless ");  // cut to the terminal's width
  shown.Cycle({Observation(1, "cafe", -50)});
  view.SetStatus({"wlan0", "listed at 12:00:20", "No wireless interface is up (wlan0 is down)"});
  lines = view.Render("t", 80, 6);
  EXPECT_EQ(
      lines[5].rfind("wlan0  1 network, last query listed at 12:00:20   rows 1-1   ? keys", 0), 0u)
      << lines[5];
}

// "?" opens the help: every key, each column's sort key beside its header, the exit keys, in
// lines that fit the terminal.
TEST(TerminalView, HelpNamesEveryKeyAndEachColumnsSortKey) {
  testing::ListedTable shown;
  shown.Cycle({Observation(1, "cafe", -50)});
  TerminalView view(shown.list);
  view.Render("t", 80, 24);
  EXPECT_EQ(view.OnKey(Key::kNone, '?', 80, 24).kind, ViewAction::kHelp);
  EXPECT_EQ(view.OnKey(Key::kF1, 0, 80, 24).kind, ViewAction::kAbout);
  const auto help = view.HelpLines(76);
  std::string all;
  for (const auto& line : help) {
    EXPECT_LE(DisplayWidth(line), 76) << line;
    all += line + "\n";
  }
  EXPECT_LE(help.size() + 2, 24u);  // framed, it fits an 80 x 24 terminal
  for (const char* text : {"Up Down PgUp PgDn", "Left Right", "Home End", "0-9 a b c", "F1", "?",
                           "q Enter Escape", "0 index", "1 活动因子", "2 MAC地址", "3 S S I D",
                           "4 信号强度 (dbm)", "9 Encryption", "a BeaconPeriod", "c Password"}) {
    EXPECT_NE(all.find(text), std::string::npos) << text << " in\n" << all;
  }
  // Each key sorts the column the help puts it beside.
  EXPECT_EQ(view.OnKey(Key::kNone, 'a', 80, 24).column, 10);
  EXPECT_EQ(view.OnKey(Key::kNone, '3', 80, 24).column, 3);
}

}  // namespace
}  // namespace quorvan

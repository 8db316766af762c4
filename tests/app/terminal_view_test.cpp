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
  EXPECT_EQ(lines[9].rfind("rows 1-7 of 32", 0), 0u) << lines[9];

  view.OnKey(Key::kEnd, 0, 100, 10);
  view.OnKey(Key::kRight, 0, 100, 10);
  EXPECT_EQ(view.Render("t", 100, 10)[8].rfind(" 3C 00 63  北京咖啡馆  ", 0), 0u);
  view.OnKey(Key::kHome, 0, 40, 10);
  view.OnKey(Key::kRight, 0, 40, 10);  // 10 cells: the edge cuts a wide character in half
  lines = view.Render("t", 40, 10);
  EXPECT_EQ(lines[1].rfind(" 因子  MAC地址", 0), 0u) << lines[1];
  EXPECT_EQ(view.ColumnAt(0), 1);
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
  view.SetEmptyListReason("No wireless interface was found");
  EXPECT_NE(view.StateFor(80, 10), cycled);
}

// While the list has no row, the status line says why; the first row takes its place back.
TEST(TerminalView, StatusLineSaysWhyTheListIsEmpty) {
  testing::ListedTable shown;
  shown.Cycle({});
  TerminalView view(shown.list);
  EXPECT_EQ(view.Render("t", 80, 6)[5].rfind("rows 0-0 of 0   q quit", 0), 0u);
  view.SetEmptyListReason("No wireless interface is up (wlan0 is down)");
  auto lines = view.Render("t", 80, 6);
  EXPECT_EQ(lines[5].rfind("No wireless interface is up (wlan0 is down)   q quit", 0), 0u)
      << lines[5];
  EXPECT_EQ(DisplayWidth(lines[5]), 80);
  EXPECT_EQ(view.Render("t", 12, 6)[5], "No wireless ");  // cut to the terminal's width
  shown.Cycle({Observation(1, "cafe", -50)});
  lines = view.Render("t", 80, 6);
  EXPECT_EQ(lines[5].rfind("rows 1-1 of 1   q quit", 0), 0u) << lines[5];
}

}  // namespace
}  // namespace quorvan

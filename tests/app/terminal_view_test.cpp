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

  // The right edge cuts with the mark, never half a wide character: at 41 cells it leaves 5
  // cells of "北京咖啡馆", whose column starts at cell 36.
  view.OnKey(Key::kEnd, 0, 41, 10);
  lines = view.Render("t", 41, 10);
  EXPECT_EQ(lines[8].substr(lines[8].size() - std::string("北京~").size()), "北京~") << lines[8];
  for (const auto& line : lines) EXPECT_EQ(DisplayWidth(line), 41) << line;
  // 42 cells: the sixth is a blank, as half of "咖" would be.
  lines = view.Render("t", 42, 10);
  EXPECT_EQ(lines[8].substr(lines[8].size() - std::string("北京~ ").size()), "北京~ ") << lines[8];
  EXPECT_EQ(view.Render("title", 3, 1), std::vector<std::string>{"ti~"});
  // A countdown cut at the edge is marked, never a smaller count.
  EXPECT_EQ(view.Render("Quorvan_V20160130: oqli - 19", 27, 1)[0], "Quorvan_V20160130: oqli - ~");
}

// The cells [first, end) of a line, wide characters counted twice; the lines come from Render,
// so no wide character straddles a column's start.
std::string CellsOf(std::string_view line, int first, int end) {
  std::string out;
  int cell = 0;
  for (std::size_t i = 0; i < line.size();) {
    const auto lead = static_cast<unsigned char>(line[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    const std::string_view character = line.substr(i, length);
    if (cell >= first && cell < end) out.append(character);
    cell += DisplayWidth(character);
    i += length;
  }
  return out;
}

std::string TrimRight(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// Every column on screen shows each of its cells whole, or a beginning of it followed by the
// cut mark, and a number in it whole or not at all: cut silently, "20" for 200 and "14" for
// channel 149 read as other numbers.
void ExpectNothingCutUnmarked(const TerminalView& view, const MemoryListView& list,
                              const std::vector<std::string>& lines, int width) {
  // Each shown column's first cell, left to right, as the header line places them.
  std::vector<std::pair<int, int>> starts;  // column, first cell
  for (int x = 0; x < width; ++x) {
    const int column = view.ColumnAt(x);
    if (column >= 0 && (starts.empty() || starts.back().first != column)) {
      starts.emplace_back(column, x);
    }
  }
  ASSERT_FALSE(starts.empty());
  auto check = [&](const std::string& line, const std::vector<std::string>& cells,
                   const std::string& what) {
    for (std::size_t i = 0; i < starts.size(); ++i) {
      const auto [column, first] = starts[i];
      const int end = i + 1 < starts.size() ? starts[i + 1].second : width;
      const std::string shown = TrimRight(CellsOf(line, first, end));
      const std::string whole = TrimRight(cells[static_cast<std::size_t>(column)]);
      if (shown == whole) continue;
      ASSERT_TRUE(!shown.empty() && shown.back() == '~')
          << what << ", column " << column << ": \"" << shown << "\" for \"" << whole << "\" in\n"
          << line;
      const std::string before = shown.substr(0, shown.size() - 1);
      ASSERT_EQ(whole.rfind(before, 0), 0u) << what << ", column " << column << ": " << shown;
      const auto digit = [](char ch) { return ch >= '0' && ch <= '9'; };
      EXPECT_FALSE(!before.empty() && digit(before.back()) && digit(whole[before.size()]))
          << what << ", column " << column << ": part of a number, \"" << shown << "\" for \""
          << whole << "\"";
    }
  };
  check(lines[TerminalView::kHeaderLine], list.Headers(), "header");
  for (int i = 0; i + view.FirstRow() < list.RowCount() && i + 3 < static_cast<int>(lines.size());
       ++i) {
    check(lines[static_cast<std::size_t>(i + 2)], list.Row(i + view.FirstRow()),
          "row " + std::to_string(i + view.FirstRow()));
  }
}

// Networks as the simulated radio shows them: channel 149 and a beacon period of 200, whose
// columns the right edge of an 80 or 160 cell terminal falls in.
void ShowWideNumbers(testing::ListedTable& shown) {
  shown.Cycle({Observation(1, "", -70, 5745000),
               Observation(2, "Hotel Grand Europa Lobby 2nd Flr", -67, 2427000),
               Observation(3, "Printer-HP-LaserJet", -58, 2412000, 200),
               Observation(4, "HomeNet", -54, 5500000), Observation(5, "eduroam", -77, 2462000)});
}

// At every scroll position of an 80 x 24 and a 160 x 45 terminal, a column the right edge cuts
// says so.
TEST(TerminalView, NoColumnIsCutWithoutAMark) {
  for (const auto& [width, height] : {std::pair{80, 24}, {160, 45}, {100, 10}, {41, 10}}) {
    testing::ListedTable shown;
    ShowWideNumbers(shown);
    TerminalView view(shown.list);
    for (int right = 0;; ++right) {
      SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) + ", scrolled " +
                   std::to_string(right));
      const auto lines = view.Render("Quorvan_V20160130: oqli - 19", width, height);
      ASSERT_EQ(lines.size(), static_cast<std::size_t>(height));
      for (const auto& line : lines) EXPECT_EQ(DisplayWidth(line), width) << line;
      ExpectNothingCutUnmarked(view, shown.list, lines, width);
      const int before = view.FirstColumn();
      view.OnKey(Key::kRight, 0, width, height);
      if (view.FirstColumn() == before) break;
    }
  }
}

// What the edge shows where the simulated radio's numbers meet it: the scrolled columns right of
// the frozen ones, in the header, the line of channel 149 and that of beacon period 200.
TEST(TerminalView, NumbersAtTheRightEdgeWholeOrMarked) {
  const struct {
    int width, height, right;
    std::string header, channel149, beacon200;
  } cases[] = {
      // The signal history fits whole, and nothing of the next column starts.
      {80, 24, 0, "信号强度 (dbm)", "30  0  0  0  0", "42  0  0  0  0"},
      // Three cells of the channel: no digit of it rather than "14" or "1~".
      {80, 24, 1, "链路质量(%)  Ch~", "60            ~", "84             ~"},
      {80, 24, 2, "Channel        ~", " 149  5745000  ~", "   1  2412000  ~"},
      {80, 24, 5, "Encryption  Bea~", "0,wep       100", "0,wep       200"},
      // Two cells of the beacon period: "~", never "20".
      {160, 45, 0,
       "信号强度 (dbm)  链路质量(%)  Channel        ullTimestamp  ullHostTimestamp  Encryption  B~",
       "30  0  0  0  0  60            149  5745000  0x0           0x0               0,wep       ~",
       "42  0  0  0  0  84              1  2412000  0x0           0x0               0,wep       ~"},
      {160, 45, 1,
       "链路质量(%)  Channel        ullTimestamp  ullHostTimestamp  Encryption  BeaconPeriod  Use~",
       "60            149  5745000  0x0           0x0               0,wep       100",
       "84              1  2412000  0x0           0x0               0,wep       200"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + ", scrolled " +
                 std::to_string(c.right));
    testing::ListedTable shown;
    ShowWideNumbers(shown);
    TerminalView view(shown.list);
    view.Render("t", c.width, c.height);
    for (int i = 0; i < c.right; ++i) view.OnKey(Key::kRight, 0, c.width, c.height);
    const auto lines = view.Render("t", c.width, c.height);
    ASSERT_EQ(view.FirstColumn(), c.right);
    // Right of the SSID, which is 26 cells wide at 80 and whole (32) at 160.
    const int scrolled = c.width == 80 ? 64 : 70;
    EXPECT_EQ(TrimRight(CellsOf(lines[1], scrolled, c.width)), c.header) << lines[1];
    EXPECT_EQ(TrimRight(CellsOf(lines[2], scrolled, c.width)), c.channel149) << lines[2];
    EXPECT_EQ(TrimRight(CellsOf(lines[5], scrolled, c.width)), c.beacon200) << lines[5];
  }
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
  EXPECT_EQ(view.Render("t", 12, 6)[5], "No wireless~");  // cut to the terminal's width
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

#include "ui/text/terminal_view.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>

#include "details/details_store.h"
#include "tests/ieee80211/sample_beacons.h"
#include "tests/support/listed_table.h"
#include "tests/support/observations.h"
#include "ui/column_sort.h"
#include "ui/text/terminal_screens.h"

namespace quorvan {
namespace {

using testing::Observation;

// net10 ... net39, more rows than a small terminal shows.
BssSnapshot ThirtyNetworks() {
  BssSnapshot snapshot;
  for (unsigned i = 0; i < 30; ++i)
    snapshot.push_back(Observation(i, "net" + std::to_string(10 + i), -50));
  return snapshot;
}

TEST(TerminalView, LaysOutByDisplayWidthAndScrolls) {
  testing::ListedTable shown;
  BssSnapshot snapshot = ThirtyNetworks();
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
  for (const auto& [width, height] : {std::pair{80, 24}, {160, 45}}) {
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

// A tick that changes only the countdown leaves the state alone, so only the title is drawn;
// a new cycle, a sort, a scroll or another size change it.
TEST(TerminalView, StateTellsWhenMoreThanTheTitleChanged) {
  testing::ListedTable shown;
  BssSnapshot snapshot = ThirtyNetworks();
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

// How the last query ended, in local time: when it ended, or the time its replayed line was
// recorded at, dated since a recording may be of another day.
TEST(TerminalView, StatusLineSaysWhenTheQueryRanOrWasRecorded) {
  // A zone an hour east of UTC, written out so that no time zone database is needed.
  const char* const saved = std::getenv("TZ");
  const std::string before = saved != nullptr ? saved : "";
  setenv("TZ", "CET-1", 1);
  tzset();
  constexpr int64_t kAt = 1'796'673'003'250;  // 2026-12-07T19:50:03.250Z
  const struct {
    QueryOutcome outcome;
    std::optional<int64_t> recordedMs;
    const char* text;
  } cases[] = {
      {QueryOutcome::kListed, std::nullopt, "listed at 20:50:03"},
      {QueryOutcome::kNoInterface, std::nullopt, "failed at 20:50:03: No interface"},
      {QueryOutcome::kListed, kAt - 86'400'000 - 1'000, "listed at 2026-12-06 20:50:02 (recorded)"},
      {QueryOutcome::kListFailed, 999, "failed at 1970-01-01 01:00:00 (recorded): No interface"},
      {QueryOutcome::kListed, -1, "listed at 1970-01-01 00:59:59 (recorded)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LastQueryText(c.outcome, "No interface", kAt, c.recordedMs), c.text);
  }
  if (saved != nullptr) {
    setenv("TZ", before.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
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
  for (const char* text :
       {"Up Down PgUp PgDn", "Left Right", "Home End", "0-9 a b p", "d g c", "F1", "?",
        "q Enter Escape", "0 index", "1 活动因子", "2 MAC地址", "3 S S I D", "4 信号强度 (dbm)",
        "9 Encryption", "a BeaconPeriod", "p Password"}) {
    EXPECT_NE(all.find(text), std::string::npos) << text << " in\n" << all;
  }
  // Each key sorts the column the help puts it beside.
  EXPECT_EQ(view.OnKey(Key::kNone, 'a', 80, 24).column, 10);
  EXPECT_EQ(view.OnKey(Key::kNone, '3', 80, 24).column, 3);
  EXPECT_EQ(view.OnKey(Key::kNone, 'p', 80, 24).column, 12);
}

// A list of rows by MAC and SSID alone, in the order given, as a refresh leaves it.
void ShowRows(MemoryListView& list, const std::vector<std::pair<std::string, std::string>>& rows) {
  list.DeleteAllRows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int row = list.InsertRow(static_cast<int>(i), std::to_string(i + 1), i);
    list.SetCellText(row, ColumnNumber(Column::kMac), rows[i].first);
    list.SetCellText(row, ColumnNumber(Column::kSsid), rows[i].second);
  }
}

// The cursor moves with Up, Down, Page Up/Down, Home and End; the rows scroll just enough to
// keep it in sight, and the screen marks its line.
TEST(TerminalView, CursorMovesAndTheRowsFollowIt) {
  testing::ListedTable shown;
  BssSnapshot snapshot = ThirtyNetworks();
  shown.Cycle(snapshot);
  TerminalView view(shown.list);
  view.Render("t", 80, 10);  // 7 rows in sight
  struct Step {
    Key key;
    int cursor, firstRow;
  };
  const Step steps[] = {
      {Key::kUp, 0, 0},   {Key::kDown, 1, 0},  {Key::kDown, 2, 0},   {Key::kPageDown, 8, 6},
      {Key::kDown, 9, 6}, {Key::kEnd, 29, 23}, {Key::kDown, 29, 23}, {Key::kPageUp, 23, 17},
      {Key::kUp, 22, 17}, {Key::kUp, 21, 17},  {Key::kHome, 0, 0},
  };
  for (const Step& step : steps) {
    view.OnKey(step.key, 0, 80, 10);
    const auto lines = view.Render("t", 80, 10);
    EXPECT_EQ(view.Cursor(), step.cursor) << static_cast<int>(step.key);
    EXPECT_EQ(view.FirstRow(), step.firstRow) << static_cast<int>(step.key);
    const TerminalView::Highlight mark = view.LastHighlight();
    EXPECT_EQ(mark.line, 2 + step.cursor - step.firstRow);
    EXPECT_EQ(mark.cells, 80);
    // The marked line is the cursor's row.
    EXPECT_EQ(
        lines[static_cast<std::size_t>(mark.line)].rfind(std::to_string(step.cursor + 1) + " ", 0),
        0u)
        << lines[static_cast<std::size_t>(mark.line)];
    EXPECT_EQ(view.CursorMac(), shown.list.CellText(step.cursor, ColumnNumber(Column::kMac)));
  }
}

// A refresh that puts the rows in another order leaves the cursor on its network, found by its
// MAC; when the network left the list, on the same line, within the rows that are left.
TEST(TerminalView, CursorStaysOnItsNetworkThroughARefresh) {
  MemoryListView list;
  SetUpColumns(list);
  ShowRows(list, {{"00 00 00 00 00 01", "a"},
                  {"00 00 00 00 00 02", "b"},
                  {"00 00 00 00 00 03", "c"},
                  {"00 00 00 00 00 04", "d"}});
  TerminalView view(list);
  view.Render("t", 80, 24);
  view.OnKey(Key::kDown, 0, 80, 24);
  view.OnKey(Key::kDown, 0, 80, 24);
  EXPECT_EQ(view.CursorMac(), "00 00 00 00 00 03");
  struct Refresh {
    std::vector<std::pair<std::string, std::string>> rows;
    int cursor;
    std::string mac;
  };
  const Refresh refreshes[] = {
      // Reordered: the network moved to the top, the cursor with it.
      {{{"00 00 00 00 00 03", "c"}, {"00 00 00 00 00 01", "a"}, {"00 00 00 00 00 02", "b"}},
       0,
       "00 00 00 00 00 03"},
      // A new network above it.
      {{{"00 00 00 00 00 09", "0"}, {"00 00 00 00 00 01", "a"}, {"00 00 00 00 00 03", "c"}},
       2,
       "00 00 00 00 00 03"},
      // Gone: the same line, now another network's.
      {{{"00 00 00 00 00 09", "0"}, {"00 00 00 00 00 01", "a"}, {"00 00 00 00 00 02", "b"}},
       2,
       "00 00 00 00 00 02"},
      // Fewer rows than the line: the last.
      {{{"00 00 00 00 00 07", "x"}}, 0, "00 00 00 00 00 07"},
  };
  for (const Refresh& refresh : refreshes) {
    ShowRows(list, refresh.rows);
    const auto lines = view.Render("t", 80, 24);
    EXPECT_EQ(view.Cursor(), refresh.cursor) << refresh.mac;
    EXPECT_EQ(view.CursorMac(), refresh.mac);
    EXPECT_EQ(view.LastHighlight().line, 2 + refresh.cursor);
  }
  // An empty list has no cursor; the network that comes back gets it again.
  ShowRows(list, {});
  view.Render("t", 80, 24);
  EXPECT_EQ(view.Cursor(), -1);
  EXPECT_EQ(view.LastHighlight().line, -1);
  ShowRows(list, {{"00 00 00 00 00 01", "a"}, {"00 00 00 00 00 07", "x"}});
  view.Render("t", 80, 24);
  EXPECT_EQ(view.Cursor(), 1);
}

// A sort marks its column's header with the direction, until the rows change again; the
// cursor keeps its network through the sort.
TEST(TerminalView, SortedColumnHeaderIsMarkedUntilTheNextRefresh) {
  testing::ListedTable shown;
  const BssSnapshot snapshot = {Observation(1, "cafe", -50), Observation(2, "bar", -70),
                                Observation(3, "deli", -60)};
  shown.Cycle(snapshot);
  TerminalView view(shown.list);
  view.Render("t", 80, 24);
  view.OnKey(Key::kDown, 0, 80, 24);
  const std::string mac = view.CursorMac();
  SortState state;
  for (const bool descending : {false, true}) {
    SortByColumn(shown.list, 3, state);
    view.MarkSorted(3, state.sortDescending != 0);
    EXPECT_EQ(state.sortDescending != 0, descending);
    const auto lines = view.Render("t", 80, 24);
    const std::string header = descending ? "S S I D v" : "S S I D ^";
    EXPECT_NE(lines[1].find(header), std::string::npos) << lines[1];
    EXPECT_EQ(view.CursorMac(), mac);
    EXPECT_EQ(shown.list.CellText(view.Cursor(), ColumnNumber(Column::kMac)), mac);
  }
  shown.Cycle(snapshot);
  const auto lines = view.Render("t", 80, 24);
  EXPECT_EQ(lines[1].find(" ^"), std::string::npos) << lines[1];
  EXPECT_EQ(lines[1].find(" v"), std::string::npos) << lines[1];
  EXPECT_NE(lines[1].find("S S I D  "), std::string::npos) << lines[1];
}

// The list and the store, fed the same queries as the program feeds them.
struct Air {
  void Cycle(const BssSnapshot& snapshot) {
    store.Record(QueryOutcome::kListed, snapshot);
    shown.Cycle(snapshot);
    store.Retain(shown.table);
  }
  testing::ListedTable shown;
  DetailsStore store;
};

BssObservation Beaconing(unsigned id, std::string_view ssid, int32_t rssi, uint32_t khz,
                         const testing::Bytes& ies) {
  BssObservation o = Observation(id, ssid, rssi, khz);
  o.capability = testing::kCapabilityEssPrivacy;
  o.ies = ies;
  return o;
}

// quorvan-lab heard at `labRssi` (or not at all), beside a network in each band and one whose
// reports carry no elements.
BssSnapshot ThreeBands(std::optional<int32_t> labRssi) {
  BssSnapshot snapshot = {
      Beaconing(2, "quorvan-5g", -60, 5180000, testing::Beacon5(testing::kRsnSae)),
      Beaconing(3, "quorvan-6g", -70, 5975000, testing::Beacon6(testing::kRsnOwe)),
      Observation(4, "cafe", -55, 2412000)};
  if (labRssi) {
    snapshot.push_back(
        Beaconing(1, "quorvan-lab", *labRssi, 2437000, testing::Beacon24(testing::kRsnPsk)));
  }
  return snapshot;
}

std::string Blanks(int cells) { return std::string(static_cast<std::size_t>(cells), ' '); }

std::string Padded(std::string text, int cells) {
  return text + Blanks(cells - DisplayWidth(text));
}

// Five cycles of quorvan-lab: -40, -50, not heard, -60, -60. The list shows cafe, quorvan-5g,
// quorvan-6g, quorvan-lab, in SSID order.
struct ThreeBandsAir : Air {
  ThreeBandsAir() {
    for (const std::optional<int32_t> lab :
         {std::optional<int32_t>(-40), std::optional<int32_t>(-50), std::optional<int32_t>(),
          std::optional<int32_t>(-60), std::optional<int32_t>(-60)}) {
      Cycle(ThreeBands(lab));
    }
  }
};

// Opens a view with its key on the list's row `row`, at 80 x 24.
std::vector<std::string> Open(TerminalView& view, int row, char key) {
  view.Render("t", 80, 24);
  view.OnKey(Key::kHome, 0, 80, 24);
  for (int i = 0; i < row; ++i) view.OnKey(Key::kDown, 0, 80, 24);
  EXPECT_EQ(view.OnKey(Key::kNone, key, 80, 24).kind, ViewAction::kRedraw);
  return view.Render("t", 80, 24);
}

void ExpectScreenOf80x24(const std::vector<std::string>& lines) {
  ASSERT_EQ(lines.size(), 24u);
  for (const auto& line : lines) EXPECT_EQ(DisplayWidth(line), 80) << line;
}

// "d": the decoded fields of the cursor's network, then its elements' bytes, scrolling; Escape
// or "d" again goes back to the list.
TEST(TerminalView, DetailsViewShowsTheDecodedFieldsAndTheElements) {
  ThreeBandsAir air;
  TerminalView view(air.shown.list);
  view.SetDetails(&air.store);
  auto lines = Open(view, 3, 'd');
  ExpectScreenOf80x24(lines);
  EXPECT_EQ(view.CurrentScreen(), TerminalView::Screen::kDetails);
  const testing::Bytes beacon = testing::Beacon24(testing::kRsnPsk);
  const std::size_t total = 11 + 2 + 2 * 13 + 4;  // fields, blank and count, 13 elements, wraps
  EXPECT_EQ(lines[1], Padded("Details of quorvan-lab  00 1A 2B 3C 00 01   lines 1-21 of " +
                                 std::to_string(total),
                             80));
  // The fields' own words are the details' business; here, where they and the elements go.
  const std::vector<std::pair<std::size_t, std::string>> expected = {
      {2, "Security:               WPA2-Personal"},
      {12, "Highest supported rate: 54 Mb/s"},
      {13, ""},
      {14, "Elements (13, " + std::to_string(beacon.size()) + " bytes)"},
      {15, "  0  SSID"},
      {16, "     71 75 6F 72 76 61 6E 2D 6C 61 62"},
  };
  for (const auto& [line, text] : expected) EXPECT_EQ(lines[line], Padded(text, 80)) << line;
  EXPECT_EQ(lines[23].rfind("Up Down PgUp PgDn scroll   d or Escape: the list", 0), 0u);
  // The last lines: WMM's 24 bytes, sixteen to a line.
  view.OnKey(Key::kEnd, 0, 80, 24);
  lines = view.Render("t", 80, 24);
  EXPECT_NE(lines[1].find("lines " + std::to_string(total - 20) + "-" + std::to_string(total) +
                          " of " + std::to_string(total)),
            std::string::npos)
      << lines[1];
  EXPECT_EQ(lines[20], Padded("221  Vendor Specific (Microsoft WMM)", 80));
  EXPECT_EQ(lines[21], Padded("     00 50 F2 02 01 01 00 00 03 A4 00 00 27 A4 00 00", 80));
  EXPECT_EQ(lines[22], Padded("     42 43 5E 00 62 32 2F 00", 80));
  view.OnKey(Key::kPageUp, 0, 80, 24);
  EXPECT_NE(view.Render("t", 80, 24)[1].find("lines 3-23 of"), std::string::npos);
  view.OnKey(Key::kNone, 'd', 80, 24);
  EXPECT_EQ(view.CurrentScreen(), TerminalView::Screen::kList);

  // A network whose reports carried no elements, and a view without a store.
  lines = Open(view, 0, 'd');
  EXPECT_EQ(lines[1], Padded("Details of cafe  00 1A 2B 3C 00 04", 80));
  EXPECT_EQ(lines[4], Padded("No report of this network carried its elements.", 80));
  EXPECT_EQ(view.OnKey(Key::kEscape, 0, 80, 24).kind, ViewAction::kRedraw);
  EXPECT_EQ(view.CurrentScreen(), TerminalView::Screen::kList);
  TerminalView bare(air.shown.list);
  EXPECT_EQ(Open(bare, 0, 'd')[2], Padded("Details are not kept here.", 80));
  // From a view, q quits; Escape back in the list quits too.
  EXPECT_EQ(bare.OnKey(Key::kNone, 'q', 80, 24).kind, ViewAction::kQuit);
  bare.OnKey(Key::kEscape, 0, 80, 24);
  EXPECT_EQ(bare.OnKey(Key::kEscape, 0, 80, 24).kind, ViewAction::kQuit);
}

// "g": the cursor's signal in braille, -20 dBm at the top, -100 at the bottom, now at the right
// edge, one cell across for two cycles; the unheard cycle leaves a gap.
TEST(TerminalView, SignalViewDrawsTheHistoryWithItsGap) {
  ThreeBandsAir air;
  TerminalView view(air.shown.list);
  view.SetDetails(&air.store);
  const auto lines = Open(view, 3, 'g');
  ExpectScreenOf80x24(lines);
  EXPECT_EQ(lines[1], Padded("Signal of quorvan-lab  00 1A 2B 3C 00 01   now -60 dBm", 80));
  // 19 lines of 4 dots for -20..-100 dBm, 75 cells of 2 dots for 90 cycles: -40 dBm four cycles
  // ago is dot 142 across, 19 down; -50 three ago at 144, 28; -60 one ago and now at 147 and
  // 149, 38. The line from -40 to -50 steps down dots 142, 143 and 144 of cells 71 and 72;
  // none joins -50 to -60 across the unheard cycle.
  const std::vector<std::pair<std::size_t, std::string>> graph = {
      {2, " -20┤" + Blanks(75)},
      {6, " -40┤" + Blanks(71) + "\u2840" + Blanks(3)},
      {7, "    │" + Blanks(71) + "\u28A3" + Blanks(3)},
      {8, "    │" + Blanks(71) + "\u2818\u2844" + Blanks(2)},
      {9, "    │" + Blanks(72) + "\u2801" + Blanks(2)},
      {10, "    │" + Blanks(75)},
      {11, " -60┤" + Blanks(73) + "\u2820\u2824"},
      {20, "-100┤" + Blanks(75)},
  };
  for (const auto& [line, text] : graph) EXPECT_EQ(lines[line], text) << line;
  EXPECT_EQ(lines[21].rfind("    └┴───", 0), 0u) << lines[21];
  EXPECT_EQ(lines[22],
            Padded("     30 min ago             20                       10", 77) + "now");
  // Up: the row above, quorvan-6g, always at -70 dBm.
  view.OnKey(Key::kUp, 0, 80, 24);
  const auto above = view.Render("t", 80, 24);
  EXPECT_EQ(above[1], Padded("Signal of quorvan-6g  00 1A 2B 3C 00 03   now -70 dBm", 80));
  EXPECT_EQ(above[13], "    │" + Blanks(71) + "\u28C0\u28C0\u28C0\u28C0") << above[13];
  view.OnKey(Key::kNone, 'g', 80, 24);
  EXPECT_EQ(view.CurrentScreen(), TerminalView::Screen::kList);
  EXPECT_EQ(view.CursorMac(), "00 1A 2B 3C 00 03");
}

// "c": one band at a time, each network a span over its channel width with its name and
// signal, the strongest on top, the cursor's reported for highlighting; Left and Right change
// the band.
TEST(TerminalView, ChannelViewSpansEachNetworkOverItsChannels) {
  ThreeBandsAir air;
  TerminalView view(air.shown.list);
  view.SetDetails(&air.store);
  auto lines = Open(view, 3, 'c');  // quorvan-lab: 2.4 GHz
  ExpectScreenOf80x24(lines);
  EXPECT_EQ(lines[1].rfind("Channels  2.4 GHz   2 networks heard   <- 5 GHz, 6 GHz ->", 0), 0u)
      << lines[1];
  // 2401..2495 MHz over cells 1..78: cafe on channel 1 (2402..2422 MHz), quorvan-lab on 6.
  EXPECT_EQ(lines[2], Padded("  [===cafe -55====]   [quorvan-lab -60=]", 80));
  EXPECT_EQ(lines[3], Blanks(80));
  EXPECT_EQ(lines[21].rfind(" ─────────┴───┴───┴", 0), 0u) << lines[21];
  EXPECT_EQ(lines[22].rfind("          1   2   3   4   5   6    7", 0), 0u) << lines[22];
  EXPECT_NE(lines[22].find("13        14"), std::string::npos) << lines[22];
  const TerminalView::Highlight lab = view.LastHighlight();
  EXPECT_EQ(lab.line, 2);
  EXPECT_EQ(CellSlice(lines[2], lab.firstCell, lab.cells), "[quorvan-lab -60=]");
  // 5 GHz: quorvan-5g's 80 MHz round 5210 MHz, too narrow for its name, which follows it.
  view.OnKey(Key::kRight, 0, 80, 24);
  lines = view.Render("t", 80, 24);
  EXPECT_EQ(lines[1].rfind("Channels  5 GHz   1 network heard   <- 6 GHz, 2.4 GHz ->", 0), 0u)
      << lines[1];
  EXPECT_EQ(lines[2], Padded("   [=======] quorvan-5g -60", 80));
  EXPECT_EQ(view.LastHighlight().line, -1);  // quorvan-lab is not in this band
  EXPECT_EQ(lines[22].rfind("    36  44  52   60", 0), 0u) << lines[22];
  view.OnKey(Key::kUp, 0, 80, 24);
  view.OnKey(Key::kUp, 0, 80, 24);  // quorvan-5g
  view.Render("t", 80, 24);
  EXPECT_EQ(view.LastHighlight().line, 2);
  EXPECT_EQ(view.LastHighlight().firstCell, 3);
  view.OnKey(Key::kLeft, 0, 80, 24);
  view.OnKey(Key::kLeft, 0, 80, 24);
  EXPECT_EQ(view.Render("t", 80, 24)[1].rfind("Channels  6 GHz   1 network heard", 0), 0u);
  view.OnKey(Key::kEscape, 0, 80, 24);
  EXPECT_EQ(view.CurrentScreen(), TerminalView::Screen::kList);
}

// Many networks in a band: those that fit the lines, the strongest first, and the count of
// those left out.
TEST(TerminalView, ChannelViewSaysHowManyDidNotFit) {
  Air air;
  BssSnapshot snapshot;
  for (unsigned i = 0; i < 40; ++i) {
    snapshot.push_back(Observation(i, "n" + std::to_string(i), -40 - static_cast<int>(i), 2437000));
  }
  air.Cycle(snapshot);
  TerminalView view(air.shown.list);
  view.SetDetails(&air.store);
  const auto lines = Open(view, 0, 'c');
  ExpectScreenOf80x24(lines);
  EXPECT_EQ(lines[1].rfind("Channels  2.4 GHz   40 networks heard, 19 shown", 0), 0u) << lines[1];
  EXPECT_NE(lines[2].find("n0 -40"), std::string::npos) << lines[2];
  EXPECT_NE(lines[20].find("n18 -58"), std::string::npos) << lines[20];
}
// Every view at the sizes where its parts give way, down to a single cell: as many lines as the
// terminal has, each exactly as wide, whatever is cut.
TEST(TerminalView, ViewsFitTerminalsOfAnySize) {
  ThreeBandsAir air;
  TerminalView view(air.shown.list);
  view.SetDetails(&air.store);
  for (const char key : {'d', 'g', 'c'}) {
    Open(view, 3, key);
    for (const int width : {1, 2, 10, 41, 200}) {
      for (const int height : {1, 3, 4, 24}) {
        const auto lines = view.Render("Quorvan_V20160130: oqli - 9", width, height);
        ASSERT_EQ(lines.size(), static_cast<std::size_t>(height)) << key << " " << width;
        for (const auto& line : lines) {
          EXPECT_EQ(DisplayWidth(line), width) << key << " " << width << "x" << height;
        }
        const TerminalView::Highlight mark = view.LastHighlight();
        if (mark.line >= 0) {
          EXPECT_LT(mark.line, height);
          EXPECT_LE(mark.firstCell + mark.cells, width);
        }
      }
    }
    view.OnKey(Key::kEscape, 0, 80, 24);
  }
}

}  // namespace
}  // namespace quorvan

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/memory_list_view.h"
#include "wlan/query_outcome.h"

namespace quorvan {

class DetailsStore;

// Terminal cells that UTF-8 text takes: two for East Asian wide characters, none for combining
// marks, one otherwise. Invalid bytes count one each (the list never shows any: SSIDs arrive
// escaped).
int DisplayWidth(std::string_view text);

// `text` cut to at most `cells`, with "~" where the cut is; a number whole or not at all.
std::string FitCells(std::string_view text, int cells);
// The cells [first, first + count) of `text`, exactly `count` cells: a wide character that
// either edge cuts becomes blanks.
std::string CellSlice(std::string_view text, int first, int count);

// Keys the terminal view understands, independent of the terminal library.
enum class Key {
  kNone,
  kUp,
  kDown,
  kLeft,
  kRight,
  kPageUp,
  kPageDown,
  kHome,
  kEnd,
  kEnter,
  kEscape,
  kF1,
  kResize,
};

// What the terminal view wants done after a key.
struct ViewAction {
  enum Kind { kNothing, kRedraw, kSortColumn, kAbout, kHelp, kQuit } kind = kNothing;
  int column = 0;  // for kSortColumn
};

// What the status line tells besides the rows: where the list comes from and how the last query
// ended.
struct ViewStatus {
  std::string interfaceName;    // the interface the queries read, or ""
  std::string lastQuery;        // how the last query ended, a few words: "listed", "failed"
  std::string emptyListReason;  // why the list is empty, shown while it has no row; or ""
  bool operator==(const ViewStatus&) const = default;
};

// How the last query ended, for ViewStatus::lastQuery, in local time: "listed at 14:03:27",
// "failed at 14:03:27: REASON" (`reason` as the window gives it), `nowMs` (ms since 1970) being
// when it ended. A replayed query whose line says when it ran (`recordedMs`) tells that time
// instead, with its date, since a recording may be of any day: "listed at 2026-12-07 19:50:03
// (recorded)".
std::string LastQueryText(QueryOutcome outcome, std::string_view reason, int64_t nowMs,
                          std::optional<int64_t> recordedMs);

// The list laid out for a terminal of `width` x `height` cells: the title line, the header
// line, the rows, and a status line at the bottom. Columns are as wide as their widest text.
// Index, activity, MAC and SSID stay at the left, as frozen columns do in a spreadsheet; the
// others scroll sideways a whole column at a time, so no column is ever cut at the left edge.
// Whatever the right edge cuts (a column, the title, the status line) ends in the mark "~", and
// a number is shown whole or not at all.
class TerminalView {
 public:
  static constexpr int kSsidColumnCells = 34;  // wider SSIDs are cut, with a mark
  static constexpr int kColumnGap = 2;
  static constexpr int kFrozenColumns = 4;  // index, activity, MAC, SSID

  explicit TerminalView(const MemoryListView& list) : list_(list) {}

  // The screen, one string per line, each exactly `width` cells wide.
  std::vector<std::string> Render(std::string_view title, int width, int height);

  // Its first line alone, as Render makes it.
  static std::string RenderTitle(std::string_view title, int width);

  // The help that "?" opens: every key, each column's sort key beside its header, the exit
  // keys. Lines of at most `width` cells.
  std::vector<std::string> HelpLines(int width) const;

  // What a screen shows apart from its title. Between two renders with the same state only
  // the title can differ, as it does on most ticks of the countdown, so only it need be drawn.
  struct State {
    uint64_t listVersion = 0;
    int width = 0, height = 0, firstRow = 0, firstColumn = 0;
    ViewStatus status;
    int cursor = 0;
    int screen = 0, screenScroll = 0, band = 0;
    bool sortMarkShown = false;
    bool operator==(const State&) const = default;
  };
  State StateFor(int width, int height) const {
    return {list_.Version(), width,   height,         firstRow_,
            firstColumn_,    status_, cursor_,        static_cast<int>(screen_),
            screenScroll_,   band_,   SortMarkShown()};
  }

  void SetStatus(ViewStatus status) { status_ = std::move(status); }

  // Where the details, signal and channel views read from (it must outlive the view); without
  // a store they say that nothing is kept.
  void SetDetails(const DetailsStore* store) { store_ = store; }

  // Handles a key or a printable character (`ch`, for kNone). In the list: Up/Down, Page
  // Up/Down, Home/End move the cursor row; Left/Right scroll the columns; 0-9, a, b, p sort by
  // that column; d, g, c open the details, the signal graph, the channel map of the cursor's
  // network; F1 opens About, ? the help; q, Enter and Escape quit. In a view: Escape or its key
  // goes back to the list, q quits.
  ViewAction OnKey(Key key, int ch, int width, int height);

  // The list was just sorted by `column` (a key or a click): its header carries the direction
  // until the rows change again, as a refresh puts them back in the table's order.
  void MarkSorted(int column, bool descending);

  // What the screen shows under its title.
  enum class Screen { kList, kDetails, kSignal, kChannels };
  Screen CurrentScreen() const { return screen_; }

  // The row under the cursor, -1 when the list is empty; and its MAC text.
  int Cursor() const { return list_.RowCount() == 0 ? -1 : cursor_; }
  const std::string& CursorMac() const { return cursorMac_; }

  // The cells the last Render wants drawn highlighted (the cursor row, or the cursor's network
  // on the channel map); line -1 for none.
  struct Highlight {
    int line = -1, firstCell = 0, cells = 0;
  };
  Highlight LastHighlight() const { return highlight_; }

  // Whether line `line` of the last Render, `height` lines high, shows a network not heard in
  // the last cycle: the refresh left its link quality cell blank. The terminal draws it dimmed.
  bool LineNotSeen(int line, int height) const;

  // The column whose header is at cell `x` of the header line, or -1.
  int ColumnAt(int x) const;

  static constexpr int kHeaderLine = 1;

  int FirstRow() const { return firstRow_; }
  // The first of the scrolling columns shown after the frozen ones.
  int FirstColumn() const { return firstColumn_; }

 private:
  void Layout(int width);
  // After the rows changed: the cursor back on its network, found by MAC, or at its place
  // clamped when the network left.
  void FollowCursor();
  void SetCursor(int row);
  bool SortMarkShown() const { return sortMarkVersion_ && *sortMarkVersion_ == list_.Version(); }
  std::vector<std::string> HeaderCells() const;
  std::vector<std::string> RenderScreen(std::string_view title, int width, int height);
  std::string ScreenHeading() const;
  std::string ScreenHints() const;
  std::vector<std::string> ScreenBody(int width, int rows);
  ViewAction OnScreenKey(Key key, int ch, int width, int height);
  int RowsVisible(int height) const { return height > 3 ? height - 3 : 0; }
  int FrozenCells() const;
  // The largest FirstColumn that still has something to show: the last columns fit from it.
  int LastFirstColumn(int width) const;
  // The columns shown at `width`, left to right.
  std::vector<int> ShownColumns(int width) const;
  std::string Line(const std::vector<std::string>& cells, int width) const;
  std::string StatusLine(int visible) const;
  void Clamp(int width, int height);

  const MemoryListView& list_;
  std::vector<int> widths_;  // per column, in cells
  int firstRow_ = 0;
  int firstColumn_ = 0;
  ViewStatus status_;
  int cursor_ = 0;
  std::string cursorMac_;
  uint64_t followedVersion_ = 0;
  int sortColumn_ = 0;
  bool sortDescending_ = false;
  std::optional<uint64_t> sortMarkVersion_;  // the list's version the mark belongs to
  Screen screen_ = Screen::kList;
  int screenScroll_ = 0;  // the details view's first line
  int band_ = 0;          // of kMapBands
  const DetailsStore* store_ = nullptr;
  Highlight highlight_;
};

}  // namespace quorvan

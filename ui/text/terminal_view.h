#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/memory_list_view.h"

namespace quorvan {

// Terminal cells that UTF-8 text takes: two for East Asian wide characters, none for combining
// marks, one otherwise. Invalid bytes count one each (the list never shows any: SSIDs arrive
// escaped).
int DisplayWidth(std::string_view text);

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
  enum Kind { kNothing, kRedraw, kSortColumn, kAbout, kQuit } kind = kNothing;
  int column = 0;  // for kSortColumn
};

// The list laid out for a terminal of `width` x `height` cells: the title line, the header
// line, the rows, and a line of key help at the bottom. Columns are as wide as their widest
// text; the view scrolls over rows and cells when the list does not fit.
class TerminalView {
 public:
  static constexpr int kSsidColumnCells = 34;  // wider SSIDs are cut, with a mark
  static constexpr int kColumnGap = 2;

  explicit TerminalView(const MemoryListView& list) : list_(list) {}

  // The screen, one string per line, each exactly `width` cells wide.
  std::vector<std::string> Render(std::string_view title, int width, int height);

  // Its first line alone, as Render makes it.
  static std::string RenderTitle(std::string_view title, int width);

  // What a screen shows apart from its title. Between two renders with the same state only
  // the title can differ, as it does on most ticks of the countdown, so only it need be drawn.
  struct State {
    uint64_t listVersion = 0;
    int width = 0, height = 0, firstRow = 0, firstCell = 0;
    std::string emptyListReason;
    bool operator==(const State&) const = default;
  };
  State StateFor(int width, int height) const {
    return {list_.Version(), width, height, firstRow_, firstCell_, emptyListReason_};
  }

  // Why the list is empty; shown on the status line, in place of the row count, while there is
  // no row. "" when there is nothing to say.
  void SetEmptyListReason(std::string reason) { emptyListReason_ = std::move(reason); }

  // Handles a key or a printable character (`ch`, for kNone); keys: arrows, Page Up/Down,
  // Home/End scroll; 0-9, a, b, c sort by that column; F1 or ? opens About; q, Enter and Escape
  // quit.
  ViewAction OnKey(Key key, int ch, int width, int height);

  // The column whose header is at cell `x` of the header line, or -1.
  int ColumnAt(int x) const;

  static constexpr int kHeaderLine = 1;

  int FirstRow() const { return firstRow_; }
  int FirstCell() const { return firstCell_; }

 private:
  void Layout();
  int RowsVisible(int height) const { return height > 3 ? height - 3 : 0; }
  int TotalCells() const;
  std::string Line(const std::vector<std::string>& cells, int width) const;
  void Clamp(int width, int height);

  const MemoryListView& list_;
  std::vector<int> widths_;  // per column, in cells
  int firstRow_ = 0;
  int firstCell_ = 0;
  std::string emptyListReason_;
};

}  // namespace quorvan

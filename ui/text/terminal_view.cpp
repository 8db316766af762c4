#include "ui/text/terminal_view.h"

#include <algorithm>
#include <cstdio>

#include "base/utf8.h"
#include "ui/network_list.h"

namespace quorvan {
namespace {

// Decodes one UTF-8 sequence at `s[i]`; an invalid byte counts as one character of its own.
std::size_t Decode(std::string_view s, std::size_t i, char32_t& code) {
  const std::size_t length = Utf8SequenceAt(s, i, code);
  if (length != 0) return length;
  code = 0xFFFD;
  return 1;
}

int CellsOf(char32_t c) {
  if ((c >= 0x0300 && c <= 0x036F) || (c >= 0x200B && c <= 0x200F) || c == 0xFE0F) return 0;
  const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
                    (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
                    (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
                    (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                    (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                    (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
                    (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
  return wide ? 2 : 1;
}

// The cells [first, first + count) of `text`, padded with blanks; a wide character cut by
// either edge becomes blanks, so the result is always exactly `count` cells.
std::string Slice(std::string_view text, int first, int count) {
  std::string out;
  int cell = 0;
  const int last = first + count;
  for (std::size_t i = 0; i < text.size() && cell < last;) {
    char32_t code;
    const std::size_t length = Decode(text, i, code);
    const int cells = CellsOf(code);
    if (cell >= first && cell + cells <= last) {
      out.append(text.substr(i, length));
    } else if (cell + cells > first && cell < last) {
      out.append(static_cast<std::size_t>(std::min(cell + cells, last) - std::max(cell, first)),
                 ' ');
    }
    cell += cells;
    i += length;
  }
  out.append(static_cast<std::size_t>(std::max(0, last - std::max(cell, first))), ' ');
  return out;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// `text` cut to at most `cells`, with "~" where the cut is. Whole characters stand before the
// mark, blanks of the text included, and a number whole or not at all: " 149  5745000" cut to 6
// cells reads " 149 ~", to 3 cells " ~", never " 1~" or a silent " 14".
std::string Fit(std::string_view text, int cells) {
  if (cells <= 0) return {};
  if (DisplayWidth(text) <= cells) return std::string(text);
  std::string cut;
  std::size_t i = 0;
  for (int used = 0; i < text.size();) {
    char32_t code;
    const std::size_t length = Decode(text, i, code);
    used += CellsOf(code);
    if (used > cells - 1) break;
    cut.append(text.substr(i, length));
    i += length;
  }
  if (i < text.size() && IsDigit(text[i])) {
    while (!cut.empty() && IsDigit(cut.back())) cut.pop_back();
  }
  return cut + "~";
}

// `text` in exactly `cells` cells: cut with the mark, or padded with blanks.
std::string FitPadded(std::string_view text, int cells) {
  std::string out = Fit(text, cells);
  out.append(static_cast<std::size_t>(std::max(0, cells - DisplayWidth(out))), ' ');
  return out;
}

}  // namespace

int DisplayWidth(std::string_view text) {
  int cells = 0;
  for (std::size_t i = 0; i < text.size();) {
    char32_t code;
    i += Decode(text, i, code);
    cells += CellsOf(code);
  }
  return cells;
}

void TerminalView::Layout(int width) {
  const auto& columns = list_.Columns();
  widths_.assign(columns.size(), 0);
  for (std::size_t c = 0; c < columns.size(); ++c) widths_[c] = DisplayWidth(columns[c].header);
  for (int row = 0; row < list_.RowCount(); ++row) {
    const auto cells = list_.Row(row);
    for (std::size_t c = 0; c < cells.size() && c < widths_.size(); ++c) {
      widths_[c] = std::max(widths_[c], DisplayWidth(cells[c]));
    }
  }
  // The SSID gives up width on a narrow terminal, so that one scrolling column still shows
  // beside the frozen ones: at 80 cells, the signal history.
  const auto ssid = static_cast<std::size_t>(ColumnNumber(Column::kSsid));
  if (widths_.size() > ssid) {
    int others = 0;
    for (std::size_t c = 0; c < ssid; ++c) others += widths_[c] + kColumnGap;
    const int room = width - others - kColumnGap - 16;
    widths_[ssid] = std::min(widths_[ssid], std::clamp(room, 10, kSsidColumnCells));
  }
}

int TerminalView::FrozenCells() const {
  int cells = 0;
  for (int c = 0; c < kFrozenColumns && c < static_cast<int>(widths_.size()); ++c) {
    cells += widths_[c] + kColumnGap;
  }
  return cells;
}

int TerminalView::LastFirstColumn(int width) const {
  const int scrolling = static_cast<int>(widths_.size()) - kFrozenColumns;
  int room = width - FrozenCells();
  int first = scrolling;
  while (first > 0 && room >= widths_[kFrozenColumns + first - 1]) {
    room -= widths_[kFrozenColumns + first - 1] + kColumnGap;
    --first;
  }
  // Everything from `first` on fits; when even the last column alone does not, it is the
  // one to show.
  return std::max(0, std::min(first, scrolling - 1));
}

std::vector<int> TerminalView::ShownColumns(int width) const {
  std::vector<int> shown;
  int cells = 0;
  for (int c = 0; c < static_cast<int>(widths_.size()) && cells < width; ++c) {
    if (c >= kFrozenColumns && c < kFrozenColumns + firstColumn_) continue;
    shown.push_back(c);
    cells += widths_[c] + kColumnGap;
  }
  return shown;
}

std::string TerminalView::Line(const std::vector<std::string>& cells, int width) const {
  std::string line;
  int used = 0;
  for (const int c : ShownColumns(width)) {
    // The column the right edge falls in is cut there, with the mark, like a long SSID: cut
    // silently, a channel 149 would read 14 and a beacon period of 200 would read 20.
    const int room = std::min(widths_[c], width - used);
    line += FitPadded(c < static_cast<int>(cells.size()) ? cells[c] : std::string(), room);
    line.append(static_cast<std::size_t>(kColumnGap), ' ');
    used += room + kColumnGap;
  }
  return Slice(line, 0, width);
}

void TerminalView::Clamp(int width, int height) {
  firstRow_ = std::clamp(firstRow_, 0, std::max(0, list_.RowCount() - RowsVisible(height)));
  firstColumn_ = std::clamp(firstColumn_, 0, LastFirstColumn(width));
}

std::string TerminalView::RenderTitle(std::string_view title, int width) {
  // Cut with the mark too: "oqli - 1" for 19 would be a wrong count.
  return width <= 0 ? std::string() : FitPadded(title, width);
}

std::string TerminalView::StatusLine(int visible) const {
  std::string line;
  if (!status_.interfaceName.empty()) line += status_.interfaceName + "  ";
  const int rows = list_.RowCount();
  if (rows == 0 && !status_.emptyListReason.empty()) {
    line += status_.emptyListReason;
  } else {
    char text[96];
    std::snprintf(text, sizeof text, "%d network%s", rows, rows == 1 ? "" : "s");
    line += text;
    if (!status_.lastQuery.empty()) line += ", last query " + status_.lastQuery;
    std::snprintf(text, sizeof text, "   rows %d-%d", rows == 0 ? 0 : firstRow_ + 1,
                  std::min(rows, firstRow_ + visible));
    line += text;
  }
  return line + "   ? keys  q quit";
}

std::vector<std::string> TerminalView::Render(std::string_view title, int width, int height) {
  Layout(width);
  Clamp(width, height);
  std::vector<std::string> lines;
  if (width <= 0 || height <= 0) return lines;
  lines.push_back(RenderTitle(title, width));
  if (height > 1) {
    lines.push_back(Line(list_.Headers(), width));
  }
  const int visible = RowsVisible(height);
  for (int i = 0; i < visible; ++i) {
    const int row = firstRow_ + i;
    lines.push_back(row < list_.RowCount() ? Line(list_.Row(row), width)
                                           : std::string(static_cast<std::size_t>(width), ' '));
  }
  if (height > 2) lines.push_back(FitPadded(StatusLine(visible), width));
  return lines;
}

std::vector<std::string> TerminalView::HelpLines(int width) const {
  std::vector<std::string> lines = {
      "Keys",
      "",
      "Up Down PgUp PgDn   move through the rows",
      "Left Right          scroll the columns right of S S I D",
      "Home End            first row and column, last row",
      "0-9 a b c           sort by a column; again: the other way",
      "click a header      sort by that column",
      "F1                  About",
      "?                   this help",
      "q Enter Escape      quit",
      "",
      "Sort keys",
  };
  // Each column's key beside its header, as many to a line as fit.
  const auto& columns = list_.Columns();
  std::string line;
  for (std::size_t c = 0; c < columns.size(); ++c) {
    const char key = c < 10 ? static_cast<char>('0' + c) : static_cast<char>('a' + c - 10);
    std::string entry = std::string(1, key) + " " + columns[c].header;
    const int cells = 20;
    entry.append(static_cast<std::size_t>(std::max(1, cells - DisplayWidth(entry))), ' ');
    if (!line.empty() && DisplayWidth(line) + DisplayWidth(entry) > std::max(width, cells)) {
      lines.push_back(line);
      line.clear();
    }
    line += entry;
  }
  if (!line.empty()) lines.push_back(line);
  lines.push_back("");
  lines.push_back("any key closes this help");
  for (std::string& text : lines) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    text = Fit(text, width);
  }
  return lines;
}

ViewAction TerminalView::OnKey(Key key, int ch, int width, int height) {
  const int page = std::max(1, RowsVisible(height) - 1);
  switch (key) {
    case Key::kUp:
      --firstRow_;
      break;
    case Key::kDown:
      ++firstRow_;
      break;
    case Key::kPageUp:
      firstRow_ -= page;
      break;
    case Key::kPageDown:
      firstRow_ += page;
      break;
    case Key::kLeft:
      --firstColumn_;
      break;
    case Key::kRight:
      ++firstColumn_;
      break;
    case Key::kHome:
      firstRow_ = 0;
      firstColumn_ = 0;
      break;
    case Key::kEnd:
      firstRow_ = list_.RowCount();
      break;
    case Key::kResize:
      break;
    case Key::kF1:
      return {ViewAction::kAbout};
    case Key::kEnter:
    case Key::kEscape:
      return {ViewAction::kQuit};
    case Key::kNone:
      if (ch >= '0' && ch <= '9') return {ViewAction::kSortColumn, ch - '0'};
      if (ch >= 'a' && ch <= 'c') return {ViewAction::kSortColumn, 10 + ch - 'a'};
      if (ch == '?') return {ViewAction::kHelp};
      if (ch == 'q' || ch == 'Q') return {ViewAction::kQuit};
      return {ViewAction::kNothing};
  }
  Layout(width);
  Clamp(width, height);
  return {ViewAction::kRedraw};
}

bool TerminalView::LineNotSeen(int line, int height) const {
  const int shown = line - 2;  // after the title and the header
  if (shown < 0 || shown >= RowsVisible(height)) return false;
  const int row = firstRow_ + shown;
  return row < list_.RowCount() && list_.CellText(row, ColumnNumber(Column::kLinkQuality)).empty();
}

int TerminalView::ColumnAt(int x) const {
  int cell = 0;
  for (int c = 0; c < static_cast<int>(widths_.size()); ++c) {
    if (c >= kFrozenColumns && c < kFrozenColumns + firstColumn_) continue;
    const int next = cell + widths_[c] + kColumnGap;
    if (x >= cell && x < next) return c;
    cell = next;
  }
  return -1;
}

}  // namespace quorvan

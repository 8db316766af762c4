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

// `text` cut to `cells`, with "~" marking a cut.
std::string Fit(std::string_view text, int cells) {
  if (DisplayWidth(text) <= cells) return std::string(text);
  std::string cut = Slice(text, 0, cells - 1);
  while (!cut.empty() && cut.back() == ' ') cut.pop_back();
  return cut + "~";
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

void TerminalView::Layout() {
  const auto& columns = list_.Columns();
  widths_.assign(columns.size(), 0);
  for (std::size_t c = 0; c < columns.size(); ++c) widths_[c] = DisplayWidth(columns[c].header);
  for (int row = 0; row < list_.RowCount(); ++row) {
    const auto cells = list_.Row(row);
    for (std::size_t c = 0; c < cells.size() && c < widths_.size(); ++c) {
      widths_[c] = std::max(widths_[c], DisplayWidth(cells[c]));
    }
  }
  const auto ssid = static_cast<std::size_t>(ColumnNumber(Column::kSsid));
  if (widths_.size() > ssid) widths_[ssid] = std::min(widths_[ssid], kSsidColumnCells);
}

int TerminalView::TotalCells() const {
  int total = 0;
  for (int w : widths_) total += w + kColumnGap;
  return total;
}

std::string TerminalView::Line(const std::vector<std::string>& cells, int width) const {
  std::string line;
  for (std::size_t c = 0; c < widths_.size(); ++c) {
    const std::string text = c < cells.size() ? Fit(cells[c], widths_[c]) : std::string();
    line += text;
    line.append(static_cast<std::size_t>(widths_[c] - DisplayWidth(text) + kColumnGap), ' ');
  }
  return Slice(line, firstCell_, width);
}

void TerminalView::Clamp(int width, int height) {
  firstRow_ = std::clamp(firstRow_, 0, std::max(0, list_.RowCount() - RowsVisible(height)));
  firstCell_ = std::clamp(firstCell_, 0, std::max(0, TotalCells() - width));
}

std::string TerminalView::RenderTitle(std::string_view title, int width) {
  return width <= 0 ? std::string() : Slice(title, 0, width);
}

std::vector<std::string> TerminalView::Render(std::string_view title, int width, int height) {
  Layout();
  Clamp(width, height);
  std::vector<std::string> lines;
  if (width <= 0 || height <= 0) return lines;
  lines.push_back(RenderTitle(title, width));
  if (height > 1) {
    std::vector<std::string> headers;
    for (const auto& column : list_.Columns()) headers.push_back(column.header);
    lines.push_back(Line(headers, width));
  }
  const int visible = RowsVisible(height);
  for (int i = 0; i < visible; ++i) {
    const int row = firstRow_ + i;
    lines.push_back(row < list_.RowCount() ? Line(list_.Row(row), width)
                                           : std::string(static_cast<std::size_t>(width), ' '));
  }
  if (height > 2) {
    std::string status;
    if (list_.RowCount() == 0 && !emptyListReason_.empty()) {
      status = emptyListReason_;
    } else {
      char rows[64];
      std::snprintf(rows, sizeof rows, "rows %d-%d of %d",
                    list_.RowCount() == 0 ? 0 : firstRow_ + 1,
                    std::min(list_.RowCount(), firstRow_ + visible), list_.RowCount());
      status = rows;
    }
    status += "   q quit   0-9 a b c sort   arrows scroll   F1 ? about";
    lines.push_back(Slice(status, 0, width));
  }
  return lines;
}

ViewAction TerminalView::OnKey(Key key, int ch, int width, int height) {
  const int page = std::max(1, RowsVisible(height) - 1);
  const int step = std::max(1, width / 4);
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
      firstCell_ -= step;
      break;
    case Key::kRight:
      firstCell_ += step;
      break;
    case Key::kHome:
      firstRow_ = 0;
      firstCell_ = 0;
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
      if (ch == '?') return {ViewAction::kAbout};
      if (ch == 'q' || ch == 'Q') return {ViewAction::kQuit};
      return {ViewAction::kNothing};
  }
  Layout();
  Clamp(width, height);
  return {ViewAction::kRedraw};
}

int TerminalView::ColumnAt(int x) const {
  int cell = -firstCell_;
  for (std::size_t c = 0; c < widths_.size(); ++c) {
    const int next = cell + widths_[c] + kColumnGap;
    if (x >= cell && x < next) return static_cast<int>(c);
    cell = next;
  }
  return -1;
}

}  // namespace quorvan

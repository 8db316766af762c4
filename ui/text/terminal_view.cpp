#include "ui/text/terminal_view.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <ctime>

#include "base/utf8.h"
#include "details/details_store.h"
#include "ui/network_list.h"
#include "ui/text/terminal_screens.h"

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

// The key that sorts by `column`: its number, then letters, the last column's "p" (for
// Password) because "c" opens the channel map.
char SortKeyOf(int column) {
  if (column < 10) return static_cast<char>('0' + column);
  if (column == 12) return 'p';
  return static_cast<char>('a' + column - 10);
}

int ColumnOfSortKey(int ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch == 'a' || ch == 'b') return 10 + ch - 'a';
  if (ch == 'p') return 12;
  return -1;
}

}  // namespace

std::string FitCells(std::string_view text, int cells) { return Fit(text, cells); }

std::string CellSlice(std::string_view text, int first, int count) {
  return Slice(text, first, count);
}

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
  const auto headers = HeaderCells();
  for (std::size_t c = 0; c < columns.size(); ++c) widths_[c] = DisplayWidth(headers[c]);
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

std::vector<std::string> TerminalView::HeaderCells() const {
  std::vector<std::string> headers = list_.Headers();
  if (SortMarkShown() && sortColumn_ >= 0 && sortColumn_ < static_cast<int>(headers.size())) {
    headers[static_cast<std::size_t>(sortColumn_)] += sortDescending_ ? " v" : " ^";
  }
  return headers;
}

void TerminalView::MarkSorted(int column, bool descending) {
  sortColumn_ = column;
  sortDescending_ = descending;
  sortMarkVersion_ = list_.Version();
}

void TerminalView::SetCursor(int row) {
  const int rows = list_.RowCount();
  cursor_ = std::clamp(row, 0, std::max(0, rows - 1));
  if (rows > 0) cursorMac_ = list_.CellText(cursor_, ColumnNumber(Column::kMac));
}

void TerminalView::FollowCursor() {
  if (followedVersion_ == list_.Version()) return;
  followedVersion_ = list_.Version();
  const int mac = ColumnNumber(Column::kMac);
  if (!cursorMac_.empty()) {
    for (int row = 0; row < list_.RowCount(); ++row) {
      if (list_.CellText(row, mac) == cursorMac_) {
        cursor_ = row;
        return;
      }
    }
  }
  SetCursor(cursor_);
}

void TerminalView::Clamp(int width, int height) {
  FollowCursor();
  SetCursor(cursor_);
  // The rows scroll just enough to keep the cursor in sight.
  const int visible = RowsVisible(height);
  if (visible > 0) {
    firstRow_ = std::min(firstRow_, cursor_);
    firstRow_ = std::max(firstRow_, cursor_ - visible + 1);
  }
  firstRow_ = std::clamp(firstRow_, 0, std::max(0, list_.RowCount() - RowsVisible(height)));
  firstColumn_ = std::clamp(firstColumn_, 0, LastFirstColumn(width));
}

std::string LastQueryText(QueryOutcome outcome, std::string_view reason, int64_t nowMs,
                          std::optional<int64_t> recordedMs) {
  const int64_t ms = recordedMs.value_or(nowMs);
  // Whole seconds toward the past, so that 19:50:03.999 is still 19:50:03.
  const auto seconds = static_cast<std::time_t>(ms / 1000 - (ms % 1000 < 0 ? 1 : 0));
  std::tm local = {};
  char time[32] = "?";
  if (localtime_r(&seconds, &local) == nullptr ||
      std::strftime(time, sizeof time, recordedMs ? "%Y-%m-%d %H:%M:%S" : "%H:%M:%S", &local) ==
          0) {
    std::snprintf(time, sizeof time, "?");
  }
  std::string text = outcome == QueryOutcome::kListed ? "listed at " : "failed at ";
  text += time;
  if (recordedMs) text += " (recorded)";
  if (outcome != QueryOutcome::kListed) {
    text += ": ";
    text += reason;
  }
  return text;
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
  highlight_ = {};
  if (screen_ != Screen::kList) return RenderScreen(title, width, height);
  std::vector<std::string> lines;
  if (width <= 0 || height <= 0) return lines;
  lines.push_back(RenderTitle(title, width));
  if (height > 1) {
    lines.push_back(Line(HeaderCells(), width));
  }
  const int visible = RowsVisible(height);
  if (list_.RowCount() > 0 && visible > 0) highlight_ = {2 + cursor_ - firstRow_, 0, width};
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
      "Up Down PgUp PgDn   move the cursor through the rows",
      "Left Right          scroll the columns right of S S I D",
      "Home End            first row and column, last row",
      "0-9 a b p           sort by a column; again: the other way",
      "click a header      sort by that column",
      "d g c               the cursor's details, signal, channel map; Escape: back",
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
    const char key = SortKeyOf(static_cast<int>(c));
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
  Layout(width);
  Clamp(width, height);
  if (screen_ != Screen::kList) return OnScreenKey(key, ch, width, height);
  const int page = std::max(1, RowsVisible(height) - 1);
  switch (key) {
    case Key::kUp:
      SetCursor(cursor_ - 1);
      break;
    case Key::kDown:
      SetCursor(cursor_ + 1);
      break;
    case Key::kPageUp:
      firstRow_ -= page;
      SetCursor(cursor_ - page);
      break;
    case Key::kPageDown:
      firstRow_ += page;
      SetCursor(cursor_ + page);
      break;
    case Key::kLeft:
      --firstColumn_;
      break;
    case Key::kRight:
      ++firstColumn_;
      break;
    case Key::kHome:
      SetCursor(0);
      firstColumn_ = 0;
      break;
    case Key::kEnd:
      SetCursor(list_.RowCount() - 1);
      break;
    case Key::kResize:
      break;
    case Key::kF1:
      return {ViewAction::kAbout};
    case Key::kEnter:
    case Key::kEscape:
      return {ViewAction::kQuit};
    case Key::kNone: {
      const int column = ColumnOfSortKey(ch);
      if (column >= 0) return {ViewAction::kSortColumn, column};
      if (ch == 'd' || ch == 'g' || ch == 'c') {
        screen_ = ch == 'd' ? Screen::kDetails : ch == 'g' ? Screen::kSignal : Screen::kChannels;
        screenScroll_ = 0;
        // The map opens on the band of the cursor's network.
        const BssInfo* info = store_ != nullptr ? store_->Find(cursorMac_) : nullptr;
        for (int b = 0; info != nullptr && b < static_cast<int>(std::size(kMapBands)); ++b) {
          if (ieee80211::BandOfFrequency(info->frequencyKhz) == kMapBands[b]) band_ = b;
        }
        return {ViewAction::kRedraw};
      }
      if (ch == '?') return {ViewAction::kHelp};
      if (ch == 'q' || ch == 'Q') return {ViewAction::kQuit};
      return {ViewAction::kNothing};
    }
  }
  Layout(width);
  Clamp(width, height);
  return {ViewAction::kRedraw};
}

ViewAction TerminalView::OnScreenKey(Key key, int ch, int width, int height) {
  const int rows = std::max(1, height - 3);
  const char own = screen_ == Screen::kDetails ? 'd' : screen_ == Screen::kSignal ? 'g' : 'c';
  const bool scrolls = screen_ == Screen::kDetails;
  switch (key) {
    case Key::kEscape:
      screen_ = Screen::kList;
      break;
    case Key::kUp:
    case Key::kDown:
      // The details scroll; the graph and the map step to the row above or below.
      if (scrolls) {
        screenScroll_ += key == Key::kUp ? -1 : 1;
      } else {
        SetCursor(cursor_ + (key == Key::kUp ? -1 : 1));
      }
      break;
    case Key::kPageUp:
    case Key::kPageDown:
      if (scrolls) screenScroll_ += (key == Key::kPageUp ? -1 : 1) * std::max(1, rows - 1);
      break;
    case Key::kHome:
    case Key::kEnd:
      if (scrolls) screenScroll_ = key == Key::kHome ? 0 : INT_MAX / 2;
      break;
    case Key::kLeft:
    case Key::kRight:
      if (screen_ == Screen::kChannels) {
        const int bands = static_cast<int>(std::size(kMapBands));
        band_ = (band_ + (key == Key::kLeft ? bands - 1 : 1)) % bands;
      }
      break;
    case Key::kF1:
      return {ViewAction::kAbout};
    case Key::kNone:
      if (ch == own) {
        screen_ = Screen::kList;
      } else if (ch == 'd' || ch == 'g' || ch == 'c') {
        screen_ = ch == 'd' ? Screen::kDetails : ch == 'g' ? Screen::kSignal : Screen::kChannels;
        screenScroll_ = 0;
      } else if (ch == '?') {
        return {ViewAction::kHelp};
      } else if (ch == 'q' || ch == 'Q') {
        return {ViewAction::kQuit};
      } else {
        return {ViewAction::kNothing};
      }
      break;
    default:
      break;
  }
  if (scrolls) {
    const int lines = store_ != nullptr
                          ? static_cast<int>(DetailsLines(store_->Find(cursorMac_), width).size())
                          : 1;
    screenScroll_ = std::clamp(screenScroll_, 0, std::max(0, lines - rows));
  }
  Clamp(width, height);
  return {ViewAction::kRedraw};
}

std::vector<std::string> TerminalView::RenderScreen(std::string_view title, int width, int height) {
  std::vector<std::string> lines;
  if (width <= 0 || height <= 0) return lines;
  lines.push_back(RenderTitle(title, width));
  const int rows = std::max(0, height - 3);
  const bool hasRow = list_.RowCount() > 0;
  const BssInfo* info = store_ != nullptr && hasRow ? store_->Find(cursorMac_) : nullptr;
  const std::string ssid =
      hasRow ? list_.CellText(cursor_, ColumnNumber(Column::kSsid)) : std::string();
  const std::string network = !hasRow        ? std::string("no network")
                              : ssid.empty() ? cursorMac_
                                             : ssid + "  " + cursorMac_;
  std::string heading;
  std::string hints;
  std::vector<std::string> body;
  switch (screen_) {
    case Screen::kDetails: {
      heading = "Details of " + network;
      hints = "Up Down PgUp PgDn scroll   d or Escape: the list   q quit";
      if (store_ == nullptr) {
        body = {"Details are not kept here."};
      } else if (hasRow) {
        const auto all = DetailsLines(info, width);
        screenScroll_ =
            std::clamp(screenScroll_, 0, std::max(0, static_cast<int>(all.size()) - rows));
        for (int i = screenScroll_; i < static_cast<int>(all.size()) && i - screenScroll_ < rows;
             ++i) {
          body.push_back(all[static_cast<std::size_t>(i)]);
        }
        if (static_cast<int>(all.size()) > rows) {
          char range[64];
          std::snprintf(range, sizeof range, "   lines %d-%d of %d", screenScroll_ + 1,
                        std::min(static_cast<int>(all.size()), screenScroll_ + rows),
                        static_cast<int>(all.size()));
          heading += range;
        }
      }
      break;
    }
    case Screen::kSignal: {
      heading = "Signal of " + network;
      hints = "Up Down another row   g or Escape: the list   q quit";
      if (store_ == nullptr) {
        body = {"Signal histories are not kept here."};
      } else if (info != nullptr) {
        const auto latest = info->signal.Latest();
        char now[48];
        if (latest) {
          std::snprintf(now, sizeof now, "   now %d dBm", static_cast<int>(*latest));
        } else {
          std::snprintf(now, sizeof now, "   not heard in the last cycle");
        }
        heading += now;
        body = SignalGraphLines(info->signal, width, rows);
      } else if (hasRow) {
        body = {"Nothing is known of this network yet."};
      }
      break;
    }
    case Screen::kChannels: {
      const ieee80211::Band band = kMapBands[band_];
      heading = "Channels  " + std::string(BandName(band));
      hints = "Left Right band   Up Down another row   c or Escape: the list   q quit";
      if (store_ == nullptr) {
        body = {"Channels are not kept here."};
        break;
      }
      const ChannelLanes map =
          ChannelMapLines(*store_, band, hasRow ? cursorMac_ : "", width, rows);
      char count[96];
      std::snprintf(count, sizeof count, "   %d network%s heard", map.networks,
                    map.networks == 1 ? "" : "s");
      heading += count;
      if (map.shown < map.networks) {
        std::snprintf(count, sizeof count, ", %d shown", map.shown);
        heading += count;
      }
      heading += "   <- ";
      for (int b = 1; b < static_cast<int>(std::size(kMapBands)); ++b) {
        heading += std::string(b == 1 ? "" : ", ") +
                   std::string(BandName(kMapBands[(band_ + b) % std::size(kMapBands)]));
      }
      heading += " ->";
      body = map.lines;
      if (map.selectedLine >= 0) {
        highlight_ = {2 + map.selectedLine, map.selectedCell, map.selectedCells};
      }
      break;
    }
    case Screen::kList:
      break;
  }
  if (height > 1) lines.push_back(FitPadded(heading, width));
  for (int i = 0; i < rows; ++i) {
    lines.push_back(i < static_cast<int>(body.size())
                        ? FitPadded(body[static_cast<std::size_t>(i)], width)
                        : std::string(static_cast<std::size_t>(width), ' '));
  }
  if (height > 2) lines.push_back(FitPadded(hints, width));
  return lines;
}

bool TerminalView::LineNotSeen(int line, int height) const {
  if (screen_ != Screen::kList) return false;
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

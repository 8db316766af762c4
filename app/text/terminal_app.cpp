// The terminal view: the same main window behaviour and timers as the desktop window, drawn
// with ncurses for SSH sessions and machines without a display.

#include "app/text/terminal_app.h"

#include <curses.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/about_box.h"
#include "app/headless_host.h"
#include "app/main_window.h"
#include "ui/column_sort.h"
#include "ui/text/terminal_view.h"
#include "ui/text/timer_schedule.h"

namespace quorvan {
namespace {

volatile std::sig_atomic_t interrupted = 0;  // the signal that ends the view, or 0

void OnSignal(int signal) { interrupted = signal; }

// The About box drawn with characters.
std::vector<std::string> AboutBoxLines() {
  const std::string caption(kAboutCaption);
  const std::string text(kAboutText);
  const std::string button = "[ " + std::string(kAboutButton) + " ]";
  const int inner = std::max<int>({DisplayWidth(caption), DisplayWidth(text), 20}) + 4;
  auto centred = [inner](const std::string& s) {
    const int left = (inner - DisplayWidth(s)) / 2;
    std::string line = "|";
    line.append(static_cast<std::size_t>(left), ' ');
    line.append(s);
    line.append(static_cast<std::size_t>(inner - left - DisplayWidth(s)), ' ');
    line.append("|");
    return line;
  };
  std::string rule = "+";
  rule.append(static_cast<std::size_t>(inner), '-');
  rule.append("+");
  return {rule,        centred(caption), rule, centred(""), centred(text),
          centred(""), centred(button),  rule};
}

// Lines in a frame, left-aligned.
std::vector<std::string> BoxLines(const std::vector<std::string>& text) {
  int inner = 0;
  for (const std::string& line : text) inner = std::max(inner, DisplayWidth(line));
  std::string rule = "+";
  rule.append(static_cast<std::size_t>(inner + 2), '-');
  rule.append("+");
  std::vector<std::string> lines = {rule};
  for (const std::string& line : text) {
    std::string framed = "| " + line;
    framed.append(static_cast<std::size_t>(inner - DisplayWidth(line)), ' ');
    lines.push_back(framed + " |");
  }
  lines.push_back(rule);
  return lines;
}

// A key from the terminal. An escape sequence that the terminal description does not know
// arrives as Escape followed by its other characters: it is read whole and dropped (or taken
// for Home or End, whose sequences differ most between terminals), since the lone Escape
// would close the view and the characters after it would sort. tmux, for one, sends "\e[1~"
// for Home where xterm's description says "\eOH".
int ReadKey() {
  const int ch = getch();
  if (ch != 27) return ch;
  std::string rest;
  nodelay(stdscr, TRUE);
  for (int next; rest.size() < 16 && (next = getch()) != ERR;) rest += static_cast<char>(next);
  nodelay(stdscr, FALSE);
  if (rest.empty()) return 27;
  if (rest == "[1~" || rest == "[7~" || rest == "[H" || rest == "OH") return KEY_HOME;
  if (rest == "[4~" || rest == "[8~" || rest == "[F" || rest == "OF") return KEY_END;
  return ERR;
}

Key KeyOf(int ch) {
  switch (ch) {
    case KEY_UP:
      return Key::kUp;
    case KEY_DOWN:
      return Key::kDown;
    case KEY_LEFT:
      return Key::kLeft;
    case KEY_RIGHT:
      return Key::kRight;
    case KEY_PPAGE:
      return Key::kPageUp;
    case KEY_NPAGE:
      return Key::kPageDown;
    case KEY_HOME:
      return Key::kHome;
    case KEY_END:
      return Key::kEnd;
    case KEY_ENTER:
    case '\n':
    case '\r':
      return Key::kEnter;
    case 27:
      return Key::kEscape;
    case KEY_F(1):
      return Key::kF1;
    case KEY_RESIZE:
      return Key::kResize;
    default:
      return Key::kNone;
  }
}

class TerminalHost final : public HeadlessHost {
 public:
  TerminalHost(const std::function<ViewStatus()>& status, const DetailsStore* details,
               TimerScale scale)
      : view_(List()), status_(status), timers_(TimerSchedule::Clock::now, scale) {
    view_.SetDetails(details);
  }

  void Attach(CquorvanDlg& dialog) { dialog_ = &dialog; }

  void StartTimer(int timer, int periodMs) override { timers_.Start(timer, periodMs); }

  void RunAboutBox() override { ShowBox(Box::kAbout); }

  // Runs until the user quits.
  void Run() {
    bool quit = false;
    while (!quit && !interrupted) {
      Draw();
      const int ch = WaitForInput();
      if (ch == ERR) continue;
      if (ch == KEY_MOUSE) {
        MEVENT event;
        if (getmouse(&event) == OK && event.y == TerminalView::kHeaderLine &&
            (event.bstate & (BUTTON1_CLICKED | BUTTON1_PRESSED | BUTTON1_RELEASED))) {
          const int column = view_.ColumnAt(event.x);
          if (column >= 0 && !(event.bstate & BUTTON1_RELEASED)) SortBy(column);
        }
        continue;
      }
      const ViewAction action = view_.OnKey(KeyOf(ch), ch, COLS, LINES);
      switch (action.kind) {
        case ViewAction::kSortColumn:
          SortBy(action.column);
          break;
        case ViewAction::kAbout:
          dialog_->OnSysCommand(kAboutCommand);
          break;
        case ViewAction::kHelp:
          ShowBox(Box::kHelp);
          break;
        case ViewAction::kQuit:
          quit = true;
          break;
        default:
          break;
      }
    }
  }

 private:
  enum class Box { kNone, kAbout, kHelp };

  // A header click, and the header's mark of the direction sorted.
  void SortBy(int column) {
    dialog_->OnColumnClick(column);
    view_.MarkSorted(column, ProcessSortState().sortDescending != 0);
  }

  // A box over the list until a key closes it, modal like the About box of the desktop window:
  // the timers go on underneath.
  void ShowBox(Box box) {
    box_ = box;
    while (box_ != Box::kNone && !interrupted) {
      Draw();
      const int ch = WaitForInput();
      if (ch != ERR && ch != KEY_RESIZE && ch != KEY_MOUSE) box_ = Box::kNone;
    }
    box_ = Box::kNone;
  }

  // Waits for a key until the next timer falls due (a second at most, so that a signal is
  // seen), delivers the timers that are due, each once, and returns the key or ERR.
  int WaitForInput() {
    timeout(static_cast<int>(timers_.TimeToNext(std::chrono::seconds(1)).count()));
    const int ch = ReadKey();
    timers_.DeliverDue([this](int timer) { dialog_->OnTimer(timer); });
    return ch;
  }

  // Draws the screen; when only the title can have changed since the last draw (most ticks of
  // the countdown), only the title.
  void Draw() {
    if (status_) view_.SetStatus(status_());
    const TerminalView::State state = view_.StateFor(COLS, LINES);
    if (drawn_ && state == *drawn_ && box_ == drawnBox_) {
      const std::string title = TerminalView::RenderTitle(Title(), COLS);
      attrset(A_REVERSE);
      mvaddnstr(0, 0, title.c_str(), static_cast<int>(title.size()));
      attrset(A_NORMAL);
      refresh();
      return;
    }
    erase();
    const auto lines = view_.Render(Title(), COLS, LINES);
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
      attr_t style = i == 0 ? A_REVERSE : i == TerminalView::kHeaderLine ? A_BOLD : A_NORMAL;
      if (view_.LineNotSeen(i, LINES)) style |= A_DIM;
      attrset(style);
      mvaddnstr(i, 0, lines[i].c_str(), static_cast<int>(lines[i].size()));
    }
    // The cursor's row, or its network on the channel map, in reverse video.
    const TerminalView::Highlight mark = view_.LastHighlight();
    if (mark.line > 0 && mark.line < static_cast<int>(lines.size())) {
      const std::string cells =
          CellSlice(lines[static_cast<std::size_t>(mark.line)], mark.firstCell, mark.cells);
      attrset(view_.LineNotSeen(mark.line, LINES) ? A_REVERSE | A_DIM : A_REVERSE);
      mvaddnstr(mark.line, mark.firstCell, cells.c_str(), static_cast<int>(cells.size()));
    }
    attrset(A_NORMAL);
    if (box_ != Box::kNone) {
      const auto box = box_ == Box::kAbout ? AboutBoxLines() : BoxLines(view_.HelpLines(COLS - 4));
      const int top = std::max(0, (LINES - static_cast<int>(box.size())) / 2);
      const int left = std::max(0, (COLS - DisplayWidth(box[0])) / 2);
      for (int i = 0; i < static_cast<int>(box.size()); ++i) {
        mvaddstr(top + i, left, box[i].c_str());
      }
    }
    refresh();
    // Rendering may have moved the view to keep it inside the list.
    drawn_ = view_.StateFor(COLS, LINES);
    drawnBox_ = box_;
  }

  TerminalView view_;
  const std::function<ViewStatus()>& status_;
  std::optional<TerminalView::State> drawn_;  // what the screen shows, apart from its title
  Box drawnBox_ = Box::kNone;
  CquorvanDlg* dialog_ = nullptr;
  TimerSchedule timers_;
  Box box_ = Box::kNone;
};

}  // namespace

int RunTerminal(const std::function<ViewStatus()>& status,
                std::function<void(const NetworkTable&)> tableUpdated, const DetailsStore* details,
                TimerScale scale) {
  std::setlocale(LC_ALL, "");
  // Without a terminal description ncurses would print its bare "Error opening terminal" and
  // exit; checked first, the user learns what to do instead.
  SCREEN* screen = newterm(nullptr, stdout, stdin);
  if (screen == nullptr) {
    const char* term = std::getenv("TERM");
    std::fprintf(stderr,
                 "quorvan: the terminal type '%s' is unknown here, so the terminal view cannot "
                 "draw; set TERM to one this machine knows (xterm-256color), or print the list "
                 "with --list\n",
                 term != nullptr ? term : "");
    return 1;
  }
  // Ends curses mode on every way out, so that the terminal is left as it was found.
  struct Screen {
    SCREEN* screen;
    ~Screen() {
      endwin();
      delscreen(screen);
    }
  } const guard{screen};
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::signal(SIGHUP, OnSignal);

  TerminalHost host(status, details, scale);
  host.SetTableWatcher(std::move(tableUpdated));
  CquorvanDlg dialog(host);
  host.Attach(dialog);

  cbreak();
  noecho();
  keypad(stdscr, TRUE);
  curs_set(0);
  set_escdelay(25);
  mousemask(BUTTON1_CLICKED | BUTTON1_PRESSED, nullptr);
  mouseinterval(0);

  dialog.OnInitDialog();
  host.Run();

  dialog.OnDestroy();
  // Ended by a signal: the status a shell gives a program the signal killed, as the Qt window
  // does.
  return interrupted != 0 ? 128 + interrupted : 0;
}

}  // namespace quorvan

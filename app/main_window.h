#pragma once

#include <cstdint>

#include "tracking/network_table.h"
#include "ui/window_ops.h"

namespace quorvan {

inline constexpr int kScanTimer = 1;  // a scan cycle every period
inline constexpr int kScanTimerMs = 20000;
inline constexpr int kTickTimer = 2;  // the countdown in the title
inline constexpr int kTickTimerMs = 1000;
inline constexpr int32_t kPeriodSeconds = 20;
inline constexpr unsigned kAboutCommand = 0x10;
inline constexpr int kAboutMenuString = 101;
inline constexpr std::size_t kTitleSize = 66;

// The main window's behaviour, the same on every platform: it owns the table of tracked
// networks, runs a scan cycle every 20 seconds, counts down in the title and asks for a fresh
// scan half way through each period. The host forwards the window's events here.
class CquorvanDlg {
 public:
  explicit CquorvanDlg(MainWindowHost& host);
  ~CquorvanDlg();
  CquorvanDlg(const CquorvanDlg&) = delete;
  CquorvanDlg& operator=(const CquorvanDlg&) = delete;

  // Once, when the window and its controls exist: columns, About entry, icons, a first scan
  // cycle (no scan request before it) and the two timers. Returns true so that the platform
  // sets the focus.
  bool OnInitDialog();

  // Timer 1: a scan cycle, then the countdown starts again. Timer 2: one second less in the
  // title, and the scan request when the count reaches half the period. Others: nothing. The
  // platform's default handling follows in every case.
  void OnTimer(int timer);

  // The About entry's command (any of 0x10..0x1F) opens the About box and returns true; every
  // other command returns false for the platform's default handling.
  bool OnSysCommand(unsigned command);

  // A click on a column header of the list.
  void OnColumnClick(int column);

  // The window is going away: every record is destroyed.
  void OnDestroy();

  // History, query and merge, activity, the host told of the table, list: one cycle.
  void RunScanCycle();

  NetworkTable& Table() { return table_; }
  int32_t Countdown() const { return countdown_; }
  int32_t Period() const { return period_; }

 private:
  void AddAboutEntry();

  MainWindowHost& host_;
  int32_t countdown_ = 0;  // seconds shown in the title until the next cycle
  int32_t period_ = 0;     // seconds between cycles
  NetworkTable table_;
};

}  // namespace quorvan

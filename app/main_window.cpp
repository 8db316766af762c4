#include "app/main_window.h"

#include <cstdio>

#include "tracking/scan_cycle.h"
#include "ui/column_sort.h"
#include "ui/network_list.h"
#include "wlan/wlan_access.h"

namespace quorvan {

CquorvanDlg::CquorvanDlg(MainWindowHost& host) : host_(host) {}

CquorvanDlg::~CquorvanDlg() { table_.Clear(); }

bool CquorvanDlg::OnInitDialog() {
  ProcessSortState() = SortState{0, 1};
  table_.Clear();
  AddAboutEntry();
  host_.SetIcon(MainWindowHost::IconSize::kBig);
  host_.SetIcon(MainWindowHost::IconSize::kSmall);
  SetUpColumns(host_.NetworkList());
  table_.Clear();
  RunScanCycle();
  period_ = kPeriodSeconds;
  countdown_ = kPeriodSeconds;
  host_.StartTimer(kScanTimer, kScanTimerMs);
  host_.StartTimer(kTickTimer, kTickTimerMs);
  return true;
}

void CquorvanDlg::AddAboutEntry() {
  if (!host_.HasWindowMenu()) return;
  const std::string text = host_.LoadResourceString(kAboutMenuString);
  if (text.empty()) return;
  host_.AppendWindowMenuSeparator();
  host_.AppendWindowMenuItem(kAboutCommand, text);
}

void CquorvanDlg::RunScanCycle() {
  AdvanceHistory(table_);
  QueryBssSnapshot(table_);  // merges while it holds the service's list; a failure only ages
  UpdateActivity(table_);
  host_.TableUpdated(table_);
  RefreshList(table_, host_.NetworkList(), host_.StatusLabel());
}

void CquorvanDlg::OnTimer(int timer) {
  if (timer == kScanTimer) {
    RunScanCycle();
    countdown_ = period_;
  } else if (timer == kTickTimer) {
    // The count is not clamped: if the scan timer comes late the title goes on below zero,
    // which shows the delay, and no second scan request goes out before the next cycle.
    --countdown_;
    char title[kTitleSize];
    std::snprintf(title, sizeof title, "Quorvan_V20160130: oqli - %d", countdown_);
    host_.SetTitle(title);
    if (period_ / 2 == countdown_) RequestScan();  // a refused request leaves older results
  }
}

bool CquorvanDlg::OnSysCommand(unsigned command) {
  if ((command & 0xFFF0) != kAboutCommand) return false;
  host_.RunAboutBox();
  return true;
}

void CquorvanDlg::OnColumnClick(int column) { SortByColumn(host_.NetworkList(), column); }

void CquorvanDlg::OnDestroy() { table_.Clear(); }

}  // namespace quorvan

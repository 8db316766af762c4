#include "app/list_mode.h"

#include <algorithm>

#include "app/headless_host.h"
#include "app/main_window.h"
#include "wlan/wlan_access.h"

namespace quorvan {

ListResult RunListMode(int cycles, const QueryListener& alsoTell,
                       const std::function<void()>& beforeEachCycle) {
  QueryOutcome last = QueryOutcome::kListed;
  SetQueryListener(
      [&last, &alsoTell](QueryOutcome outcome, std::span<const BssObservation> observations) {
        if (alsoTell) alsoTell(outcome, observations);
        last = outcome;
      });

  HeadlessHost host;
  ListResult result;
  {
    CquorvanDlg dialog(host);
    if (beforeEachCycle) beforeEachCycle();
    dialog.OnInitDialog();
    for (int cycle = 1; cycle < std::max(cycles, 1); ++cycle) {
      if (beforeEachCycle) beforeEachCycle();
      dialog.RunScanCycle();
    }
    result.text = ListAsText(host.List());
  }
  SetQueryListener(alsoTell);

  switch (last) {
    case QueryOutcome::kListed:
      break;
    case QueryOutcome::kNoService:
      result.exitCode = 1;
      result.reason = "the WLAN service could not be reached";
      break;
    case QueryOutcome::kNoInterface:
      result.exitCode = 1;
      result.reason = "no wireless interface was found";
      break;
    case QueryOutcome::kListFailed:
      result.exitCode = 1;
      result.reason = "the wireless interface's BSS list could not be read";
      break;
  }
  return result;
}

}  // namespace quorvan

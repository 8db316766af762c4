#include "app/list_mode.h"

#include <algorithm>

#include "app/headless_host.h"
#include "app/main_window.h"
#include "wlan/wlan_access.h"

namespace quorvan {

ListResult RunListMode(int cycles, const QueryListener& alsoTell,
                       const std::function<void()>& beforeEachCycle) {
  QueryOutcome last = QueryOutcome::kListed;
  const ScopedQueryListener listening(
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

  result.outcome = last;
  result.exitCode = last == QueryOutcome::kListed ? 0 : 1;
  return result;
}

}  // namespace quorvan

#pragma once

#include <functional>
#include <span>

#include "tracking/network_table.h"
#include "tracking/scan_cycle.h"

namespace quorvan {

// Asks the WLAN service for a fresh scan of the first wireless interface and returns without
// waiting for it. 0 accepted, 1 no client handle, 2 no interface list (or an empty one),
// 3 the scan request was refused.
int RequestScan();

// Merges the BSS list that the WLAN service holds for the first wireless interface into
// `table`. 2 when the interfaces cannot be listed or there is none (the table is untouched),
// otherwise 0, also when the BSS list itself could not be had (the table is untouched then).
int QueryBssSnapshot(NetworkTable& table);

// How a QueryBssSnapshot ended, for whoever records queries or explains an empty list.
enum class QueryOutcome {
  kListed,       // the BSS list was obtained (it may be empty)
  kNoService,    // no client handle: no WLAN service
  kNoInterface,  // the interfaces could not be listed, or there is none
  kListFailed,   // the interface was there but its BSS list could not be had
};

// Called at the end of every QueryBssSnapshot with its outcome and, when listed, the
// observations in the service's order (after they were merged). One listener per process;
// an empty function removes it.
using QueryListener =
    std::function<void(QueryOutcome outcome, std::span<const BssObservation> observations)>;
void SetQueryListener(QueryListener listener);

}  // namespace quorvan

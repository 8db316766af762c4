#pragma once

// How a query of the WLAN service ended, as data: the access code reports it, recorders and
// replays keep it, and the front ends turn it into words where they show it.

#include <functional>
#include <span>
#include <string_view>

#include "tracking/scan_cycle.h"

namespace quorvan {

enum class QueryOutcome {
  kListed,       // the BSS list was obtained (it may be empty)
  kNoService,    // no client handle: no WLAN service
  kNoInterface,  // the interfaces could not be listed, or there is none
  kListFailed,   // the interface was there but its BSS list could not be had
};

// Called at the end of every QueryBssSnapshot with its outcome, when listed the observations in
// the service's order (after they were merged), and the interface it read as the service
// describes it ("wlp2s0"; "" when none was listed).
using QueryListener =
    std::function<void(QueryOutcome outcome, std::span<const BssObservation> observations,
                       std::string_view interfaceName)>;

}  // namespace quorvan

#pragma once

// How a query of the WLAN service ended, as data: the access code reports it, recorders and
// replays keep it, and the front ends turn it into words where they show it.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "tracking/scan_cycle.h"

namespace quorvan {

enum class QueryOutcome {
  kListed,       // the BSS list was obtained (it may be empty)
  kNoService,    // no client handle: no WLAN service
  kNoInterface,  // the interfaces could not be listed, or there is none
  kListFailed,   // the interface was there but its BSS list could not be had
};

// Called at the end of every QueryBssSnapshot with its outcome and, when listed, the
// observations in the service's order (after they were merged).
using QueryListener =
    std::function<void(QueryOutcome outcome, std::span<const BssObservation> observations)>;

// Why the WLAN service delivers no BSS data right now.
struct WlanDiagnosis {
  enum class Problem {
    kNone,
    kNoService,         // no session could be opened
    kInterfacesFailed,  // the interfaces could not be listed
    kNoInterface,       // there is no wireless interface at all
    kNoneUp,            // every wireless interface is down
  };
  Problem problem = Problem::kNone;
  std::string service;                  // its name: "nl80211"
  uint32_t error = 0;                   // its error number, for kNoService, kInterfacesFailed
  std::vector<std::string> interfaces;  // for kNoneUp, the interfaces found, all down
  std::string detail;                   // its own words on the failure, or ""
};

}  // namespace quorvan

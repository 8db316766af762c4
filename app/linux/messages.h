#pragma once

// The words for what the WLAN layer reports as data, where the Linux program shows them (stderr
// today). Names that come from the system are escaped as SSIDs are.

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "wlan/linux/wlan_service.h"
#include "wlan/query_outcome.h"

namespace quorvan {

// One line on why no BSS data comes, or "" for WlanDiagnosis::Problem::kNone. Example:
// "nl80211: no wireless interface is up (wlan0 and wlan1 are down)".
std::string DescribeDiagnosis(const WlanDiagnosis& diagnosis);

// Why the last query found no BSS list, when the service has nothing better to say.
std::string DescribeQueryOutcome(QueryOutcome outcome);

// What the system knows of the interface a user named with --interface.
struct InterfaceChoice {
  std::string name;
  bool exists = false;                // the kernel has a network interface of that name
  bool wireless = false;              // and it is a Wi-Fi interface (of any mode)
  std::vector<std::string> stations;  // the managed Wi-Fi interfaces, which can be watched
  std::string listError;              // why the Wi-Fi interfaces could not be listed, or ""
};

// Why the named interface cannot be watched, naming those that can, or "" when it can.
std::string RefuseInterface(const InterfaceChoice& choice);

// The reason the window shows in place of the rows after a query that ended as `outcome`, a
// sentence without the service's error numbers: "No wireless interface is up (wlan0 is
// down)". "" once a query lists again. The diagnosis is asked only for a failed query.
std::string EmptyListReason(QueryOutcome outcome, const std::function<WlanDiagnosis()>& diagnose);

// Why the results after `scan` may be stale ("a fresh scan needs CAP_NET_ADMIN"), or "" when
// the scan finished or no interface was reached (the query that follows says why then).
std::string WhyResultsMayBeStale(const FreshScan& scan, std::chrono::milliseconds limit);

}  // namespace quorvan

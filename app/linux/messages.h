#pragma once

// The words for what the WLAN layer reports as data, where the Linux program shows them (stderr
// today). Names that come from the system are escaped as SSIDs are.

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "wlan/linux/diagnosis.h"
#include "wlan/linux/interface_probe.h"
#include "wlan/linux/monitor_plan.h"
#include "wlan/linux/wlan_failure.h"
#include "wlan/query_outcome.h"

namespace quorvan {

// What went wrong in a call of the WLAN service that returned `error`, as a clause: "this
// kernel has no Wi-Fi support (nl80211 is missing)", "a fresh scan needs CAP_NET_ADMIN". The
// error number itself is worded only when the failure says nothing more.
std::string DescribeFailure(const WlanFailure& failure, DWORD error);

// One line on why no BSS data comes, or "" for WlanDiagnosis::Problem::kNone. Example:
// "nl80211: no wireless interface is up (wlan0 and wlan1 are down)".
std::string DescribeDiagnosis(const WlanDiagnosis& diagnosis);

// Why the last query found no BSS list, when the service has nothing better to say.
std::string DescribeQueryOutcome(QueryOutcome outcome);

// Why the named interface cannot be watched, naming those that can, or "" when it can.
std::string RefuseInterface(const InterfaceChoice& choice);

// Why --metrics cannot serve at `address` ("127.0.0.1:9412"): errno's words for `error`
// ("cannot serve the metrics on 127.0.0.1:9412: Address already in use"), or a general reason
// for 0.
std::string DescribeListenFailure(const std::string& address, int error);

// Why --monitor cannot listen: "--monitor wlan0: its radio phy0 cannot make monitor
// interfaces".
std::string DescribeMonitorProblem(const MonitorProblem& problem);

// How a monitor interface listens: "listening on qmon0, added to phy1 for this run: 3
// channels, 250 ms each, every one every 0.8 s".
std::string DescribeMonitorPlan(const MonitorPlan& plan);

// The reason the window shows in place of the rows after a query that ended as `outcome`, a
// sentence without the service's error numbers: "No wireless interface is up (wlan0 is
// down)". "" once a query lists again. The diagnosis is asked only for a failed query.
std::string EmptyListReason(QueryOutcome outcome, const std::function<WlanDiagnosis()>& diagnose);

// Why the results after `scan` may be stale ("a fresh scan needs CAP_NET_ADMIN"), or "" when
// the scan finished or no interface was reached (the query that follows says why then).
std::string WhyResultsMayBeStale(const FreshScan& scan, std::chrono::milliseconds limit);

}  // namespace quorvan

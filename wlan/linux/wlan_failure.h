#pragma once

// Why a call of a WLAN service failed, beyond the Windows error number it returned: where it
// failed and what the system answered there, as data. The program's messages turn it into
// words (app/linux/messages.cpp).

#include <string>

#include "wlan/query_outcome.h"

namespace quorvan {

struct WlanFailure {
  enum class Stage {
    kNone,          // nothing to add to the error number
    kNetlink,       // no generic netlink socket could be had (libnlError)
    kNoNl80211,     // the kernel has no nl80211 family: no Wi-Fi support at all
    kInterfaces,    // listing the wireless interfaces
    kScanRequest,   // asking for a scan
    kScanResults,   // reading the BSS list
    kScenarioLine,  // a replayed line that stands for a failure
  };
  Stage stage = Stage::kNone;
  int systemError = 0;  // the errno the kernel answered (positive), or 0
  int libnlError = 0;   // libnl's error code (positive NLE_*), or 0
  // kScanRequest: NetworkManager was asked first and refused, in its own words (the D-Bus
  // error's name and message); "" when it was not asked or took the request.
  std::string networkManagerRefusal = {};
  // kScenarioLine: the line (1-based) and the failure it stands for.
  int scenarioLine = 0;
  QueryOutcome scenarioOutcome = QueryOutcome::kListed;
};

}  // namespace quorvan

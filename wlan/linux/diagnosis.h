#pragma once

// What the program asks the installed WLAN service directly, beside the Native Wifi functions
// that the scan cycle uses: why it delivers no BSS data, and a fresh scan that is waited for.
// Answers are data; app/linux/messages.cpp words them.

#include <chrono>
#include <string>
#include <vector>

#include "wlan/linux/wlan_service.h"

namespace quorvan {

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
  DWORD error = ERROR_SUCCESS;          // for kNoService, kInterfacesFailed
  WlanFailure failure;                  // for kNoService, kInterfacesFailed
  std::vector<std::string> interfaces;  // for kNoneUp, the interfaces found, all down
};

// Opens and closes one session of the installed service.
WlanDiagnosis DiagnoseWlanService();

// A fresh scan of the interface the Native Wifi functions list first, waited for as
// WlanSession::ScanAndWait does; for a listing that wants current results, not whatever the
// service last saw.
struct FreshScan {
  DWORD error = ERROR_SUCCESS;  // of opening, listing the interfaces, or the scan request
  ScanEnd end = ScanEnd::kNotWaited;
  std::string interfaceName;  // "" when no interface was reached
  WlanFailure failure;        // why the scan request failed, when it did
};
FreshScan ScanFirstInterfaceAndWait(std::chrono::milliseconds limit);

}  // namespace quorvan

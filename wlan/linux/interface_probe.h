#pragma once

// What the system knows of a network interface that a user named to be watched: whether it
// exists, whether it is Wi-Fi, and which Wi-Fi interfaces nl80211 offers instead.

#include <string>
#include <vector>

#include "wlan/linux/wlan_failure.h"
#include "wlan/linux/wlanapi.h"

namespace quorvan {

struct InterfaceChoice {
  std::string name;
  bool exists = false;                // the kernel has a network interface of that name
  bool wireless = false;              // and it is a Wi-Fi interface (of any mode)
  std::vector<std::string> stations;  // the managed Wi-Fi interfaces, which can be watched
  DWORD listError = ERROR_SUCCESS;    // why the Wi-Fi interfaces could not be listed
  WlanFailure listFailure = {};
};

// Asks the kernel (if_nametoindex, sysfs and nl80211) about the interface named `name`.
InterfaceChoice ProbeInterface(const std::string& name);

}  // namespace quorvan

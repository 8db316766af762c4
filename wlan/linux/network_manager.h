#pragma once

// Scan requests through NetworkManager, over the system bus (sd-bus from libsystemd). On a
// desktop the kernel refuses a scan to the logged-in user, who lacks CAP_NET_ADMIN, while
// NetworkManager scans for anyone its policy lets in; and where it manages the interface, its
// own scans and ours do not get in each other's way. The results are still read over nl80211.

#include <string>
#include <string_view>

namespace quorvan {

enum class NmScan {
  kRequested,     // NetworkManager took the request; the kernel announces the scan's end
  kRateLimited,   // it scanned a moment ago and says so: those results are fresh
  kNotAvailable,  // no system bus, no NetworkManager, or it does not manage the interface
  kRefused,       // it was asked and said no (permissions, the device's state)
};

struct NmScanAnswer {
  NmScan result = NmScan::kNotAvailable;
  std::string said;  // NetworkManager's own words when it did not scan, for the user
};

// Asks NetworkManager to scan with the interface named `interfaceName`. Blocks for at most a
// few seconds.
NmScanAnswer RequestScanThroughNetworkManager(const std::string& interfaceName);

// How a D-Bus error answering RequestScan reads: its name and its message.
NmScan ClassifyScanRefusal(std::string_view errorName, std::string_view message);

}  // namespace quorvan

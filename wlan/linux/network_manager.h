#pragma once

// Scan requests through NetworkManager, over the system bus (sd-bus from libsystemd). On a
// desktop the kernel refuses a scan to the logged-in user, who lacks CAP_NET_ADMIN, while
// NetworkManager scans for anyone its policy lets in; and where it manages the interface, its
// own scans and ours do not get in each other's way. The results are still read over nl80211.

#include <string>
#include <string_view>

#include "wlan/linux/nl80211_parse.h"

namespace quorvan {

enum class NmScan {
  kRequested,     // NetworkManager took the request; the kernel announces the end of the scan
                  // that serves it (ServingScanWatch)
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

// Who took a scan request, as far as waiting for the scan that serves it goes.
enum class ScanTaker {
  kKernel,          // our own NL80211_CMD_TRIGGER_SCAN started a scan
  kBusyRadio,       // the kernel refused it (EBUSY): another program's scan was running
  kNetworkManager,  // NetworkManager answered RequestScan without an error
};

// Who took a request that NetworkManager answered with `networkManager`; where it did not take
// it, the kernel was asked and answered `kernelResult`.
ScanTaker ScanTakerOf(NmScan networkManager, DWORD kernelResult);

// Follows the scan events of one interface, in the order they come from just before a request,
// until the scan that serves the request ends. A trigger of our own is served by the scan it
// started; one that ends before that started is someone else's. A request that NetworkManager
// took is served by the scan already running, where one runs: NetworkManager answers at once
// and passes the request on to wpa_supplicant, which rejects a scan while another runs, and
// NetworkManager only logs that, so no later scan comes of the request. (NetworkManager keeps a
// request for after the running scan only while it still awaits wpa_supplicant's word on that
// scan, which then started a moment before.)
class ServingScanWatch {
 public:
  explicit ServingScanWatch(ScanTaker taker) : started_(taker != ScanTaker::kKernel) {}

  // Takes the next event; true once the serving scan has ended, and from then on.
  bool Observe(ScanEvent event);

  // kFinished or kAborted once the serving scan has ended, kOther until then.
  ScanEvent End() const { return end_; }

 private:
  bool started_;  // whether a scan that may serve the request has started
  ScanEvent end_ = ScanEvent::kOther;
};

}  // namespace quorvan

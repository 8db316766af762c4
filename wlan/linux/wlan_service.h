#pragma once

// What serves the Native Wifi functions of wlan/linux/wlanapi.h on Linux. The entry point installs
// one WlanService at start-up (SetWlanService); until it does, the functions answer as a machine
// without the WLAN service does.
//
// A client handle from WlanOpenHandle owns one WlanSession for its whole life, and
// WlanCloseHandle destroys it. Sessions fill plain vectors; the layer turns them into the
// caller-owned lists of the API. Query results are recorded above this layer, where the access
// code tells its listener how each query ended (wlan/wlan_access.h).

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "wlan/linux/wlan_failure.h"
#include "wlan/linux/wlanapi.h"

namespace quorvan {

struct WlanInterface {
  GUID guid = {};
  std::string description;  // e.g. the kernel's interface name, "wlp2s0"
  // A station interface whose link is down is reported but not listed by WlanEnumInterfaces:
  // like a disabled adapter on Windows, it has no BSS list worth reading.
  bool up = true;
};

// One BSS of a session's list: its entry, and the information elements of its last beacon or
// probe response, which WlanGetNetworkBssList places after the list's entries and points the
// entry at.
struct WlanBss {
  WlanBss() = default;
  // Not explicit: an entry alone is a BSS without elements, and lists of entries stay lists.
  WlanBss(const WLAN_BSS_ENTRY& bssEntry, std::vector<uint8_t> elements = {})
      : entry(bssEntry), ies(std::move(elements)) {}
  WLAN_BSS_ENTRY entry = {};  // ulIeOffset and ulIeSize are the layer's to set
  std::vector<uint8_t> ies;
};

// How waiting for a scan ended.
enum class ScanEnd {
  kFinished,   // the service announced new results
  kAborted,    // the service announced that the scan stopped early
  kTimedOut,   // nothing was announced within the limit
  kNotWaited,  // the request was refused and there was no scan to wait for
};

class WlanSession {
 public:
  virtual ~WlanSession() = default;  // WlanCloseHandle

  // The wireless interfaces, in the service's order; `out` arrives empty.
  virtual DWORD EnumInterfaces(std::vector<WlanInterface>& out) = 0;

  // Asks for a fresh scan and returns without waiting for it to finish. `ssid` and `ieData`
  // are what the caller passed (nullptr for none).
  virtual DWORD Scan(const GUID& interfaceGuid, const DOT11_SSID* ssid,
                     const WLAN_RAW_DATA* ieData) = 0;

  // Asks for a fresh scan and waits until the service announces its end, at most `limit`.
  // Returns what the scan request returned. A radio busy with someone else's scan
  // (ERROR_BUSY) is waited for all the same, since that scan's results are as fresh. Services
  // whose results are there at once need not override this.
  virtual DWORD ScanAndWait(const GUID& interfaceGuid, std::chrono::milliseconds limit,
                            ScanEnd& end) {
    (void)limit;
    const DWORD result = Scan(interfaceGuid, nullptr, nullptr);
    end = result == ERROR_SUCCESS ? ScanEnd::kFinished : ScanEnd::kNotWaited;
    return result;
  }

  // The BSSes the service holds for the interface, in its order; `out` arrives empty.
  virtual DWORD GetBssList(const GUID& interfaceGuid, const DOT11_SSID* ssid,
                           DOT11_BSS_TYPE bssType, bool securityEnabled,
                           std::vector<WlanBss>& out) = 0;

  // Why this session's most recent call that failed failed, beyond its error number; a failure
  // of Stage::kNone when the service has nothing to add. The API's functions pass only error
  // numbers on, as Windows does; the program's diagnosis asks here.
  virtual WlanFailure Failure() const { return {}; }
};

class WlanService {
 public:
  virtual ~WlanService() = default;

  // A short name for messages: "nl80211", "simulated radio (seed 7)".
  virtual std::string Name() const = 0;

  // WlanOpenHandle: on success sets `session`; on failure may say why in `failure`, which
  // arrives as a failure of Stage::kNone. May be called many times; every session is
  // independent.
  virtual DWORD Open(DWORD clientVersion, std::unique_ptr<WlanSession>& session,
                     WlanFailure& failure) = 0;
};

// Installs the service behind the six functions, replacing the previous one. Handles opened
// earlier keep working with the service that opened them. The program's entry point chooses
// the service; until it does, or after nullptr, the functions answer as a machine without the
// WLAN service does.
void SetWlanService(std::unique_ptr<WlanService> service);
// The same, returning the service it replaced (nullptr for none).
std::shared_ptr<WlanService> ExchangeWlanService(std::shared_ptr<WlanService> service);

// Installs a service for the life of the guard, then puts back the one it replaced.
class ScopedWlanService {
 public:
  explicit ScopedWlanService(std::unique_ptr<WlanService> service)
      : previous_(ExchangeWlanService(std::move(service))) {}
  ~ScopedWlanService() { ExchangeWlanService(std::move(previous_)); }
  ScopedWlanService(const ScopedWlanService&) = delete;
  ScopedWlanService& operator=(const ScopedWlanService&) = delete;

 private:
  std::shared_ptr<WlanService> previous_;
};

// The installed service; it stays alive while the caller holds it, even if another one is
// installed meanwhile.
std::shared_ptr<WlanService> InstalledWlanService();

// The interfaces that the Native Wifi functions list: those whose link is up, in the service's
// order.
DWORD ListUpInterfaces(WlanSession& session, std::vector<WlanInterface>& out);

// Handles and lists handed out by the layer and not yet closed or freed; both are 0 between
// operations when every caller cleans up.
struct WlanLayerUsage {
  std::size_t openHandles = 0;
  std::size_t liveLists = 0;
};
WlanLayerUsage CurrentWlanLayerUsage();

}  // namespace quorvan

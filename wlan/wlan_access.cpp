#include "wlan/wlan_access.h"

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "base/utf8.h"
#include "tracking/scan_cycle.h"
#include "wlan/bss_entry.h"
#include "wlan/native_wifi.h"

namespace quorvan {
namespace {

constexpr DWORD kClientVersion = 2;  // Windows Vista and later

// The client handle of one operation; closed on every path.
class ClientHandle {
 public:
  ClientHandle() = default;
  ClientHandle(const ClientHandle&) = delete;
  ClientHandle& operator=(const ClientHandle&) = delete;
  ~ClientHandle() {
    if (handle_ != nullptr) WlanCloseHandle(handle_, nullptr);
  }

  DWORD Open() {
    DWORD negotiatedVersion = 0;
    return WlanOpenHandle(kClientVersion, nullptr, &negotiatedVersion, &handle_);
  }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_ = nullptr;
};

// A list returned by the service, released with WlanFreeMemory on every path.
struct FreeWlanMemory {
  void operator()(void* list) const { WlanFreeMemory(list); }
};
using InterfaceList = std::unique_ptr<WLAN_INTERFACE_INFO_LIST, FreeWlanMemory>;
using BssList = std::unique_ptr<WLAN_BSS_LIST, FreeWlanMemory>;

// The interfaces of `client`, or nullptr when they cannot be listed. An empty list counts as a
// failure too: the API's lists carry no entry 0 then, and Wine's wlanapi, which always reports
// zero interfaces, aborts the process on any BSS list request.
InterfaceList ListInterfaces(const ClientHandle& client) {
  PWLAN_INTERFACE_INFO_LIST raw = nullptr;
  const DWORD result = WlanEnumInterfaces(client.get(), nullptr, &raw);
  InterfaceList list(raw);
  if (result != ERROR_SUCCESS || !list || list->dwNumberOfItems == 0) return nullptr;
  return list;
}

QueryListener& Listener() {
  static QueryListener listener;
  return listener;
}

ScanListener& TheScanListener() {
  static ScanListener listener;
  return listener;
}

// `read`, when given, is the interface the query read: its description is told too, a fixed
// array whose zero may be missing. (Windows' headers define `interface` as a macro.)
void Tell(QueryOutcome outcome, std::span<const BssObservation> observations = {},
          const WLAN_INTERFACE_INFO* read = nullptr) {
  if (!Listener()) return;
  std::string name;
  if (read != nullptr) {
    const WCHAR* description = read->strInterfaceDescription;
    name = BytesFromWide(std::wstring_view(
        description, std::find(description, description + WLAN_MAX_NAME_LENGTH, 0) - description));
  }
  Listener()(outcome, observations, name);
}

}  // namespace

QueryListener SetQueryListener(QueryListener listener) {
  return std::exchange(Listener(), std::move(listener));
}

ScanListener SetScanListener(ScanListener listener) {
  return std::exchange(TheScanListener(), std::move(listener));
}

int RequestScan() {
  const int result = [] {
    ClientHandle client;
    if (client.Open() != ERROR_SUCCESS) return 1;
    const InterfaceList interfaces = ListInterfaces(client);
    if (!interfaces) return 2;
    const DWORD scanned = WlanScan(client.get(), &interfaces->InterfaceInfo[0].InterfaceGuid,
                                   nullptr, nullptr, nullptr);
    return scanned == ERROR_SUCCESS ? 0 : 3;
  }();
  if (TheScanListener()) TheScanListener()(result);
  return result;
}

int QueryBssSnapshot(NetworkTable& table) {
  ClientHandle client;
  // A failure leaves the handle empty, and listing the interfaces fails.
  const bool opened = client.Open() == ERROR_SUCCESS;
  const InterfaceList interfaces = ListInterfaces(client);
  if (!interfaces) {
    Tell(opened ? QueryOutcome::kNoInterface : QueryOutcome::kNoService);
    return 2;
  }

  PWLAN_BSS_LIST raw = nullptr;
  const DWORD result =
      WlanGetNetworkBssList(client.get(), &interfaces->InterfaceInfo[0].InterfaceGuid, nullptr,
                            dot11_BSS_type_any, TRUE, nullptr, &raw);
  const BssList bssList(raw);
  if (result == ERROR_SUCCESS && bssList) {
    // Merged while the service's list is still held, then released with it.
    const WLAN_BSS_ENTRY* entries = bssList->wlanBssEntries;
    BssSnapshot snapshot;
    snapshot.reserve(bssList->dwNumberOfItems);
    for (DWORD i = 0; i < bssList->dwNumberOfItems; ++i) {
      snapshot.push_back(ObservationFrom(entries[i], ElementsOf(*bssList, entries[i])));
    }
    MergeBssList(table, snapshot);
    Tell(QueryOutcome::kListed, snapshot, &interfaces->InterfaceInfo[0]);
  } else {
    Tell(QueryOutcome::kListFailed, {}, &interfaces->InterfaceInfo[0]);
  }
  return 0;
}

}  // namespace quorvan

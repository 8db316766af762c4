#include "wlan/linux/wlanapi.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <new>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "base/utf8.h"
#include "wlan/linux/wlan_service.h"

namespace quorvan {
namespace {

struct ClientHandle {
  // The session may use its service, so it goes first.
  std::shared_ptr<WlanService> service;
  std::unique_ptr<WlanSession> session;
};

// Everything the layer hands out is registered here, so that a stale or foreign handle or
// pointer gets an error number (or is ignored) instead of being dereferenced.
struct Layer {
  std::mutex mutex;
  std::shared_ptr<WlanService> service;
  std::unordered_map<void*, std::unique_ptr<ClientHandle>> handles;
  std::unordered_set<void*> lists;
};

Layer& TheLayer() {
  static Layer layer;
  return layer;
}

// What answers until the program installs a service: a machine without the WLAN service.
class NoWlanService final : public WlanService {
 public:
  std::string Name() const override { return "no WLAN service"; }
  DWORD Open(DWORD, std::unique_ptr<WlanSession>&, WlanFailure&) override {
    return ERROR_SERVICE_NOT_ACTIVE;
  }
};

std::shared_ptr<WlanService> ServiceLocked(Layer& layer) {
  if (!layer.service) layer.service = std::make_shared<NoWlanService>();
  return layer.service;
}

std::shared_ptr<WlanService> InstalledService() {
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  return ServiceLocked(layer);
}

// The session behind a handle, or nullptr for a handle the layer did not hand out. Sessions
// are used outside the lock; a handle must not be closed while another thread uses it, as on
// Windows.
WlanSession* SessionOf(HANDLE handle) {
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  auto it = layer.handles.find(handle);
  return it == layer.handles.end() ? nullptr : it->second->session.get();
}

// A zeroed block for a list header followed by `count` entries (room for one at least, so the
// declared one-element array always lies inside the block) and `tailBytes` after them,
// registered for WlanFreeMemory.
void* AllocateList(std::size_t headerBytes, std::size_t entryBytes, std::size_t count,
                   std::size_t tailBytes = 0) {
  const std::size_t bytes = headerBytes + entryBytes * std::max<std::size_t>(count, 1) + tailBytes;
  void* block = std::calloc(1, bytes);
  if (block == nullptr) return nullptr;
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  layer.lists.insert(block);
  return block;
}

void CopyDescription(const std::string& text, WCHAR (&out)[WLAN_MAX_NAME_LENGTH]) {
  const std::wstring wide = WideFromBytes(text);
  const std::size_t n = std::min<std::size_t>(wide.size(), WLAN_MAX_NAME_LENGTH - 1);
  std::copy_n(wide.begin(), n, out);
  out[n] = 0;
}

}  // namespace

std::shared_ptr<WlanService> ExchangeWlanService(std::shared_ptr<WlanService> service) {
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  return std::exchange(layer.service, std::move(service));
}

void SetWlanService(std::unique_ptr<WlanService> service) {
  // The old service goes here, outside the lock, unless open handles still hold it.
  ExchangeWlanService(std::move(service));
}

std::shared_ptr<WlanService> InstalledWlanService() { return InstalledService(); }

WlanLayerUsage CurrentWlanLayerUsage() {
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  return {layer.handles.size(), layer.lists.size()};
}

DWORD ListUpInterfaces(WlanSession& session, std::vector<WlanInterface>& out) {
  if (const DWORD error = session.EnumInterfaces(out); error != ERROR_SUCCESS) return error;
  std::erase_if(out, [](const WlanInterface& interface) { return !interface.up; });
  return ERROR_SUCCESS;
}

}  // namespace quorvan

using quorvan::TheLayer;

extern "C" {

DWORD WlanOpenHandle(DWORD dwClientVersion, PVOID pReserved, PDWORD pdwNegotiatedVersion,
                     PHANDLE phClientHandle) {
  if (pReserved != nullptr || pdwNegotiatedVersion == nullptr || phClientHandle == nullptr ||
      (dwClientVersion != 1 && dwClientVersion != 2)) {
    return ERROR_INVALID_PARAMETER;
  }
  auto client = std::make_unique<quorvan::ClientHandle>();
  client->service = quorvan::InstalledService();
  quorvan::WlanFailure failure;  // the program's diagnosis asks the service itself
  if (const DWORD error = client->service->Open(dwClientVersion, client->session, failure);
      error != ERROR_SUCCESS) {
    return error;
  }
  if (!client->session) return ERROR_GEN_FAILURE;
  quorvan::Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  HANDLE handle = client.get();
  layer.handles.emplace(handle, std::move(client));
  *pdwNegotiatedVersion = dwClientVersion;
  *phClientHandle = handle;
  return ERROR_SUCCESS;
}

DWORD WlanCloseHandle(HANDLE hClientHandle, PVOID pReserved) {
  if (pReserved != nullptr) return ERROR_INVALID_PARAMETER;
  std::unique_ptr<quorvan::ClientHandle> client;
  {
    quorvan::Layer& layer = TheLayer();
    std::lock_guard lock(layer.mutex);
    auto it = layer.handles.find(hClientHandle);
    if (it == layer.handles.end()) return ERROR_INVALID_HANDLE;
    client = std::move(it->second);
    layer.handles.erase(it);
  }
  return ERROR_SUCCESS;  // the session closes as `client` goes, outside the lock
}

DWORD WlanEnumInterfaces(HANDLE hClientHandle, PVOID pReserved,
                         PWLAN_INTERFACE_INFO_LIST* ppInterfaceList) {
  if (pReserved != nullptr || ppInterfaceList == nullptr) return ERROR_INVALID_PARAMETER;
  quorvan::WlanSession* session = quorvan::SessionOf(hClientHandle);
  if (session == nullptr) return ERROR_INVALID_HANDLE;
  std::vector<quorvan::WlanInterface> interfaces;
  if (const DWORD error = quorvan::ListUpInterfaces(*session, interfaces); error != ERROR_SUCCESS) {
    return error;
  }
  auto* list = static_cast<WLAN_INTERFACE_INFO_LIST*>(
      quorvan::AllocateList(offsetof(WLAN_INTERFACE_INFO_LIST, InterfaceInfo),
                            sizeof(WLAN_INTERFACE_INFO), interfaces.size()));
  if (list == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  list->dwNumberOfItems = static_cast<DWORD>(interfaces.size());
  WLAN_INTERFACE_INFO* entries = list->InterfaceInfo;
  for (std::size_t i = 0; i < interfaces.size(); ++i) {
    entries[i].InterfaceGuid = interfaces[i].guid;
    quorvan::CopyDescription(interfaces[i].description, entries[i].strInterfaceDescription);
  }
  *ppInterfaceList = list;
  return ERROR_SUCCESS;
}

DWORD WlanScan(HANDLE hClientHandle, const GUID* pInterfaceGuid, const PDOT11_SSID pDot11Ssid,
               const PWLAN_RAW_DATA pIeData, PVOID pReserved) {
  if (pReserved != nullptr || pInterfaceGuid == nullptr) return ERROR_INVALID_PARAMETER;
  quorvan::WlanSession* session = quorvan::SessionOf(hClientHandle);
  if (session == nullptr) return ERROR_INVALID_HANDLE;
  return session->Scan(*pInterfaceGuid, pDot11Ssid, pIeData);
}

DWORD WlanGetNetworkBssList(HANDLE hClientHandle, const GUID* pInterfaceGuid,
                            const PDOT11_SSID pDot11Ssid, DOT11_BSS_TYPE dot11BssType,
                            BOOL bSecurityEnabled, PVOID pReserved, PWLAN_BSS_LIST* ppWlanBssList) {
  if (pReserved != nullptr || pInterfaceGuid == nullptr || ppWlanBssList == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  quorvan::WlanSession* session = quorvan::SessionOf(hClientHandle);
  if (session == nullptr) return ERROR_INVALID_HANDLE;
  std::vector<quorvan::WlanBss> bsses;
  if (const DWORD error = session->GetBssList(*pInterfaceGuid, pDot11Ssid, dot11BssType,
                                              bSecurityEnabled != FALSE, bsses);
      error != ERROR_SUCCESS) {
    return error;
  }
  // As Windows lays it out: the entries, then each entry's elements, which it points to by
  // their distance from itself. Every offset and the total must fit the API's 32 bits.
  const std::size_t header = offsetof(WLAN_BSS_LIST, wlanBssEntries);
  const std::size_t entriesEnd =
      header + sizeof(WLAN_BSS_ENTRY) * std::max<std::size_t>(bsses.size(), 1);
  std::size_t elementBytes = 0;
  for (const quorvan::WlanBss& bss : bsses) elementBytes += bss.ies.size();
  if (bsses.size() > std::numeric_limits<DWORD>::max() ||
      elementBytes > std::numeric_limits<DWORD>::max() - entriesEnd) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  auto* list = static_cast<WLAN_BSS_LIST*>(
      quorvan::AllocateList(header, sizeof(WLAN_BSS_ENTRY), bsses.size(), elementBytes));
  if (list == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  list->dwTotalSize = static_cast<DWORD>(entriesEnd + elementBytes);
  list->dwNumberOfItems = static_cast<DWORD>(bsses.size());
  auto* const bytes = reinterpret_cast<unsigned char*>(list);
  std::size_t elementsAt = entriesEnd;
  for (std::size_t i = 0; i < bsses.size(); ++i) {
    WLAN_BSS_ENTRY& entry = list->wlanBssEntries[i];
    entry = bsses[i].entry;
    const std::vector<uint8_t>& ies = bsses[i].ies;
    const std::size_t entryAt = header + sizeof(WLAN_BSS_ENTRY) * i;
    entry.ulIeOffset = ies.empty() ? 0 : static_cast<ULONG>(elementsAt - entryAt);
    entry.ulIeSize = static_cast<ULONG>(ies.size());
    std::copy(ies.begin(), ies.end(), bytes + elementsAt);
    elementsAt += ies.size();
  }
  *ppWlanBssList = list;
  return ERROR_SUCCESS;
}

void WlanFreeMemory(PVOID pMemory) {
  {
    quorvan::Layer& layer = TheLayer();
    std::lock_guard lock(layer.mutex);
    if (layer.lists.erase(pMemory) == 0) return;  // not ours, or freed already
  }
  std::free(pMemory);
}

}  // extern "C"

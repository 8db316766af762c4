#include "wlan/linux/wlanapi.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <mutex>
#include <new>
#include <unordered_map>
#include <unordered_set>
#include <utility>

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
  std::string firstListed;  // the interface the last WlanEnumInterfaces listed first, or ""
};

Layer& TheLayer() {
  static Layer layer;
  return layer;
}

// What answers until the program installs a service: a machine without the WLAN service.
class NoWlanService final : public WlanService {
 public:
  std::string Name() const override { return "no WLAN service"; }
  DWORD Open(DWORD, std::unique_ptr<WlanSession>&) override { return ERROR_SERVICE_NOT_ACTIVE; }
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
// declared one-element array always lies inside the block), registered for WlanFreeMemory.
void* AllocateList(std::size_t headerBytes, std::size_t entryBytes, std::size_t count) {
  const std::size_t bytes = headerBytes + entryBytes * std::max<std::size_t>(count, 1);
  void* block = std::calloc(1, bytes);
  if (block == nullptr) return nullptr;
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  layer.lists.insert(block);
  return block;
}

// The interfaces that the Native Wifi functions list: those whose link is up, in the service's
// order.
DWORD ListUpInterfaces(WlanSession& session, std::vector<WlanInterface>& out) {
  if (const DWORD error = session.EnumInterfaces(out); error != ERROR_SUCCESS) return error;
  std::erase_if(out, [](const WlanInterface& interface) { return !interface.up; });
  return ERROR_SUCCESS;
}

void CopyDescription(const std::string& text, WCHAR (&out)[WLAN_MAX_NAME_LENGTH]) {
  const std::size_t n = std::min<std::size_t>(text.size(), WLAN_MAX_NAME_LENGTH - 1);
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<unsigned char>(text[i]);
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

WlanService& CurrentWlanService() { return *InstalledService(); }

std::string FirstListedInterfaceName() {
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  return layer.firstListed;
}

WlanLayerUsage CurrentWlanLayerUsage() {
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  return {layer.handles.size(), layer.lists.size()};
}

std::string_view WlanErrorText(DWORD error) {
  switch (error) {
    case ERROR_SUCCESS:
      return "success";
    case ERROR_ACCESS_DENIED:
      return "access denied";
    case ERROR_INVALID_HANDLE:
      return "invalid handle";
    case ERROR_NOT_ENOUGH_MEMORY:
      return "not enough memory";
    case ERROR_GEN_FAILURE:
      return "the device failed";
    case ERROR_NOT_SUPPORTED:
      return "not supported";
    case ERROR_INVALID_PARAMETER:
      return "invalid parameter";
    case ERROR_BUSY:
      return "busy";
    case ERROR_SERVICE_NOT_ACTIVE:
      return "WLAN service not available";
    case ERROR_NOT_FOUND:
      return "interface not found";
    default:
      return "error";
  }
}

WlanDiagnosis DiagnoseWlanService() {
  using enum WlanDiagnosis::Problem;
  const std::shared_ptr<WlanService> service = InstalledService();
  WlanDiagnosis diagnosis;
  diagnosis.service = service->Name();
  const auto failed = [&](WlanDiagnosis::Problem problem, DWORD error) {
    diagnosis.problem = problem;
    diagnosis.error = error;
    diagnosis.detail = service->LastFailure();
    return diagnosis;
  };
  std::unique_ptr<WlanSession> session;
  if (const DWORD error = service->Open(2, session); error != ERROR_SUCCESS || !session) {
    return failed(kNoService, error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE);
  }
  std::vector<WlanInterface> interfaces;
  if (const DWORD error = session->EnumInterfaces(interfaces); error != ERROR_SUCCESS) {
    return failed(kInterfacesFailed, error);
  }
  if (interfaces.empty()) {
    diagnosis.problem = kNoInterface;
  } else if (std::none_of(interfaces.begin(), interfaces.end(),
                          [](const WlanInterface& i) { return i.up; })) {
    diagnosis.problem = kNoneUp;
    for (const WlanInterface& interface : interfaces) {
      diagnosis.interfaces.push_back(interface.description);
    }
  }
  return diagnosis;
}

FreshScan ScanFirstInterfaceAndWait(std::chrono::milliseconds limit) {
  FreshScan scan;
  const std::shared_ptr<WlanService> service = InstalledService();
  std::unique_ptr<WlanSession> session;
  scan.error = service->Open(2, session);
  if (scan.error != ERROR_SUCCESS) return scan;
  if (!session) {
    scan.error = ERROR_GEN_FAILURE;
    return scan;
  }
  std::vector<WlanInterface> interfaces;
  scan.error = ListUpInterfaces(*session, interfaces);
  if (scan.error != ERROR_SUCCESS) return scan;
  if (interfaces.empty()) {
    scan.error = ERROR_NOT_FOUND;
    return scan;
  }
  scan.interfaceName = interfaces.front().description;
  scan.error = session->ScanAndWait(interfaces.front().guid, limit, scan.end);
  if (scan.error != ERROR_SUCCESS) scan.detail = service->LastFailure();
  return scan;
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
  if (const DWORD error = client->service->Open(dwClientVersion, client->session);
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
  const DWORD error = quorvan::ListUpInterfaces(*session, interfaces);
  {
    quorvan::Layer& layer = quorvan::TheLayer();
    std::lock_guard lock(layer.mutex);
    layer.firstListed = error != ERROR_SUCCESS || interfaces.empty()
                            ? std::string()
                            : interfaces.front().description;
  }
  if (error != ERROR_SUCCESS) return error;
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
  std::vector<WLAN_BSS_ENTRY> entries;
  if (const DWORD error = session->GetBssList(*pInterfaceGuid, pDot11Ssid, dot11BssType,
                                              bSecurityEnabled != FALSE, entries);
      error != ERROR_SUCCESS) {
    return error;
  }
  const std::size_t header = offsetof(WLAN_BSS_LIST, wlanBssEntries);
  auto* list = static_cast<WLAN_BSS_LIST*>(
      quorvan::AllocateList(header, sizeof(WLAN_BSS_ENTRY), entries.size()));
  if (list == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  list->dwTotalSize = static_cast<DWORD>(header + sizeof(WLAN_BSS_ENTRY) * entries.size());
  list->dwNumberOfItems = static_cast<DWORD>(entries.size());
  std::copy(entries.begin(), entries.end(), list->wlanBssEntries);
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

// A stand-in for Windows' wlanapi.dll: the six Native Wifi functions the program calls, serving
// one interface with the BSS entries below, in place of Wine's own, which lists no interface.
// Every call appends a line to the file named by QUORVAN_WLAN_LOG:
// "<GetTickCount64 ms> <function> open=<handles> lists=<lists> faults=<refused calls>".

#include <windows.h>
// windows.h first: wlanapi.h relies on its types.
#include <wlanapi.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <set>

namespace {

constexpr GUID kInterfaceGuid = {
    0x5a3d0e1c, 0x6f1b, 0x4c41, {0x9c, 0x2e, 0x7d, 0x1b, 0x2b, 0x8f, 0x0a, 0x11}};

// SSID byte order differs from BSSID order, so that sorting by either shows.
constexpr struct {
  UCHAR bssid[6];
  const char* ssid;  // UTF-8 bytes, as a radio would send them
} kServedBss[] = {
    {{0x00, 0x11, 0x22, 0x33, 0x44, 0x55}, "Caf\xc3\xa9 M\xc3\xbcnchen"},
    {{0x02, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}, "\xe5\x92\x96\xe5\x95\xa1\xe9\xa6\x86"},
    {{0x0a, 0x00, 0x00, 0x00, 0x00, 0x01}, ""},
};

std::set<HANDLE> openHandles;
std::set<void*> liveLists;
int faults = 0;
UINT_PTR nextHandle = 0x5100;

void Log(const char* function) {
  char path[MAX_PATH];
  const DWORD length = GetEnvironmentVariableA("QUORVAN_WLAN_LOG", path, MAX_PATH);
  FILE* file = length > 0 && length < MAX_PATH ? std::fopen(path, "a") : nullptr;
  if (file == nullptr) return;
  std::fprintf(file, "%llu %s open=%d lists=%d faults=%d\n",
               static_cast<unsigned long long>(GetTickCount64()), function,
               static_cast<int>(openHandles.size()), static_cast<int>(liveLists.size()), faults);
  std::fclose(file);
}

// False, and one fault more, unless `client` is open and `guid` is the served interface.
bool Valid(HANDLE client, const GUID* guid = &kInterfaceGuid) {
  const bool valid =
      openHandles.count(client) != 0 && guid != nullptr && IsEqualGUID(*guid, kInterfaceGuid);
  faults += valid ? 0 : 1;
  return valid;
}

template <typename List>
List* AllocateList(std::size_t bytes) {
  void* list = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes);
  liveLists.insert(list);
  return static_cast<List*>(list);
}

}  // namespace

extern "C" {

DWORD WINAPI WlanOpenHandle(DWORD, PVOID, PDWORD negotiatedVersion, PHANDLE client) {
  *client = reinterpret_cast<HANDLE>(nextHandle++);
  if (negotiatedVersion != nullptr) *negotiatedVersion = 2;
  openHandles.insert(*client);
  Log("WlanOpenHandle");
  return ERROR_SUCCESS;
}

DWORD WINAPI WlanCloseHandle(HANDLE client, PVOID) {
  const bool valid = Valid(client);
  openHandles.erase(client);
  Log("WlanCloseHandle");
  return valid ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

DWORD WINAPI WlanEnumInterfaces(HANDLE client, PVOID, PWLAN_INTERFACE_INFO_LIST* interfaces) {
  if (!Valid(client)) return ERROR_INVALID_HANDLE;
  // The headers differ on the entry array ([1] or []), so sizes count from its offset.
  *interfaces = AllocateList<WLAN_INTERFACE_INFO_LIST>(
      offsetof(WLAN_INTERFACE_INFO_LIST, InterfaceInfo) + sizeof(WLAN_INTERFACE_INFO));
  (*interfaces)->dwNumberOfItems = 1;
  (*interfaces)->InterfaceInfo[0].InterfaceGuid = kInterfaceGuid;
  (*interfaces)->InterfaceInfo[0].isState = wlan_interface_state_connected;
  Log("WlanEnumInterfaces");
  return ERROR_SUCCESS;
}

DWORD WINAPI WlanScan(HANDLE client, const GUID* guid, PDOT11_SSID, PWLAN_RAW_DATA, PVOID) {
  const bool valid = Valid(client, guid);
  Log("WlanScan");
  return valid ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
}

DWORD WINAPI WlanGetNetworkBssList(HANDLE client, const GUID* guid, const PDOT11_SSID,
                                   DOT11_BSS_TYPE, BOOL, PVOID, PWLAN_BSS_LIST* bssList) {
  if (!Valid(client, guid)) return ERROR_INVALID_PARAMETER;
  constexpr DWORD count = static_cast<DWORD>(std::size(kServedBss));
  WLAN_BSS_LIST* list = *bssList = AllocateList<WLAN_BSS_LIST>(
      offsetof(WLAN_BSS_LIST, wlanBssEntries) + count * sizeof(WLAN_BSS_ENTRY));
  list->dwNumberOfItems = count;
  for (DWORD i = 0; i < count; ++i) {
    WLAN_BSS_ENTRY& entry = list->wlanBssEntries[i];
    entry.dot11Ssid.uSSIDLength = static_cast<ULONG>(std::strlen(kServedBss[i].ssid));
    std::memcpy(entry.dot11Ssid.ucSSID, kServedBss[i].ssid, entry.dot11Ssid.uSSIDLength);
    std::memcpy(entry.dot11Bssid, kServedBss[i].bssid, sizeof entry.dot11Bssid);
    entry.dot11BssType = dot11_BSS_type_infrastructure;
    entry.ulChCenterFrequency = 2412000;
  }
  Log("WlanGetNetworkBssList");
  return ERROR_SUCCESS;
}

VOID WINAPI WlanFreeMemory(PVOID memory) {
  // Only lists this service handed out are released; anything else is a fault.
  const bool known = liveLists.erase(memory) != 0;
  if (known) HeapFree(GetProcessHeap(), 0, memory);
  faults += known ? 0 : 1;
  Log("WlanFreeMemory");
}

}  // extern "C"

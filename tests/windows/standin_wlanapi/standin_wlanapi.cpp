// A stand-in for Windows' wlanapi.dll: the six Native Wifi functions the program calls, serving
// one interface with the BSS entries below, and writing every call with its time to the file
// named by QUORVAN_WLAN_LOG. Under Wine it replaces Wine's own wlanapi, which lists no
// interface and aborts on a BSS list request.
//
// Log lines: "<GetTickCount64 ms> <function> key=value ...". Handles and lists are written as
// numbers so that a test can pair every open with a close and every list with its release.

#include <windows.h>
// windows.h first: wlanapi.h relies on its types.
#include <wlanapi.h>

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <mutex>
#include <set>

namespace {

// {5A3D0E1C-6F1B-4C41-9C2E-7D1B2B8F0A11}
constexpr GUID kInterfaceGuid = {
    0x5a3d0e1c, 0x6f1b, 0x4c41, {0x9c, 0x2e, 0x7d, 0x1b, 0x2b, 0x8f, 0x0a, 0x11}};

struct StandInBss {
  UCHAR bssid[6];
  const char* ssid;  // UTF-8 bytes, as a radio would send them
  LONG rssi;
  ULONG linkQuality;
  ULONGLONG timestamp;
  ULONGLONG hostTimestamp;
  ULONG centerFrequencyKhz;
  USHORT beaconPeriod;
};

// Names chosen so that byte order, Unicode and the hidden-name case all show in the list.
constexpr StandInBss kServedBss[] = {
    {{0x00, 0x11, 0x22, 0x33, 0x44, 0x55},
     "Caf\xc3\xa9 M\xc3\xbcnchen",
     -47,
     80,
     0xAABBCCDD12345678ull,
     0x01D9C0DE0BADF00Dull,
     2437000,
     100},
    {{0x02, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e},
     "\xe5\x92\x96\xe5\x95\xa1\xe9\xa6\x86",
     -71,
     35,
     0x0000000100000001ull,
     0x01D9C0DE00000010ull,
     5180000,
     102},
    {{0x0a, 0x00, 0x00, 0x00, 0x00, 0x01},
     "",
     -88,
     0,
     0x00000000FFFFFFFFull,
     0x01D9C0DEFFFFFFFEull,
     2412000,
     100},
};

std::mutex state;
std::set<HANDLE> openHandles;
std::set<void*> liveLists;
UINT_PTR nextHandle = 0x5100;

void Log(const char* format, ...) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(L"QUORVAN_WLAN_LOG", path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  char line[256];
  int used =
      std::snprintf(line, sizeof line, "%llu ", static_cast<unsigned long long>(GetTickCount64()));
  if (used < 0 || static_cast<std::size_t>(used) >= sizeof line) return;
  va_list arguments;
  va_start(arguments, format);
  const int rest = std::vsnprintf(line + used, sizeof line - used, format, arguments);
  va_end(arguments);
  if (rest < 0) return;
  used = static_cast<int>(std::strlen(line));
  if (used + 1 < static_cast<int>(sizeof line)) line[used++] = '\n';
  const HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line, static_cast<DWORD>(used), &written, nullptr);
  CloseHandle(file);
}

unsigned long long Number(const void* pointer) {
  return static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(pointer));
}

bool IsOpen(HANDLE client) { return openHandles.count(client) != 0; }

void* AllocateList(std::size_t bytes) {
  void* list = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes);
  if (list != nullptr) liveLists.insert(list);
  return list;
}

}  // namespace

extern "C" {

DWORD WINAPI WlanOpenHandle(DWORD clientVersion, PVOID reserved, PDWORD negotiatedVersion,
                            PHANDLE client) {
  std::lock_guard<std::mutex> lock(state);
  if (client == nullptr || reserved != nullptr) {
    Log("WlanOpenHandle version=%lu result=87", clientVersion);
    return ERROR_INVALID_PARAMETER;
  }
  *client = reinterpret_cast<HANDLE>(nextHandle++);
  if (negotiatedVersion != nullptr) *negotiatedVersion = 2;
  openHandles.insert(*client);
  Log("WlanOpenHandle version=%lu handle=%llu result=0", clientVersion, Number(*client));
  return ERROR_SUCCESS;
}

DWORD WINAPI WlanCloseHandle(HANDLE client, PVOID reserved) {
  std::lock_guard<std::mutex> lock(state);
  const DWORD result = IsOpen(client) && reserved == nullptr ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
  openHandles.erase(client);
  Log("WlanCloseHandle handle=%llu result=%lu", Number(client), result);
  return result;
}

DWORD WINAPI WlanEnumInterfaces(HANDLE client, PVOID reserved,
                                PWLAN_INTERFACE_INFO_LIST* interfaces) {
  std::lock_guard<std::mutex> lock(state);
  if (!IsOpen(client) || reserved != nullptr || interfaces == nullptr) {
    Log("WlanEnumInterfaces handle=%llu result=6", Number(client));
    return ERROR_INVALID_HANDLE;
  }
  // The headers differ on the entry array ([1] or []), so the size is counted from its offset.
  auto* list = static_cast<WLAN_INTERFACE_INFO_LIST*>(AllocateList(
      offsetof(WLAN_INTERFACE_INFO_LIST, InterfaceInfo) + sizeof(WLAN_INTERFACE_INFO)));
  if (list == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  list->dwNumberOfItems = 1;
  list->InterfaceInfo[0].InterfaceGuid = kInterfaceGuid;
  wcsncpy_s(list->InterfaceInfo[0].strInterfaceDescription,
            std::size(list->InterfaceInfo[0].strInterfaceDescription), L"Stand-in Wi-Fi",
            _TRUNCATE);
  list->InterfaceInfo[0].isState = wlan_interface_state_connected;
  *interfaces = list;
  Log("WlanEnumInterfaces handle=%llu list=%llu result=0", Number(client), Number(list));
  return ERROR_SUCCESS;
}

DWORD WINAPI WlanScan(HANDLE client, const GUID* interfaceGuid, PDOT11_SSID ssid,
                      PWLAN_RAW_DATA ieData, PVOID reserved) {
  std::lock_guard<std::mutex> lock(state);
  const bool known = interfaceGuid != nullptr && IsEqualGUID(*interfaceGuid, kInterfaceGuid);
  const DWORD result = !IsOpen(client) ? ERROR_INVALID_HANDLE
                       : !known        ? ERROR_INVALID_PARAMETER
                                       : ERROR_SUCCESS;
  Log("WlanScan handle=%llu interface=%d ssid=%d ie=%d reserved=%d result=%lu", Number(client),
      known ? 1 : 0, ssid != nullptr ? 1 : 0, ieData != nullptr ? 1 : 0,
      reserved != nullptr ? 1 : 0, result);
  return result;
}

DWORD WINAPI WlanGetNetworkBssList(HANDLE client, const GUID* interfaceGuid, const PDOT11_SSID ssid,
                                   DOT11_BSS_TYPE bssType, BOOL securityEnabled, PVOID reserved,
                                   PWLAN_BSS_LIST* bssList) {
  std::lock_guard<std::mutex> lock(state);
  const bool known = interfaceGuid != nullptr && IsEqualGUID(*interfaceGuid, kInterfaceGuid);
  if (!IsOpen(client) || !known || reserved != nullptr || bssList == nullptr) {
    Log("WlanGetNetworkBssList handle=%llu interface=%d result=87", Number(client), known ? 1 : 0);
    return ERROR_INVALID_PARAMETER;
  }
  constexpr DWORD count = static_cast<DWORD>(std::size(kServedBss));
  constexpr std::size_t bytes =
      offsetof(WLAN_BSS_LIST, wlanBssEntries) + count * sizeof(WLAN_BSS_ENTRY);
  auto* list = static_cast<WLAN_BSS_LIST*>(AllocateList(bytes));
  if (list == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  list->dwNumberOfItems = count;
  list->dwTotalSize = static_cast<DWORD>(bytes);
  for (DWORD i = 0; i < count; ++i) {
    const StandInBss& served = kServedBss[i];
    WLAN_BSS_ENTRY& entry = list->wlanBssEntries[i];
    const std::size_t ssidLength = std::strlen(served.ssid);
    std::memcpy(entry.dot11Ssid.ucSSID, served.ssid, ssidLength);
    entry.dot11Ssid.uSSIDLength = static_cast<ULONG>(ssidLength);
    std::memcpy(entry.dot11Bssid, served.bssid, sizeof served.bssid);
    entry.dot11BssType = dot11_BSS_type_infrastructure;
    entry.lRssi = served.rssi;
    entry.uLinkQuality = served.linkQuality;
    entry.ullTimestamp = served.timestamp;
    entry.ullHostTimestamp = served.hostTimestamp;
    entry.ulChCenterFrequency = served.centerFrequencyKhz;
    entry.usBeaconPeriod = served.beaconPeriod;
  }
  *bssList = list;
  Log("WlanGetNetworkBssList handle=%llu interface=1 ssid=%d type=%d secure=%d list=%llu "
      "entries=%lu result=0",
      Number(client), ssid != nullptr ? 1 : 0, static_cast<int>(bssType),
      static_cast<int>(securityEnabled), Number(list), count);
  return ERROR_SUCCESS;
}

VOID WINAPI WlanFreeMemory(PVOID memory) {
  std::lock_guard<std::mutex> lock(state);
  const bool known = liveLists.erase(memory) != 0;
  // Only lists this service handed out are released; anything else is logged as unknown.
  if (known) HeapFree(GetProcessHeap(), 0, memory);
  Log("WlanFreeMemory list=%llu known=%d", Number(memory), known ? 1 : 0);
}

}  // extern "C"

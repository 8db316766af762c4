// A stand-in for Windows' wlanapi.dll: the six Native Wifi functions the program calls, serving
// one interface with the BSS entries below. Every call appends a line to the file named by
// QUORVAN_WLAN_LOG: "<GetTickCount64 ms> <function> open=<handles> lists=<lists> faults=<refused>".

#include <windows.h>
// windows.h first: wlanapi.h relies on its types.
#include <wlanapi.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <set>

namespace {

constexpr GUID kInterface = {
    0x5a3d0e1c, 0x6f1b, 0x4c41, {0x9c, 0x2e, 0x7d, 0x1b, 0x2b, 0x8f, 0x0a, 0x11}};

// BSSID and SSID (UTF-8 bytes, as a radio sends them); SSID byte order differs from BSSID
// order, so that sorting by either shows.
constexpr const char* kServed[][2] = {
    {"\x00\x11\x22\x33\x44\x55", "Caf\xc3\xa9 M\xc3\xbcnchen"},
    {"\x02\x1a\x2b\x3c\x4d\x5e", "\xe5\x92\x96\xe5\x95\xa1\xe9\xa6\x86"},
    {"\x0a\x00\x00\x00\x00\x01", ""},
};

std::set<HANDLE> handles;
std::set<void*> lists;
int faults = 0;

// Logs the call, one fault more unless it was `valid`; returns what the function returns.
DWORD Log(const char* function, bool valid, DWORD failure = ERROR_INVALID_PARAMETER) {
  faults += valid ? 0 : 1;
  char path[MAX_PATH];
  const DWORD length = GetEnvironmentVariableA("QUORVAN_WLAN_LOG", path, MAX_PATH);
  if (FILE* file = length > 0 && length < MAX_PATH ? std::fopen(path, "a") : nullptr) {
    std::fprintf(file, "%llu %s open=%zu lists=%zu faults=%d\n", GetTickCount64(), function,
                 handles.size(), lists.size(), faults);
    std::fclose(file);
  }
  return valid ? ERROR_SUCCESS : failure;
}

bool Valid(HANDLE client, const GUID* guid = &kInterface) {
  return handles.count(client) != 0 && guid != nullptr && IsEqualGUID(*guid, kInterface);
}

// The headers differ on the entry array ([1] or []), so sizes count from its offset. `tail`
// bytes follow the entries.
template <typename List, typename Entry>
List* Allocate(std::size_t entriesOffset, DWORD count, std::size_t tail = 0) {
  void* list =
      HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, entriesOffset + count * sizeof(Entry) + tail);
  lists.insert(list);
  static_cast<List*>(list)->dwNumberOfItems = count;
  return static_cast<List*>(list);
}

}  // namespace

extern "C" {

DWORD WINAPI WlanOpenHandle(DWORD, PVOID, PDWORD negotiatedVersion, PHANDLE client) {
  static UINT_PTR next = 0x5100;
  *client = reinterpret_cast<HANDLE>(next++);
  if (negotiatedVersion != nullptr) *negotiatedVersion = 2;
  handles.insert(*client);
  return Log("WlanOpenHandle", true);
}

DWORD WINAPI WlanCloseHandle(HANDLE client, PVOID) {
  return Log("WlanCloseHandle", handles.erase(client) != 0, ERROR_INVALID_HANDLE);
}

DWORD WINAPI WlanEnumInterfaces(HANDLE client, PVOID, PWLAN_INTERFACE_INFO_LIST* interfaces) {
  if (!Valid(client)) return Log("WlanEnumInterfaces", false, ERROR_INVALID_HANDLE);
  *interfaces = Allocate<WLAN_INTERFACE_INFO_LIST, WLAN_INTERFACE_INFO>(
      offsetof(WLAN_INTERFACE_INFO_LIST, InterfaceInfo), 1);
  (*interfaces)->InterfaceInfo[0].InterfaceGuid = kInterface;
  return Log("WlanEnumInterfaces", true);
}

DWORD WINAPI WlanScan(HANDLE client, const GUID* guid, PDOT11_SSID, PWLAN_RAW_DATA, PVOID) {
  return Log("WlanScan", Valid(client, guid));
}

DWORD WINAPI WlanGetNetworkBssList(HANDLE client, const GUID* guid, const PDOT11_SSID,
                                   DOT11_BSS_TYPE, BOOL, PVOID, PWLAN_BSS_LIST* bssList) {
  if (!Valid(client, guid)) return Log("WlanGetNetworkBssList", false);
  // Each entry's elements after all the entries, as Windows lays them out: its name and the
  // rates, at an offset from the entry itself; the last entry's size runs past the list, as a
  // faulty driver's might, and must not be read.
  const std::size_t entriesEnd =
      offsetof(WLAN_BSS_LIST, wlanBssEntries) + std::size(kServed) * sizeof(WLAN_BSS_ENTRY);
  std::size_t elementBytes = 0;
  for (const auto& served : kServed) elementBytes += 2 + std::strlen(served[1]) + 4;
  *bssList = Allocate<WLAN_BSS_LIST, WLAN_BSS_ENTRY>(offsetof(WLAN_BSS_LIST, wlanBssEntries),
                                                     std::size(kServed), elementBytes);
  (*bssList)->dwTotalSize = static_cast<DWORD>(entriesEnd + elementBytes);
  auto* const bytes = reinterpret_cast<unsigned char*>(*bssList);
  std::size_t at = entriesEnd;
  for (DWORD i = 0; i < std::size(kServed); ++i) {
    WLAN_BSS_ENTRY& entry = (*bssList)->wlanBssEntries[i];
    const std::size_t nameLength = std::strlen(kServed[i][1]);
    entry.ulIeOffset = static_cast<ULONG>(at - (reinterpret_cast<unsigned char*>(&entry) - bytes));
    entry.ulIeSize = static_cast<ULONG>(2 + nameLength + 4);
    bytes[at] = 0;
    bytes[at + 1] = static_cast<unsigned char>(nameLength);
    std::memcpy(bytes + at + 2, kServed[i][1], nameLength);
    const unsigned char rates[] = {1, 2, 0x82, 0x84};
    std::memcpy(bytes + at + 2 + nameLength, rates, sizeof rates);
    at += entry.ulIeSize;
    if (i + 1 == std::size(kServed)) entry.ulIeSize += 0x10000;
    entry.usCapabilityInformation = 0x0011;
    std::memcpy(entry.dot11Bssid, kServed[i][0], sizeof entry.dot11Bssid);
    entry.dot11Ssid.uSSIDLength = static_cast<ULONG>(std::strlen(kServed[i][1]));
    std::memcpy(entry.dot11Ssid.ucSSID, kServed[i][1], entry.dot11Ssid.uSSIDLength);
    entry.ulChCenterFrequency = 2412000;
  }
  return Log("WlanGetNetworkBssList", true);
}

// Only lists this service handed out are released; anything else is a fault.
VOID WINAPI WlanFreeMemory(PVOID memory) {
  const bool known = lists.erase(memory) != 0;
  if (known) HeapFree(GetProcessHeap(), 0, memory);
  Log("WlanFreeMemory", known);
}

}  // extern "C"

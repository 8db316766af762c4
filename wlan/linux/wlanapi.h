#pragma once

// The part of the Native Wifi API that quorvan uses, declared with the published names, types
// and conventions so that the same access code compiles here and against Windows' wlanapi.h.
// Every function returns 0 (ERROR_SUCCESS) or a Windows error number; a list it returns belongs
// to the caller until WlanFreeMemory. The functions are served by the WlanService installed
// with SetWlanService (wlan/linux/wlan_service.h).

#include <cstdint>

using DWORD = uint32_t;
using ULONG = uint32_t;
using LONG = int32_t;
using USHORT = uint16_t;
using UCHAR = uint8_t;
using ULONGLONG = uint64_t;
using BOOL = int;
using WCHAR = wchar_t;
using PVOID = void*;
using HANDLE = void*;
using PDWORD = DWORD*;
using PHANDLE = HANDLE*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_GEN_FAILURE = 31;
inline constexpr DWORD ERROR_NOT_SUPPORTED = 50;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_BUSY = 170;
inline constexpr DWORD ERROR_SERVICE_NOT_ACTIVE = 1062;
inline constexpr DWORD ERROR_NOT_FOUND = 1168;

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
  bool operator==(const GUID&) const = default;  // as Windows' guiddef.h compares them
};

inline constexpr ULONG DOT11_SSID_MAX_LENGTH = 32;

struct DOT11_SSID {
  ULONG uSSIDLength;
  UCHAR ucSSID[DOT11_SSID_MAX_LENGTH];
};
using PDOT11_SSID = DOT11_SSID*;

using DOT11_MAC_ADDRESS = UCHAR[6];

enum DOT11_BSS_TYPE {
  dot11_BSS_type_infrastructure = 1,
  dot11_BSS_type_independent = 2,
  dot11_BSS_type_any = 3,
};

struct WLAN_RAW_DATA {
  DWORD dwDataSize;
  UCHAR DataBlob[1];
};
using PWLAN_RAW_DATA = WLAN_RAW_DATA*;

inline constexpr DWORD WLAN_MAX_NAME_LENGTH = 256;

struct WLAN_INTERFACE_INFO {
  GUID InterfaceGuid;
  WCHAR strInterfaceDescription[WLAN_MAX_NAME_LENGTH];
};

struct WLAN_INTERFACE_INFO_LIST {
  DWORD dwNumberOfItems;
  DWORD dwIndex;
  WLAN_INTERFACE_INFO InterfaceInfo[1];  // dwNumberOfItems entries
};
using PWLAN_INTERFACE_INFO_LIST = WLAN_INTERFACE_INFO_LIST*;

// The published fields quorvan reads, in the published order.
struct WLAN_BSS_ENTRY {
  DOT11_SSID dot11Ssid;  // name bytes, then zero bytes up to 32
  DOT11_MAC_ADDRESS dot11Bssid;
  LONG lRssi;                      // dBm
  ULONG uLinkQuality;              // 0..100
  USHORT usBeaconPeriod;           // time units (1024 us)
  ULONGLONG ullTimestamp;          // the beacon's Timestamp field, us
  ULONGLONG ullHostTimestamp;      // reception time, 100 ns units since 1601-01-01 UTC
  USHORT usCapabilityInformation;  // the frame's Capability Information field
  ULONG ulChCenterFrequency;       // kHz
  // The information elements of the last beacon or probe response lie in the list's memory,
  // ulIeOffset bytes from the start of this entry, ulIeSize bytes long.
  ULONG ulIeOffset;
  ULONG ulIeSize;
};

struct WLAN_BSS_LIST {
  DWORD dwTotalSize;  // bytes, header, entries and their information elements
  DWORD dwNumberOfItems;
  WLAN_BSS_ENTRY wlanBssEntries[1];  // dwNumberOfItems entries
};
using PWLAN_BSS_LIST = WLAN_BSS_LIST*;

extern "C" {

DWORD WlanOpenHandle(DWORD dwClientVersion, PVOID pReserved, PDWORD pdwNegotiatedVersion,
                     PHANDLE phClientHandle);
DWORD WlanCloseHandle(HANDLE hClientHandle, PVOID pReserved);
DWORD WlanEnumInterfaces(HANDLE hClientHandle, PVOID pReserved,
                         PWLAN_INTERFACE_INFO_LIST* ppInterfaceList);
DWORD WlanScan(HANDLE hClientHandle, const GUID* pInterfaceGuid, const PDOT11_SSID pDot11Ssid,
               const PWLAN_RAW_DATA pIeData, PVOID pReserved);
DWORD WlanGetNetworkBssList(HANDLE hClientHandle, const GUID* pInterfaceGuid,
                            const PDOT11_SSID pDot11Ssid, DOT11_BSS_TYPE dot11BssType,
                            BOOL bSecurityEnabled, PVOID pReserved, PWLAN_BSS_LIST* ppWlanBssList);
void WlanFreeMemory(PVOID pMemory);

}  // extern "C"

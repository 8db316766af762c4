#pragma once

// Turning nl80211 replies into Native Wifi records. No I/O: each function takes one message
// as libnl delivers it, so tests and the fuzzer feed messages they build themselves.

#include <cstdint>
#include <span>
#include <string>

#include "wlan/linux/file_time.h"
#include "wlan/linux/wlan_service.h"
#include "wlan/linux/wlanapi.h"

struct nl_msg;

namespace quorvan {

// The host's clocks, read once per dump; a BSS's reception time is rebuilt from its age.
struct HostClock {
  uint64_t boottimeNs = 0;  // CLOCK_BOOTTIME
  int64_t realtimeNs = 0;   // CLOCK_REALTIME, since 1970-01-01 UTC
};

// Reception time in Windows units (100 ns since 1601-01-01 UTC) of a frame received `ageNs`
// before `clock` was read. Saturates instead of wrapping round for absurd ages or clocks.
ULONGLONG HostTimestampFromAge(const HostClock& clock, uint64_t ageNs);

enum class SsidSearch { kFound, kAbsent, kMalformed };

// Walks 802.11 information elements (ID, length, body) and copies the SSID element's body into
// `ssid` (zero-filled to 32 bytes). kMalformed when an element runs past the blob or the SSID
// element is longer than 32 bytes; every element is checked, not just those before the SSID.
SsidSearch FindSsid(std::span<const uint8_t> elements, DOT11_SSID& ssid);

enum class BssParse { kEntry, kSkip };

// One message of an NL80211_CMD_GET_SCAN dump into `bss`: its entry, and as its elements those
// of the last frame heard (NL80211_BSS_INFORMATION_ELEMENTS, what iw shows), or the beacon's
// when the kernel has only those. kSkip for a message without a well-formed BSS (no BSSID,
// attributes failing their policy, broken elements, a frequency beyond 32 bits of kHz); `bss`
// may then be partly written and is not to be used.
BssParse ParseBssMessage(nl_msg* message, const HostClock& clock, WlanBss& bss);

struct StationInterface {
  uint32_t ifindex = 0;
  std::string name;  // at most 15 bytes in practice, "" when the kernel sent none
};

// One message of an NL80211_CMD_GET_INTERFACE dump; false unless it describes a station
// (managed) interface with an index.
bool ParseInterfaceMessage(nl_msg* message, StationInterface& out);

enum class ScanEvent { kOther, kStarted, kFinished, kAborted };

// One message from nl80211's "scan" multicast group: kStarted for a scan starting on `ifindex`,
// kFinished for new scan results on it, kAborted for a scan on it that stopped early, kOther for
// anything else (another interface, a malformed message).
ScanEvent ParseScanEvent(nl_msg* message, uint32_t ifindex);

// The interface index is carried in the GUID so that a GUID from WlanEnumInterfaces finds its
// interface again; any other GUID gives 0.
GUID GuidFromIfindex(uint32_t ifindex);
uint32_t IfindexFromGuid(const GUID& guid);

}  // namespace quorvan

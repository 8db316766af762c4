#pragma once

// One BSS as the Native Wifi API lists it and as the program keeps it: the access code reads
// entries into observations, and the services of the layer on Linux that start from
// observations (the replay, the simulated radio) write entries from them, so that a field is
// mapped in one place only.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "tracking/scan_cycle.h"
#include "wlan/native_wifi.h"

namespace quorvan {

// Whether the information elements of an entry lie where the list says: `ieSize` bytes,
// `ieOffset` bytes from the entry, which starts `entryAt` bytes into a list of `totalSize`
// bytes. They must lie after the entry and inside the list. The numbers come from a driver and
// are checked as they come, in arithmetic that cannot wrap round.
inline bool ElementsInsideList(std::size_t entryAt, uint64_t ieOffset, uint64_t ieSize,
                               std::size_t totalSize) {
  if (entryAt > totalSize || ieOffset < sizeof(WLAN_BSS_ENTRY)) return false;
  const uint64_t room = totalSize - entryAt;
  return ieOffset <= room && ieSize <= room - ieOffset;
}

// The information elements of `entry`, one of the entries of `list`; none when the list's
// numbers do not hold them.
inline std::span<const uint8_t> ElementsOf(const WLAN_BSS_LIST& list, const WLAN_BSS_ENTRY& entry) {
  if (entry.ulIeSize == 0) return {};
  const auto* start = reinterpret_cast<const uint8_t*>(&list);
  const auto* at = reinterpret_cast<const uint8_t*>(&entry);
  if (at < start || !ElementsInsideList(static_cast<std::size_t>(at - start), entry.ulIeOffset,
                                        entry.ulIeSize, list.dwTotalSize)) {
    return {};
  }
  return {at + entry.ulIeOffset, entry.ulIeSize};
}

// `ies` are the entry's information elements, as ElementsOf finds them.
inline BssObservation ObservationFrom(const WLAN_BSS_ENTRY& entry,
                                      std::span<const uint8_t> ies = {}) {
  BssObservation observation;
  std::copy_n(entry.dot11Bssid, observation.bssid.size(), observation.bssid.begin());
  // All 32 bytes: the name ends at its first zero byte, whatever uSSIDLength says.
  std::copy_n(entry.dot11Ssid.ucSSID, observation.ssid.size(), observation.ssid.begin());
  observation.rssi = entry.lRssi;
  observation.linkQuality = entry.uLinkQuality;
  observation.timestamp = entry.ullTimestamp;
  observation.hostTimestamp = entry.ullHostTimestamp;
  observation.centerFrequency = entry.ulChCenterFrequency;
  observation.beaconPeriod = entry.usBeaconPeriod;
  observation.capability = entry.usCapabilityInformation;
  observation.ies.assign(ies.begin(), ies.end());
  return observation;
}

// uSSIDLength covers the name and whatever non-zero bytes follow a zero in it; nothing in
// quorvan reads it, and a service that knows the length on the air may set it afterwards. The
// information elements are not in the entry: the list that holds it places them.
inline WLAN_BSS_ENTRY EntryFrom(const BssObservation& observation) {
  WLAN_BSS_ENTRY entry = {};
  std::copy(observation.bssid.begin(), observation.bssid.end(), entry.dot11Bssid);
  std::copy(observation.ssid.begin(), observation.ssid.end(), entry.dot11Ssid.ucSSID);
  const auto last = std::find_if(observation.ssid.rbegin(), observation.ssid.rend(),
                                 [](uint8_t byte) { return byte != 0; });
  entry.dot11Ssid.uSSIDLength = static_cast<ULONG>(observation.ssid.rend() - last);
  entry.lRssi = observation.rssi;
  entry.uLinkQuality = observation.linkQuality;
  entry.ullTimestamp = observation.timestamp;
  entry.ullHostTimestamp = observation.hostTimestamp;
  entry.ulChCenterFrequency = observation.centerFrequency;
  entry.usBeaconPeriod = observation.beaconPeriod;
  entry.usCapabilityInformation = observation.capability;
  return entry;
}

}  // namespace quorvan

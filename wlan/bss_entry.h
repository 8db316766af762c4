#pragma once

// One BSS as the Native Wifi API lists it and as the program keeps it: the access code reads
// entries into observations, and the services of the layer on Linux that start from
// observations (the replay, the simulated radio) write entries from them, so that a field is
// mapped in one place only.

#include <algorithm>

#include "tracking/scan_cycle.h"
#include "wlan/native_wifi.h"

namespace quorvan {

inline BssObservation ObservationFrom(const WLAN_BSS_ENTRY& entry) {
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
  return observation;
}

// uSSIDLength covers the name and whatever non-zero bytes follow a zero in it; nothing in
// quorvan reads it, and a service that knows the length on the air may set it afterwards.
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
  return entry;
}

}  // namespace quorvan

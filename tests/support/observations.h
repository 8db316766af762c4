#pragma once

#include <algorithm>
#include <string_view>

#include "tracking/scan_cycle.h"
#include "wlan/link_quality.h"

namespace quorvan::testing {

// A BSS whose BSSID ends in the two bytes of `id`, with Native Wifi's link quality for `rssi`.
inline BssObservation Observation(unsigned id, std::string_view ssid, int32_t rssi,
                                  uint32_t frequencyKHz = 2437000, uint16_t beaconPeriod = 100) {
  BssObservation o;
  o.bssid = {0x00, 0x1A, 0x2B, 0x3C, static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id)};
  std::copy_n(ssid.begin(), std::min<std::size_t>(ssid.size(), o.ssid.size()), o.ssid.begin());
  o.rssi = rssi;
  o.linkQuality = LinkQualityFromRssi(rssi);
  o.centerFrequency = frequencyKHz;
  o.beaconPeriod = beaconPeriod;
  return o;
}

}  // namespace quorvan::testing

#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "tracking/scan_cycle.h"

namespace quorvan::testing {

// A BSSID whose last two bytes are `n`, for tests that need many distinct ones.
inline std::array<uint8_t, 6> Bssid(unsigned n) {
  return {0x00, 0x1A, 0x2B, 0x3C, static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)};
}

inline BssObservation Observation(unsigned bssid, std::string_view ssid, int32_t rssi,
                                  uint32_t frequencyKHz = 2437000, uint16_t beaconPeriod = 100) {
  BssObservation o;
  o.bssid = Bssid(bssid);
  std::copy_n(ssid.begin(), std::min<std::size_t>(ssid.size(), o.ssid.size()), o.ssid.begin());
  o.rssi = rssi;
  o.linkQuality = static_cast<uint32_t>(std::clamp(2 * (rssi + 100), 0, 100));
  o.centerFrequency = frequencyKHz;
  o.beaconPeriod = beaconPeriod;
  return o;
}

template <typename Table>
std::vector<std::string> SsidsOf(Table& table) {
  std::vector<std::string> names;
  for (auto& record : table) names.emplace_back(record.ssid);
  return names;
}

}  // namespace quorvan::testing

#pragma once

#include <algorithm>
#include <cstdint>

namespace quorvan {

// Native Wifi's link quality: 0 at -100 dBm or less, 100 at -50 dBm or more, linear between.
// Computed in 64 bits, so that no reading overflows.
inline uint32_t LinkQualityFromRssi(int64_t dbm) {
  return static_cast<uint32_t>(std::clamp<int64_t>(2 * (dbm + 100), 0, 100));
}

// The inverse for a reading that comes as a quality only (0..100, larger values count as
// 100): the strongest dBm whose quality does not exceed it, so that an odd quality rounds down.
inline int32_t RssiFromLinkQuality(unsigned quality) {
  return static_cast<int32_t>(std::min(quality, 100u) / 2) - 100;
}

}  // namespace quorvan

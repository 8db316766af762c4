#pragma once

#include <algorithm>

#include "wlan/linux/wlanapi.h"

namespace quorvan {

// Native Wifi's link quality: 0 at -100 dBm or less, 100 at -50 dBm or more, linear between.
inline ULONG LinkQualityFromRssi(LONG dbm) {
  return static_cast<ULONG>(std::clamp(2 * (static_cast<long long>(dbm) + 100), 0LL, 100LL));
}

// The inverse for a reading that comes as a quality only (0..100, larger values count as
// 100): the strongest dBm whose quality does not exceed it, so that an odd quality rounds down.
inline LONG RssiFromLinkQuality(unsigned quality) {
  return static_cast<LONG>(std::min(quality, 100u) / 2) - 100;
}

}  // namespace quorvan

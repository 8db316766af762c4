#include "wlan/bss_entry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>

namespace quorvan {
namespace {

auto Fields(const BssObservation& o) {
  return std::tie(o.bssid, o.ssid, o.rssi, o.linkQuality, o.timestamp, o.hostTimestamp,
                  o.centerFrequency, o.beaconPeriod, o.capability);
}

// Every field to its own place and back, each value distinct so that two crossed fields show;
// the stated length reaches the name's last non-zero byte, and a name is read from all 32 bytes
// whatever length an entry states.
TEST(BssEntry, ObservationsTravelThroughEntriesUnchanged) {
  const struct {
    std::string_view ssid;
    ULONG ssidLength;
  } names[] = {
      {"0123456789abcdef0123456789ABCDEF", 32},
      {std::string_view("ab\0cd", 5), 5},
      {std::string_view("0123456789abcdef0123456789ABCDE\0", 32), 31},
      {"", 0},
  };
  for (const auto& name : names) {
    BssObservation o;
    o.bssid = {0xFF, 0x00, 0x80, 0x7F, 0x01, 0x02};
    std::copy(name.ssid.begin(), name.ssid.end(), o.ssid.begin());
    o.rssi = INT32_MIN, o.linkQuality = UINT32_MAX, o.timestamp = 0x8000000000000001u;
    o.hostTimestamp = 0x7FFFFFFFFFFFFFFEu, o.centerFrequency = 0x80000003u;
    o.beaconPeriod = 0xFFFE, o.capability = 0x0431;
    SCOPED_TRACE(std::string(name.ssid));
    WLAN_BSS_ENTRY entry = EntryFrom(o);
    EXPECT_EQ(entry.dot11Ssid.uSSIDLength, name.ssidLength);
    EXPECT_EQ(
        std::tuple(entry.lRssi, entry.uLinkQuality, entry.ullTimestamp, entry.ullHostTimestamp,
                   entry.ulChCenterFrequency, entry.usBeaconPeriod, entry.usCapabilityInformation),
        std::tuple(o.rssi, o.linkQuality, o.timestamp, o.hostTimestamp, o.centerFrequency,
                   o.beaconPeriod, o.capability));
    EXPECT_TRUE(std::equal(o.bssid.begin(), o.bssid.end(), entry.dot11Bssid));
    const BssObservation back = ObservationFrom(entry);
    EXPECT_EQ(Fields(back), Fields(o));
    entry.dot11Ssid.uSSIDLength = 1000;
    EXPECT_EQ(ObservationFrom(entry).ssid, o.ssid);
  }
}

}  // namespace
}  // namespace quorvan

#include "wlan/bss_entry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace quorvan {
namespace {

std::string Text(const BssObservation& o) {
  std::string text = "bssid";
  for (const uint8_t byte : o.bssid) text += " " + std::to_string(byte);
  text += " ssid";
  for (const uint8_t byte : o.ssid) text += " " + std::to_string(byte);
  return text + " rssi " + std::to_string(o.rssi) + " q " + std::to_string(o.linkQuality) + " ts " +
         std::to_string(o.timestamp) + " host " + std::to_string(o.hostTimestamp) + " f " +
         std::to_string(o.centerFrequency) + " bp " + std::to_string(o.beaconPeriod);
}

struct Row {
  std::string_view ssid;  // the stored 32 bytes start with these, zeros after
  ULONG ssidLength;       // what EntryFrom says of them
  int32_t rssi;
  uint32_t linkQuality;
  uint64_t timestamp;
  uint64_t hostTimestamp;
  uint32_t frequency;
  uint16_t beaconPeriod;
};

// Every field travels to its own place in the entry and back; a name is all 32 bytes, and the
// length the entry states reaches its last non-zero byte.
TEST(BssEntry, ObservationsTravelThroughEntriesUnchanged) {
  constexpr auto kMaxU64 = std::numeric_limits<uint64_t>::max();
  constexpr auto kMaxU32 = std::numeric_limits<uint32_t>::max();
  constexpr auto kMinI32 = std::numeric_limits<int32_t>::min();
  constexpr auto kMaxI32 = std::numeric_limits<int32_t>::max();
  const Row rows[] = {
      {"0123456789abcdef0123456789ABCDEF", 32, -60, 80, 1, 2, 2437000, 100},
      {std::string_view("ab\0cd", 5), 5, -95, 10, 0x1234, 0x5678, 5180000, 102},
      {std::string_view("\0\0x", 3), 3, 0, 0, 0, 0, 0, 0},
      {std::string_view("0123456789abcdef0123456789ABCDE\0", 32), 31, kMinI32, 0, kMaxU64, 0,
       kMaxU32, 65535},
      {"\xFF\xFE\x80", 3, kMaxI32, kMaxU32, 0, kMaxU64, 1, 1},
      {"", 0, -1, 100, 0x8000000000000000u, 0x7FFFFFFFFFFFFFFFu, 0x80000000u, 0x8000},
  };
  uint8_t id = 0;
  for (const Row& row : rows) {
    BssObservation o;
    o.bssid = {0xFF, 0x00, 0x80, 0x7F, 0x01, ++id};
    std::copy(row.ssid.begin(), row.ssid.end(), o.ssid.begin());
    o.rssi = row.rssi;
    o.linkQuality = row.linkQuality;
    o.timestamp = row.timestamp;
    o.hostTimestamp = row.hostTimestamp;
    o.centerFrequency = row.frequency;
    o.beaconPeriod = row.beaconPeriod;
    SCOPED_TRACE(Text(o));

    const WLAN_BSS_ENTRY entry = EntryFrom(o);
    EXPECT_EQ(entry.dot11Ssid.uSSIDLength, row.ssidLength);
    EXPECT_TRUE(std::equal(o.ssid.begin(), o.ssid.end(), entry.dot11Ssid.ucSSID));
    EXPECT_TRUE(std::equal(o.bssid.begin(), o.bssid.end(), entry.dot11Bssid));
    EXPECT_EQ(entry.lRssi, row.rssi);
    EXPECT_EQ(entry.uLinkQuality, row.linkQuality);
    EXPECT_EQ(entry.ullTimestamp, row.timestamp);
    EXPECT_EQ(entry.ullHostTimestamp, row.hostTimestamp);
    EXPECT_EQ(entry.ulChCenterFrequency, row.frequency);
    EXPECT_EQ(entry.usBeaconPeriod, row.beaconPeriod);

    EXPECT_EQ(Text(ObservationFrom(entry)), Text(o));
  }
}

// The name is read from all 32 bytes whatever length the entry states: nothing reads it.
TEST(BssEntry, NameReadWhateverTheStatedLength) {
  WLAN_BSS_ENTRY entry = {};
  std::copy_n("cafe", 4, entry.dot11Ssid.ucSSID);
  for (const ULONG length : {0u, 2u, 4u, 32u, 1000u}) {
    entry.dot11Ssid.uSSIDLength = length;
    const BssObservation o = ObservationFrom(entry);
    EXPECT_EQ(std::string(o.ssid.begin(), o.ssid.begin() + 5), std::string("cafe", 5)) << length;
  }
}

}  // namespace
}  // namespace quorvan

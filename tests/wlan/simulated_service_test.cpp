#include "wlan/linux/simulated_service.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "tracking/scan_cycle.h"
#include "wlan/wlan_access.h"

namespace quorvan {
namespace {

std::string Describe(const WLAN_BSS_ENTRY& e) {
  char line[160];
  std::snprintf(line, sizeof line, "%02x%02x%02x%02x%02x%02x %d %u %u %llu %llu %u",
                e.dot11Bssid[0], e.dot11Bssid[1], e.dot11Bssid[2], e.dot11Bssid[3], e.dot11Bssid[4],
                e.dot11Bssid[5], e.lRssi, e.uLinkQuality, e.usBeaconPeriod,
                static_cast<unsigned long long>(e.ullTimestamp),
                static_cast<unsigned long long>(e.ullHostTimestamp), e.ulChCenterFrequency);
  return std::string(line) + " " +
         std::string(reinterpret_cast<const char*>(e.dot11Ssid.ucSSID), 32);
}

std::vector<std::string> Describe(const std::vector<WLAN_BSS_ENTRY>& entries) {
  std::vector<std::string> lines;
  for (const auto& e : entries) lines.push_back(Describe(e));
  return lines;
}

// The lists of 30 scan-and-query rounds, as the main window would ask for them.
std::vector<std::vector<std::string>> Rounds(uint64_t seed) {
  SimulatedRadio radio(seed);
  std::vector<std::vector<std::string>> rounds;
  for (int i = 0; i < 30; ++i) {
    rounds.push_back(Describe(radio.Query()));
    radio.Scan();
  }
  return rounds;
}

std::string Name(const WLAN_BSS_ENTRY& e) {
  return std::string(reinterpret_cast<const char*>(e.dot11Ssid.ucSSID), e.dot11Ssid.uSSIDLength);
}

std::string Key(const WLAN_BSS_ENTRY& e) { return Describe(e).substr(0, 12); }

TEST(SimulatedRadio, SameSeedSameLists) {
  EXPECT_EQ(Rounds(7), Rounds(7));
  EXPECT_NE(Rounds(7), Rounds(8));
}

TEST(SimulatedRadio, TheEnvironmentHasWhatTheListMustShow) {
  SimulatedRadio radio(1);
  EXPECT_GE(radio.RosterSize(), 20u);
  EXPECT_LE(radio.RosterSize(), 30u);
  std::set<int> bands;
  std::map<std::string, int> names;
  bool hidden = false;
  bool zeroFilled = false;
  bool full = false;
  bool nonAscii = false;
  bool control = false;
  for (const WLAN_BSS_ENTRY& e : radio.Query()) {
    const uint32_t mhz = e.ulChCenterFrequency / 1000;
    bands.insert(mhz < 3000 ? 24 : mhz < 5925 ? 5 : 6);
    const std::string name = Name(e);
    ++names[name];
    hidden |= name.empty();
    zeroFilled |= !name.empty() && name.find_first_not_of('\0') == std::string::npos;
    full |= name.size() == 32 && name.find('\0') == std::string::npos;
    nonAscii |= std::any_of(name.begin(), name.end(), [](char c) { return c & 0x80; });
    control |= std::any_of(name.begin(), name.end(), [](char c) { return c > 0 && c < 0x20; });
    EXPECT_LE(e.dot11Ssid.uSSIDLength, 32u);
    EXPECT_GE(e.lRssi, -95);
    EXPECT_LE(e.lRssi, -30);
    EXPECT_EQ(e.uLinkQuality, static_cast<ULONG>(std::clamp(2 * (e.lRssi + 100), 0, 100)));
    EXPECT_EQ(e.dot11Bssid[0] & 1, 0) << "a BSSID is a unicast address";
  }
  EXPECT_EQ(bands, (std::set<int>{24, 5, 6}));
  EXPECT_GE(std::count_if(names.begin(), names.end(), [](auto& n) { return n.second >= 2; }), 2);
  EXPECT_TRUE(hidden);
  EXPECT_TRUE(zeroFilled);
  EXPECT_TRUE(full);
  EXPECT_TRUE(nonAscii);
  EXPECT_TRUE(control);
}

TEST(SimulatedRadio, BssesComeAndGo) {
  SimulatedRadio radio(3);
  std::set<std::string> first;
  for (const auto& e : radio.Query()) first.insert(Key(e));
  std::set<std::string> everSeen = first;
  std::set<std::string> last;
  for (int i = 0; i < 25; ++i) {
    radio.Scan();
    last.clear();
    for (const auto& e : radio.Query()) last.insert(Key(e));
    everSeen.insert(last.begin(), last.end());
  }
  std::size_t late = 0;
  for (const auto& k : everSeen) late += first.count(k) == 0;
  std::size_t gone = 0;
  for (const auto& k : everSeen) gone += last.count(k) == 0;
  EXPECT_GE(late, 3u) << "some BSSes turn up after a few cycles";
  EXPECT_GE(gone, 2u) << "some BSSes go away";
  EXPECT_LE(everSeen.size(), radio.RosterSize());
}

TEST(SimulatedRadio, FreshReadingsOnlyAfterAScan) {
  SimulatedRadio radio(11);
  const auto first = Describe(radio.Query());
  EXPECT_EQ(Describe(radio.Query()), first) << "no scan asked for: the same readings";
  radio.Scan();
  const auto scanned = radio.Query();
  EXPECT_NE(Describe(scanned), first);
  // The readings are from the scan, ten simulated seconds after the first ones were taken.
  EXPECT_GT(scanned.front().ullHostTimestamp, radio.Query().front().ullHostTimestamp - 1);
  // Left alone long enough, the service scans by itself.
  SimulatedRadio idle(11);
  const auto before = Describe(idle.Query());
  std::vector<std::string> after;
  for (int i = 0; i < SimulatedRadio::kBackgroundScanSteps; ++i) after = Describe(idle.Query());
  EXPECT_NE(after, before);
}

TEST(SimulatedRadio, TimestampsAdvanceWithEachScan) {
  SimulatedRadio radio(5);
  std::map<std::string, std::pair<ULONGLONG, ULONGLONG>> previous;
  for (int i = 0; i < 6; ++i) {
    for (const auto& e : radio.Query()) {
      const auto it = previous.find(Key(e));
      if (it != previous.end()) {
        EXPECT_GT(e.ullTimestamp, it->second.first);
        EXPECT_GT(e.ullHostTimestamp, it->second.second);
      }
      previous[Key(e)] = {e.ullTimestamp, e.ullHostTimestamp};
    }
    radio.Scan();
  }
}

// Through the Native Wifi functions and the scan cycle: a BSS that leaves fades out and is
// evicted, and one that arrives late gets its record.
TEST(SimulatedService, FeedsTheScanCycle) {
  SetWlanService(std::make_unique<SimulatedService>(42));
  EXPECT_EQ(CurrentWlanService().Name(), "simulated radio (seed 42)");
  EXPECT_EQ(DiagnoseWlanService(), "");
  NetworkTable table;
  std::size_t firstCount = 0;
  bool popUpSeen = false;
  bool libraryAtStart = false;
  for (int cycle = 0; cycle < 40; ++cycle) {
    AdvanceHistory(table);
    ASSERT_EQ(QueryBssSnapshot(table), 0);
    UpdateActivity(table);
    if (cycle == 0) {
      firstCount = table.size();
      for (auto& r : table) libraryAtStart |= std::strcmp(r.ssid, "Library") == 0;
    }
    for (auto& r : table) popUpSeen |= std::strcmp(r.ssid, "Pop-up Market") == 0;
    ASSERT_EQ(RequestScan(), 0);
  }
  EXPECT_GE(firstCount, 15u);
  EXPECT_FALSE(libraryAtStart);
  EXPECT_TRUE(popUpSeen);
  bool library = false;
  for (auto& r : table) {
    EXPECT_STRNE(r.ssid, "Pop-up Market") << "gone since about cycle 8, so evicted by cycle 40";
    library |= std::strcmp(r.ssid, "Library") == 0;
  }
  EXPECT_TRUE(library);
  EXPECT_EQ(CurrentWlanLayerUsage().openHandles, 0u);
  EXPECT_EQ(CurrentWlanLayerUsage().liveLists, 0u);
  SetWlanService(nullptr);
}

}  // namespace
}  // namespace quorvan

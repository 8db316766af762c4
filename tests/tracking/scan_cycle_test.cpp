#include "tracking/scan_cycle.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <string>

#include "tests/support/literal_tracking.h"
#include "tests/support/observations.h"

namespace quorvan {
namespace {

using testing::Observation;

// A cycle without the list; a null snapshot stands for a failed query.
void Cycle(NetworkTable& table, const BssSnapshot* snapshot) {
  AdvanceHistory(table);
  if (snapshot != nullptr) MergeBssList(table, *snapshot);
  UpdateActivity(table);
}

std::vector<std::string> Dump(NetworkTable& table) {
  std::vector<std::string> lines;
  for (auto& r : table) lines.push_back(testing::DumpRecord(r));
  return lines;
}

TEST(ScanCycle, RecordsAfterSeveralCycles) {
  NetworkTable table;
  BssObservation home = Observation(1, "home", -60, 5180000, 200);
  home.timestamp = 0xABCD000012345678ull;
  const BssSnapshot first = {home, Observation(2, "x", -40), Observation(1, "home", -70)};
  const BssSnapshot second = {Observation(1, "home", -62, 5180000, 200)};
  Cycle(table, &first);  // the repeated BSSID makes one record; its later values win
  EXPECT_EQ(Dump(table)[0],
            "seen=1 ssid=[home] mac=[00 1A 2B 3C 00 01] act=16 freq=2437000 ch=6 "
            "hist=30,0,0,0,0 idx=0 lq=60 ts=00000000 hts=00000000 enc=[wep ] code=0 beacon=[100] "
            "user=[] pass=[]");
  Cycle(table, &second);
  Cycle(table, nullptr);  // missed: its slot stays 0, its link quality drops to 0
  EXPECT_EQ(Dump(table)[0],
            "seen=0 ssid=[home] mac=[00 1A 2B 3C 00 01] act=16 freq=5180000 ch=36 "
            "hist=30,38,0,0,0 idx=2 lq=0 ts=00000000 hts=00000000 enc=[wep ] code=0 beacon=[200] "
            "user=[] pass=[]");
  for (int i = 0; i < 4; ++i) Cycle(table, &second);  // the history scrolls after five slots
  EXPECT_NE(Dump(table)[0].find(" hist=0,38,38,38,38 idx=4 lq=76 "), std::string::npos);
}

TEST(ScanCycle, ActivityRisesFallsAndEvicts) {
  NetworkTable table;
  const BssSnapshot once = {Observation(1, "brief", -70)};
  Cycle(table, &once);
  for (int cycle = 1; cycle <= 16; ++cycle) Cycle(table, nullptr);
  ASSERT_EQ(table.begin()->activity, 0);  // seen once: 16 more cycles, gone in the 17th
  Cycle(table, nullptr);
  EXPECT_TRUE(table.empty());

  Cycle(table, &once);
  table.begin()->activity = 65534;
  Cycle(table, &once);
  EXPECT_EQ(table.begin()->activity, 100);  // at the ceiling it falls back to 100, not 15
  table.begin()->activity = 0;
  Cycle(table, &once);
  EXPECT_EQ(table.begin()->activity, 1);
}

TEST(ScanCycle, MergeKeepsRawBytesAndCannotOverflow) {
  NetworkTable table;
  BssObservation o = Observation(1, "", std::numeric_limits<int32_t>::max());
  o.ssid.fill(0xFF);  // 32 bytes, no zero byte
  MergeBssList(table, BssSnapshot{o});
  EXPECT_EQ(std::string(table.begin()->ssid), std::string(32, '\xFF'));
  EXPECT_EQ(table.begin()->rssiHistory[0], std::numeric_limits<int32_t>::max());
}

// Thousands of BSSes of one vendor coming and going: a record is found by its BSSID while it is
// tracked and not once it is evicted, through every growth of the index and every removal.
TEST(NetworkTable, FindsEveryTrackedRecordThroughChurn) {
  NetworkTable table;
  std::set<unsigned> everSeen;
  for (unsigned cycle = 0; cycle < 80; ++cycle) {
    BssSnapshot snapshot;
    for (unsigned id = cycle * 100; id < cycle * 100 + 3000; id += 1 + cycle % 3) {
      snapshot.push_back(Observation(id, "n", -50));
      everSeen.insert(id);
    }
    Cycle(table, &snapshot);
    if (cycle % 20 != 19) continue;
    std::set<std::string> tracked;
    for (TrackedNetwork& record : table) tracked.insert(record.mac);
    ASSERT_EQ(tracked.size(), table.size());
    for (const unsigned id : everSeen) {
      const BssObservation o = Observation(id, "", 0);
      char mac[18];
      FormatMac(o.bssid, mac, sizeof mac);
      TrackedNetwork* found = table.FindByBssid(o.bssid);
      ASSERT_EQ(found != nullptr, tracked.count(mac) == 1) << "cycle " << cycle << ", " << mac;
      if (found != nullptr) {
        EXPECT_STREQ(found->mac, mac);
      }
      EXPECT_EQ(table.FindByMac(mac), found);
    }
    EXPECT_LT(table.size(), everSeen.size());  // evictions happened
  }
}

TEST(ChannelFromFrequency, BandEdges) {
  const std::pair<uint32_t, int32_t> cases[] = {
      {0, 0},        {2411999, 0},  {2412000, 1},   {2472000, 13},    {2473000, 0},
      {2484000, 14}, {4909000, 0},  {4910000, 182}, {4980000, 196},   {5000000, 0},
      {5005000, 1},  {5180000, 36}, {5920000, 184}, {5925000, 0},     {5935000, 2},
      {5950000, 0},  {5955000, 1},  {7125000, 235}, {7126000, 0},     {58319000, 0},
      {58320000, 1}, {70200000, 6}, {70201000, 0},  {4294967295u, 0},
  };
  for (const auto& [kHz, channel] : cases) EXPECT_EQ(ChannelFromFrequency(kHz), channel) << kHz;
}

}  // namespace
}  // namespace quorvan

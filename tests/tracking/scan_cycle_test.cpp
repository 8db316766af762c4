#include "tracking/scan_cycle.h"

#include <gtest/gtest.h>

#include <limits>

#include "tests/support/literal_tracking.h"
#include "tests/support/observations.h"

namespace quorvan {
namespace {

using testing::DumpRecord;
using testing::Observation;

// A cycle without the list: a null snapshot stands for a failed query.
void Cycle(NetworkTable& table, const BssSnapshot* snapshot) {
  AdvanceHistory(table);
  if (snapshot != nullptr) MergeBssList(table, *snapshot);
  UpdateActivity(table);
}

std::vector<std::string> Dump(NetworkTable& table) {
  std::vector<std::string> lines;
  for (auto& r : table) {
    char line[160];
    std::snprintf(line, sizeof line, "%s [%s] act=%d hist=%d %d %d %d %d idx=%d lq=%d seen=%d",
                  r.mac, r.ssid, r.activity, r.rssiHistory[0], r.rssiHistory[1], r.rssiHistory[2],
                  r.rssiHistory[3], r.rssiHistory[4], r.historyIndex, r.linkQuality, r.seen);
    lines.emplace_back(line);
  }
  return lines;
}

using Lines = std::vector<std::string>;

TEST(ScanCycle, TableAfterSeveralCycles) {
  NetworkTable table;
  const BssSnapshot first = {Observation(1, "home", -60), Observation(2, "cafe", -47)};
  const BssSnapshot second = {Observation(1, "home", -62), Observation(3, "new", -80)};
  const BssSnapshot third = {Observation(3, "new", -81)};

  Cycle(table, &first);
  EXPECT_EQ(Dump(table), (Lines{
                             "00 1A 2B 3C 00 01 [home] act=16 hist=40 0 0 0 0 idx=0 lq=80 seen=1",
                             "00 1A 2B 3C 00 02 [cafe] act=16 hist=53 0 0 0 0 idx=0 lq=100 seen=1",
                         }));
  Cycle(table, &second);
  Cycle(table, &third);
  EXPECT_EQ(Dump(table), (Lines{
                             "00 1A 2B 3C 00 01 [home] act=16 hist=40 38 0 0 0 idx=2 lq=0 seen=0",
                             "00 1A 2B 3C 00 02 [cafe] act=14 hist=53 0 0 0 0 idx=2 lq=0 seen=0",
                             "00 1A 2B 3C 00 03 [new] act=17 hist=20 19 0 0 0 idx=1 lq=38 seen=1",
                         }));
}

TEST(ScanCycle, HistoryScrollsAfterFiveCycles) {
  NetworkTable table;
  for (int rssi = -51; rssi >= -57; --rssi) {  // r1..r7 = -51..-57
    const BssSnapshot snapshot = {Observation(7, "x", rssi)};
    Cycle(table, &snapshot);
  }
  EXPECT_EQ(Dump(table),
            (Lines{"00 1A 2B 3C 00 07 [x] act=22 hist=47 46 45 44 43 idx=4 lq=86 seen=1"}));
  Cycle(table, nullptr);
  EXPECT_EQ(Dump(table),
            (Lines{"00 1A 2B 3C 00 07 [x] act=21 hist=46 45 44 43 0 idx=4 lq=0 seen=0"}));
}

TEST(ScanCycle, RepeatedBssidInOneSnapshotMakesOneRecordAndLaterValuesWin) {
  NetworkTable table;
  BssSnapshot snapshot = {Observation(5, "old name", -70, 2412000, 100),
                          Observation(6, "other", -40),
                          Observation(5, "new name", -30, 5180000, 200)};
  snapshot[2].timestamp = 0xABCD00000000FFFFull;
  Cycle(table, &snapshot);
  ASSERT_EQ(table.size(), 2u);
  TrackedNetwork* record = table.FindByMac("00 1A 2B 3C 00 05");
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(DumpRecord(*record),
            "seen=1 ssid=[new name] mac=[00 1A 2B 3C 00 05] act=16 freq=5180000 ch=36 "
            "hist=70,0,0,0,0 idx=0 lq=100 ts=0000ffff hts=00000000 enc=[wep ] code=0 "
            "beacon=[200] user=[] pass=[]");
  EXPECT_EQ(table.begin()->mac, std::string("00 1A 2B 3C 00 05"));  // still in first place
}

TEST(ScanCycle, MergeCopiesFieldsAsStored) {
  NetworkTable table;
  BssObservation o;
  o.bssid = {0xDE, 0xAD, 0xbe, 0xef, 0x00, 0x0A};
  for (auto& b : o.ssid) b = 'S';  // 32 bytes, no zero byte
  o.rssi = 30;                     // nonsense, but not clamped
  o.linkQuality = 77;
  o.timestamp = 0xFFFFFFFF12345678ull;
  o.hostTimestamp = 0x01DC000087654321ull;
  o.centerFrequency = 2484000;
  o.beaconPeriod = 65535;
  MergeBssList(table, BssSnapshot{o});
  ASSERT_EQ(table.size(), 1u);
  EXPECT_EQ(DumpRecord(*table.begin()),
            "seen=1 ssid=[SSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSS] mac=[DE AD BE EF 00 0A] act=15 "
            "freq=2484000 ch=14 hist=130,0,0,0,0 idx=0 lq=77 ts=12345678 hts=87654321 "
            "enc=[wep ] code=0 beacon=[65535] user=[] pass=[]");

  // The name ends at the first zero byte; what follows it is not shown.
  o.ssid = {'a', 'b', 0, 'c'};
  o.rssi = -150;
  MergeBssList(table, BssSnapshot{o});
  EXPECT_STREQ(table.begin()->ssid, "ab");
  EXPECT_EQ(table.begin()->rssiHistory[0], -50);

  // Readings at the ends of the 32-bit range cannot overflow the stored value.
  o.rssi = std::numeric_limits<int32_t>::max();
  MergeBssList(table, BssSnapshot{o});
  EXPECT_EQ(table.begin()->rssiHistory[0], std::numeric_limits<int32_t>::max());
  o.rssi = std::numeric_limits<int32_t>::min();
  MergeBssList(table, BssSnapshot{o});
  EXPECT_EQ(table.begin()->rssiHistory[0], std::numeric_limits<int32_t>::min() + 100);
}

TEST(ScanCycle, ActivityRisesFallsAndEvicts) {
  NetworkTable table;
  const BssSnapshot once = {Observation(1, "brief", -70)};
  Cycle(table, &once);
  ASSERT_EQ(table.begin()->activity, 16);
  // Seen once: stays for 16 further cycles and goes in the 17th.
  for (int cycle = 1; cycle <= 16; ++cycle) {
    Cycle(table, nullptr);
    ASSERT_EQ(table.size(), 1u) << "cycle " << cycle;
    EXPECT_EQ(table.begin()->activity, 16 - cycle);
  }
  Cycle(table, nullptr);
  EXPECT_TRUE(table.empty());

  // At the ceiling the factor falls back to 100, never to 15.
  Cycle(table, &once);
  table.begin()->activity = 65533;
  Cycle(table, &once);
  EXPECT_EQ(table.begin()->activity, 65534);
  Cycle(table, &once);
  EXPECT_EQ(table.begin()->activity, 100);

  // At 0: seen goes to 1, not seen is removed in that very cycle.
  table.begin()->activity = 0;
  Cycle(table, &once);
  EXPECT_EQ(table.begin()->activity, 1);
  table.begin()->activity = 0;
  const BssSnapshot empty;
  Cycle(table, &empty);
  EXPECT_TRUE(table.empty());
}

TEST(ScanCycle, FailedQueriesFadeEveryRecordInOrderOfActivity) {
  NetworkTable table;
  const BssSnapshot both = {Observation(1, "a", -50), Observation(2, "b", -50)};
  const BssSnapshot onlyB = {Observation(2, "b", -50)};
  Cycle(table, &both);
  Cycle(table, &onlyB);
  Cycle(table, &onlyB);  // a: 14, b: 18
  for (int i = 0; i < 15; ++i) Cycle(table, nullptr);
  EXPECT_EQ(Dump(table), (Lines{"00 1A 2B 3C 00 02 [b] act=3 hist=0 0 0 0 0 idx=4 lq=0 seen=0"}));
  for (int i = 0; i < 4; ++i) Cycle(table, nullptr);
  EXPECT_TRUE(table.empty());
}

TEST(FormatMac, UpperCaseBlankSeparatedAndBounded) {
  char text[32];
  EXPECT_EQ(FormatMac({0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}, text, sizeof text), 17);
  EXPECT_STREQ(text, "00 1A 2B 3C 4D 5E");
  char small[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
  FormatMac({0xff, 0xff, 0xff, 0xff, 0xff, 0xff}, small, sizeof small);
  EXPECT_STREQ(small, "FF FF");
}

TEST(ChannelFromFrequency, BandEdges) {
  struct Case {
    uint32_t kHz;
    int32_t channel;
  };
  const Case cases[] = {
      {0, 0},         {2411999, 0},     {2412000, 1},   {2412999, 1},   {2437000, 6},
      {2472000, 13},  {2473000, 0},     {2484000, 14},  {2485000, 0},   {4909000, 0},
      {4910000, 182}, {4980000, 196},   {4981000, 0},   {5000000, 0},   {5005000, 1},
      {5180000, 36},  {5825000, 165},   {5920000, 184}, {5925000, 0},   {5935000, 2},
      {5950000, 0},   {5955000, 1},     {6115000, 33},  {7115000, 233}, {7125000, 235},
      {7126000, 0},   {58319000, 0},    {58320000, 1},  {60480000, 2},  {70200000, 6},
      {70201000, 0},  {4294967295u, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChannelFromFrequency(c.kHz), c.channel) << c.kHz << " kHz";
  }
}

}  // namespace
}  // namespace quorvan

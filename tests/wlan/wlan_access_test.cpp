#include "wlan/wlan_access.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/observations.h"
#include "tests/wlan/recording_service.h"
#include "tracking/scan_cycle.h"

namespace quorvan {
namespace {

using testing::FakeWlan;
using testing::InstallRecordingService;
using Log = std::vector<std::string>;

WLAN_BSS_ENTRY Entry(uint8_t last, const char* ssid, LONG rssi) {
  WLAN_BSS_ENTRY entry = {};
  const uint8_t bssid[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, last};
  std::memcpy(entry.dot11Bssid, bssid, 6);
  entry.dot11Ssid.uSSIDLength = static_cast<ULONG>(std::strlen(ssid));
  std::memcpy(entry.dot11Ssid.ucSSID, ssid, std::strlen(ssid));
  entry.lRssi = rssi;
  entry.uLinkQuality = 70;
  entry.ullTimestamp = 0x123456789ULL;
  entry.ullHostTimestamp = 0x01DB000087654321ULL;
  entry.ulChCenterFrequency = 5180000;
  entry.usBeaconPeriod = 100;
  return entry;
}

std::vector<std::string> Dump(NetworkTable& table) {
  std::vector<std::string> lines;
  for (auto& r : table) {
    char line[200];
    std::snprintf(line, sizeof line, "%s [%s] rssi+100=%d lq=%d ts=%x host=%x f=%d ch=%d bp=%s",
                  r.mac, r.ssid, r.rssiHistory[r.historyIndex], r.linkQuality, r.timestamp,
                  r.hostTimestamp, r.frequency, r.channel, r.beaconPeriod);
    lines.emplace_back(line);
  }
  return lines;
}

// A table holding one record, to show that a failed or empty query leaves it as it was.
void Prefill(NetworkTable& table) {
  const BssObservation old = {{1, 2, 3, 4, 5, 6}, {'o', 'l', 'd'}, -70, 60, 1, 2, 2412000, 100};
  MergeBssList(table, std::span(&old, 1));
}

class WlanAccess : public ::testing::Test {
 protected:
  void TearDown() override {
    const WlanLayerUsage usage = CurrentWlanLayerUsage();
    EXPECT_EQ(usage.openHandles, 0u) << "a client handle was left open";
    EXPECT_EQ(usage.liveLists, 0u) << "a list was left unfreed";
    SetWlanService(nullptr);
  }
};

// What the service answers, what the operation returns, and the calls that reached the service.
struct AccessCase {
  const char* name;
  FakeWlan fake;
  int result;
  Log calls;
};

FakeWlan Failing(DWORD FakeWlan::*step, DWORD error) {
  FakeWlan fake;
  fake.*step = error;
  return fake;
}

FakeWlan NoInterfaces() {
  FakeWlan fake;
  fake.interfaces.clear();
  return fake;
}

FakeWlan TwoInterfaces() {
  FakeWlan fake;
  fake.interfaces.push_back({GUID{0x2222, 0, 0, {}}, "wlan1"});
  return fake;
}

TEST_F(WlanAccess, RequestScanCallsAndResultAtEveryStep) {
  const AccessCase cases[] = {
      {"success", {}, 0, {"open v2", "enum", "scan 1111 no-ssid no-ie", "close, lists unfreed: 0"}},
      {"open fails", Failing(&FakeWlan::openResult, ERROR_SERVICE_NOT_ACTIVE), 1, {"open v2"}},
      {"enum fails",
       Failing(&FakeWlan::enumResult, ERROR_NOT_ENOUGH_MEMORY),
       2,
       {"open v2", "enum", "close, lists unfreed: 0"}},
      {"no interface", NoInterfaces(), 2, {"open v2", "enum", "close, lists unfreed: 0"}},
      {"scan refused",
       Failing(&FakeWlan::scanResult, ERROR_ACCESS_DENIED),
       3,
       {"open v2", "enum", "scan 1111 no-ssid no-ie", "close, lists unfreed: 0"}},
      {"scan busy",
       Failing(&FakeWlan::scanResult, ERROR_BUSY),
       3,
       {"open v2", "enum", "scan 1111 no-ssid no-ie", "close, lists unfreed: 0"}},
      {"first of two interfaces",
       TwoInterfaces(),
       0,
       {"open v2", "enum", "scan 1111 no-ssid no-ie", "close, lists unfreed: 0"}},
  };
  for (const AccessCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto log = InstallRecordingService(c.fake);
    EXPECT_EQ(RequestScan(), c.result);
    EXPECT_EQ(*log, c.calls);
    EXPECT_EQ(CurrentWlanLayerUsage().openHandles, 0u);
    EXPECT_EQ(CurrentWlanLayerUsage().liveLists, 0u);
  }
}

const char* const kBssListCall = "bsslist 1111 no-ssid type 3 secure";

TEST_F(WlanAccess, QueryFailuresLeaveTheTableUntouched) {
  FakeWlan noEntries;  // the service works but has heard nothing
  const AccessCase cases[] = {
      {"open fails", Failing(&FakeWlan::openResult, ERROR_SERVICE_NOT_ACTIVE), 2, {"open v2"}},
      {"enum fails",
       Failing(&FakeWlan::enumResult, ERROR_GEN_FAILURE),
       2,
       {"open v2", "enum", "close, lists unfreed: 0"}},
      {"no interface", NoInterfaces(), 2, {"open v2", "enum", "close, lists unfreed: 0"}},
      {"bss list fails",
       Failing(&FakeWlan::bssListResult, ERROR_NOT_FOUND),
       0,
       {"open v2", "enum", kBssListCall, "close, lists unfreed: 0"}},
      {"zero entries", noEntries, 0, {"open v2", "enum", kBssListCall, "close, lists unfreed: 0"}},
  };
  for (const AccessCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto log = InstallRecordingService(c.fake);
    NetworkTable table;
    Prefill(table);
    table.begin()->seen = 0;  // as AdvanceHistory leaves it
    const auto before = Dump(table);
    EXPECT_EQ(QueryBssSnapshot(table), c.result);
    EXPECT_EQ(*log, c.calls);
    EXPECT_EQ(Dump(table), before);
    EXPECT_EQ(table.begin()->seen, 0);
    EXPECT_EQ(CurrentWlanLayerUsage().openHandles, 0u);
    EXPECT_EQ(CurrentWlanLayerUsage().liveLists, 0u);
  }
}

TEST_F(WlanAccess, QueryMergesEveryEntryInServiceOrder) {
  FakeWlan fake = TwoInterfaces();
  fake.entries = {Entry(0x02, "zeta", -45), Entry(0x01, "alpha", -80), Entry(0x02, "zeta2", -50)};
  const auto log = InstallRecordingService(fake);
  NetworkTable table;
  EXPECT_EQ(QueryBssSnapshot(table), 0);
  EXPECT_EQ(*log, (Log{"open v2", "enum", kBssListCall, "close, lists unfreed: 0"}));
  // The repeated BSSID makes one record, with the later entry's values.
  EXPECT_EQ(Dump(table),
            (Log{
                "00 1A 2B 3C 4D 02 [zeta2] rssi+100=50 lq=70 ts=23456789 host=87654321 f=5180000 "
                "ch=36 bp=100",
                "00 1A 2B 3C 4D 01 [alpha] rssi+100=20 lq=70 ts=23456789 host=87654321 f=5180000 "
                "ch=36 bp=100",
            }));
}

TEST_F(WlanAccess, SsidIsTheThirtyTwoBytesNotTheLengthField) {
  FakeWlan fake;
  WLAN_BSS_ENTRY full = Entry(1, "", -60);
  std::memcpy(full.dot11Ssid.ucSSID, "0123456789abcdef0123456789ABCDEF", 32);
  full.dot11Ssid.uSSIDLength = 32;
  WLAN_BSS_ENTRY shortLength = Entry(2, "abcdef", -60);
  shortLength.dot11Ssid.uSSIDLength = 2;  // not consulted: the name runs to its first zero
  fake.entries = {full, shortLength};
  InstallRecordingService(fake);
  NetworkTable table;
  ASSERT_EQ(QueryBssSnapshot(table), 0);
  EXPECT_EQ(testing::SsidsOf(table),
            (std::vector<std::string>{"0123456789abcdef0123456789ABCDEF", "abcdef"}));
}

TEST_F(WlanAccess, ListenerHearsHowEachQueryEnded) {
  struct Case {
    const char* name;
    FakeWlan fake;
    QueryOutcome outcome;
    std::size_t observations;
  };
  FakeWlan twoEntries;
  twoEntries.entries = {Entry(1, "a", -50), Entry(2, "b", -60)};
  const Case cases[] = {
      {"no service", Failing(&FakeWlan::openResult, ERROR_SERVICE_NOT_ACTIVE),
       QueryOutcome::kNoService, 0},
      {"listing fails", Failing(&FakeWlan::enumResult, ERROR_GEN_FAILURE),
       QueryOutcome::kNoInterface, 0},
      {"no interface", NoInterfaces(), QueryOutcome::kNoInterface, 0},
      {"list fails", Failing(&FakeWlan::bssListResult, ERROR_NOT_FOUND), QueryOutcome::kListFailed,
       0},
      {"empty list", {}, QueryOutcome::kListed, 0},
      {"two entries", twoEntries, QueryOutcome::kListed, 2},
  };
  std::vector<std::pair<QueryOutcome, std::size_t>> heard;
  SetQueryListener([&](QueryOutcome outcome, std::span<const BssObservation> observations) {
    heard.emplace_back(outcome, observations.size());
  });
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    heard.clear();
    InstallRecordingService(c.fake);
    NetworkTable table;
    QueryBssSnapshot(table);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].first, c.outcome);
    EXPECT_EQ(heard[0].second, c.observations);
  }
  SetQueryListener({});
  heard.clear();
  NetworkTable table;
  QueryBssSnapshot(table);
  EXPECT_TRUE(heard.empty());
}

}  // namespace
}  // namespace quorvan

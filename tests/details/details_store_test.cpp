#include "details/details_store.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "tests/ieee80211/sample_beacons.h"

namespace quorvan {
namespace {

using testing::Bytes;
using testing::Concat;

BssObservation Bss(uint8_t last, int32_t rssi, Bytes ies = {}, uint16_t capability = 0x0401,
                   uint32_t kHz = 2437000, const char* ssid = "net") {
  BssObservation observation;
  observation.bssid = {0x00, 0x50, 0xF2, 0x00, 0x00, last};
  for (std::size_t i = 0; ssid[i] != '\0' && i < observation.ssid.size(); ++i) {
    observation.ssid[i] = static_cast<uint8_t>(ssid[i]);
  }
  observation.rssi = rssi;
  observation.linkQuality = 50;
  observation.centerFrequency = kHz;
  observation.capability = capability;
  observation.ies = std::move(ies);
  return observation;
}

// The cycle as the window runs it, with the store told where the Linux program tells it.
void Cycle(NetworkTable& table, DetailsStore& store, const std::vector<BssObservation>& snapshot,
           QueryOutcome outcome = QueryOutcome::kListed) {
  AdvanceHistory(table);
  if (outcome == QueryOutcome::kListed) MergeBssList(table, snapshot);
  store.Record(outcome, outcome == QueryOutcome::kListed ? std::span<const BssObservation>(snapshot)
                                                         : std::span<const BssObservation>());
  UpdateActivity(table);
  store.Retain(table);
}

// The signal history as text: dBm, "-" for a cycle not seen.
std::string Points(const SignalHistory& history) {
  std::string text;
  for (int i = 0; i < history.size(); ++i) {
    if (i > 0) text += ' ';
    const auto point = history[i];
    text += point ? std::to_string(*point) : "-";
  }
  return text;
}

const Bytes kWpa2 = Concat({testing::SsidElement("net"), testing::kRates24, testing::kRsnPsk});
const Bytes kWpa3 = Concat({testing::SsidElement("net"), testing::kRates24, testing::kRsnSae});

class VendorDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ =
        std::filesystem::temp_directory_path() / ("quorvan-details-" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory_);
    std::ofstream(directory_ / "oui.csv")
        << "Registry,Assignment,Organization Name,Organization Address\n"
        << "MA-L,0050F2,MICROSOFT CORP.,One Microsoft Way\n";
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }
  std::filesystem::path directory_;
};

TEST_F(VendorDirectory, KeepsEveryBssOfTheTableAfterThreeCycles) {
  const ieee80211::OuiRegistry registry(directory_.string());
  NetworkTable table;
  DetailsStore store(&registry);
  Cycle(table, store, {Bss(1, -40, kWpa2), Bss(2, -70)});
  Cycle(table, store, {Bss(1, -42, kWpa2)});
  Cycle(table, store, {Bss(2, -71), Bss(1, -45, kWpa3), Bss(3, -80, kWpa3, 0x0411, 5180000)});

  ASSERT_EQ(store.size(), table.size());
  for (TrackedNetwork& record : table) {
    const BssInfo* info = store.Find(FieldText(record.mac));
    ASSERT_NE(info, nullptr) << record.mac;
    EXPECT_STREQ(info->mac, record.mac);
    EXPECT_EQ(info->vendor, "MICROSOFT CORP.");
    EXPECT_TRUE(info->Seen());
  }

  struct Expected {
    const char* mac;
    const char* points;
    bool elementsKnown;
    const char* security;
    uint32_t frequencyKhz;
  };
  for (const Expected& e : std::vector<Expected>{
           {"00 50 F2 00 00 01", "-40 -42 -45", true, "WPA3-Personal", 2437000},
           {"00 50 F2 00 00 02", "-70 - -71", false, "Open", 2437000},
           {"00 50 F2 00 00 03", "-80", true, "WPA3-Personal", 5180000},
       }) {
    SCOPED_TRACE(e.mac);
    const BssInfo* info = store.Find(e.mac);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(Points(info->signal), e.points);
    EXPECT_EQ(info->elementsKnown, e.elementsKnown);
    EXPECT_EQ(ieee80211::SecurityLabel(info->details.security), e.security);
    EXPECT_EQ(info->frequencyKhz, e.frequencyKhz);
    EXPECT_EQ(std::string(info->SsidBytes().begin(), info->SsidBytes().end()), "net");
  }
  EXPECT_EQ(store.Find("00 50 F2 00 00 03")->capability, 0x0411);
  EXPECT_EQ(store.Find("00 50 F2 00 00 01")->ies, kWpa3);

  int visited = 0;
  store.ForEach([&visited](const BssInfo&) { ++visited; });
  EXPECT_EQ(visited, 3);
}

// The last BSS of the store goes with its record.
TEST(DetailsStore, DropsABssWithItsRecord) {
  NetworkTable table;
  DetailsStore store;
  Cycle(table, store, {Bss(1, -40), Bss(2, -50)});
  for (int cycle = 0; cycle < 100 && table.size() == 2; ++cycle) {
    Cycle(table, store, {Bss(1, -40)});
    EXPECT_EQ(store.size(), table.size());
  }
  ASSERT_EQ(table.size(), 1u) << "the unseen BSS was never evicted";
  EXPECT_EQ(store.Find("00 50 F2 00 00 02"), nullptr);
  EXPECT_EQ(Points(store.Find("00 50 F2 00 00 01")->signal).substr(0, 7), "-40 -40");
}

// Thousands of BSSes coming and going in a pseudo-random pattern: after every cycle the store
// holds exactly the table's BSSes, each found by its MAC text with its own latest reading, and
// one that comes back after its eviction starts a new history.
TEST(DetailsStore, FollowsTheTableThroughChurn) {
  NetworkTable table;
  DetailsStore store;
  uint32_t state = 12345;
  const auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return state >> 8;
  };
  std::size_t smallest = SIZE_MAX;
  std::size_t largest = 0;
  std::set<std::string> tracked, everTracked;
  int returned = 0;
  for (int cycle = 0; cycle < 60; ++cycle) {
    std::vector<BssObservation> snapshot;
    for (int id = 0; id < 3000; ++id) {
      // A third always on the air; the others for a few cycles in every forty, so that they
      // are evicted in between and come back.
      const bool onAir = id % 3 == 0 || (cycle + id) % 40 < 2 + id % 4;
      if (!onAir || next() % 10 == 0) continue;
      BssObservation observation = Bss(static_cast<uint8_t>(id), -(id % 90) - cycle % 3);
      observation.bssid[3] = static_cast<uint8_t>(id >> 8);
      snapshot.push_back(observation);
    }
    Cycle(table, store, snapshot);
    ASSERT_EQ(store.size(), table.size()) << "cycle " << cycle;
    smallest = std::min(smallest, table.size());
    largest = std::max(largest, table.size());
    std::set<std::string> now;
    for (TrackedNetwork& record : table) {
      now.insert(record.mac);
      const BssInfo* info = store.Find(FieldText(record.mac));
      ASSERT_NE(info, nullptr) << record.mac << " in cycle " << cycle;
      ASSERT_STREQ(info->mac, record.mac);
      EXPECT_EQ(info->Seen(), record.seen == 1) << record.mac;
      if (record.seen == 1) {
        EXPECT_EQ(info->signal.Latest(), record.rssiHistory[record.historyIndex] - 100);
      }
      if (!tracked.contains(record.mac) && everTracked.contains(record.mac)) {
        ++returned;  // back after its eviction: a history of this cycle alone
        EXPECT_EQ(info->signal.size(), 1) << record.mac << " in cycle " << cycle;
      }
    }
    tracked = now;
    everTracked.insert(now.begin(), now.end());
  }
  EXPECT_LT(smallest + 200, largest) << "too few BSSes evicted to tell";
  EXPECT_GT(returned, 100) << "too few BSSes came back to tell";
}

TEST(DetailsStore, AFailedQueryOnlyAges) {
  NetworkTable table;
  DetailsStore store;
  Cycle(table, store, {Bss(1, -40)});
  Cycle(table, store, {}, QueryOutcome::kListFailed);
  Cycle(table, store, {}, QueryOutcome::kNoInterface);
  const BssInfo* info = store.Find("00 50 F2 00 00 01");
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(Points(info->signal), "-40 - -");
  EXPECT_FALSE(info->Seen());
  // The observations of a query that did not list are none of its business.
  const std::vector<BssObservation> stray = {Bss(9, -30)};
  store.Record(QueryOutcome::kNoService, stray);
  EXPECT_EQ(store.Find("00 50 F2 00 00 09"), nullptr);
}

TEST(DetailsStore, ABssListedTwiceKeepsItsLastReportAsTheTableDoes) {
  NetworkTable table;
  DetailsStore store;
  Cycle(table, store,
        {Bss(1, -40, kWpa2, 0x0411, 2412000, "first"), Bss(2, -60),
         Bss(1, -75, kWpa3, 0x0411, 2437000, "second")});
  const BssInfo* info = store.Find("00 50 F2 00 00 01");
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(Points(info->signal), "-75");
  EXPECT_EQ(info->ies, kWpa3);
  EXPECT_EQ(info->frequencyKhz, 2437000u);
  EXPECT_EQ(std::string(info->SsidBytes().begin(), info->SsidBytes().end()), "second");
  EXPECT_EQ(FieldText(table.FindByMac("00 50 F2 00 00 01")->ssid), "second");
  EXPECT_EQ(ieee80211::SecurityLabel(info->details.security), "WPA3-Personal");
}

TEST(SignalHistory, KeepsTheLast90CyclesOldestFirst) {
  uint64_t cycle = 0;
  SignalHistory history(&cycle);
  EXPECT_TRUE(history.empty());
  EXPECT_FALSE(history.Latest());
  for (cycle = 1; cycle <= 100; ++cycle) {
    if (cycle % 7 != 0) history.Set(-static_cast<int32_t>(cycle));
  }
  cycle = 100;
  ASSERT_EQ(history.size(), kSignalHistoryCycles);
  for (int i = 0; i < history.size(); ++i) {
    const int seenIn = i + 11;  // cycles 1 to 10 went
    if (seenIn % 7 == 0) {
      EXPECT_FALSE(history[i]) << i;
    } else {
      EXPECT_EQ(history[i], -seenIn) << i;
    }
  }
  EXPECT_EQ(history.Latest(), -100);
  EXPECT_FALSE(history[-1]);
  EXPECT_FALSE(history[kSignalHistoryCycles]);

  // A second reading in the same cycle replaces the first.
  history.Set(-5);
  EXPECT_EQ(history[kSignalHistoryCycles - 1], -5);
  EXPECT_EQ(history[0], -11);

  // Cycles without a reading are points "not seen", however many pass.
  cycle = 102;
  EXPECT_EQ(history.size(), kSignalHistoryCycles);
  EXPECT_FALSE(history.Latest());
  EXPECT_FALSE(history[kSignalHistoryCycles - 2]);
  EXPECT_EQ(history[kSignalHistoryCycles - 3], -5);
  cycle = 400;
  history.Set(-60);
  for (int i = 0; i + 1 < kSignalHistoryCycles; ++i) EXPECT_FALSE(history[i]) << i;
  EXPECT_EQ(history.Latest(), -60);

  // Readings beyond what 16 bits hold are kept at the nearest end, and one as low as the mark
  // of a cycle not seen is still a reading.
  for (const auto& [reading, kept] : std::vector<std::pair<int32_t, int32_t>>{
           {INT32_MIN, -32767}, {-32768, -32767}, {-32767, -32767}, {40000, 32767}, {-1, -1}}) {
    ++cycle;
    history.Set(reading);
    EXPECT_EQ(history.Latest(), kept) << reading;
  }
}

TEST(SignalHistory, StartsWithItsFirstReading) {
  uint64_t cycle = 41;
  SignalHistory history(&cycle);
  EXPECT_EQ(history.size(), 0);
  history.Set(-70);
  EXPECT_EQ(history.size(), 1);
  cycle += 2;
  EXPECT_EQ(history.size(), 3);
  EXPECT_EQ(history[0], -70);
  EXPECT_FALSE(history[1]);
  EXPECT_FALSE(history[2]);
  // Without a cycle count there is no history to keep.
  SignalHistory detached;
  detached.Set(-40);
  EXPECT_TRUE(detached.empty());
}

TEST(DetailsStore, DecodesOnlyWhatChanged) {
  DetailsStore store;
  struct Step {
    const char* what;
    BssObservation observation;
    uint64_t decodes;  // in all, after the step
    const char* security;
    bool elementsKnown;
  };
  const Step steps[] = {
      {"new, no elements", Bss(1, -40, {}, 0x0401), 1, "Open", false},
      {"the same again", Bss(1, -41, {}, 0x0401), 1, "Open", false},
      {"privacy bit", Bss(1, -41, {}, 0x0411), 2, "WEP", false},
      {"elements", Bss(1, -41, kWpa2, 0x0411), 3, "WPA2-Personal", true},
      {"the same elements", Bss(1, -45, kWpa2, 0x0411), 3, "WPA2-Personal", true},
      {"a report without elements keeps them", Bss(1, -45, {}, 0x0411), 3, "WPA2-Personal", true},
      {"other elements", Bss(1, -45, kWpa3, 0x0411), 4, "WPA3-Personal", true},
      {"another channel", Bss(1, -45, kWpa3, 0x0411, 2462000), 5, "WPA3-Personal", true},
      {"unchanged", Bss(1, -45, kWpa3, 0x0411, 2462000), 5, "WPA3-Personal", true},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    store.Record(QueryOutcome::kListed, {&step.observation, 1});
    EXPECT_EQ(store.DecodeCount(), step.decodes);
    const BssInfo* info = store.Find(step.observation.bssid);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(ieee80211::SecurityLabel(info->details.security), step.security);
    EXPECT_EQ(info->elementsKnown, step.elementsKnown);
  }
}

// Without a registry there is no vendor to name.
TEST(DetailsStore, FindsByTheTablesMacTextOnly) {
  DetailsStore store;
  const BssObservation observation = Bss(0xAB, -40);
  store.Record(QueryOutcome::kListed, {&observation, 1});
  struct Case {
    const char* mac;
    bool found;
  };
  for (const Case& c : std::vector<Case>{
           {"00 50 F2 00 00 AB", true},
           {"00 50 f2 00 00 ab", true},
           {"00 50 F2 00 00 AC", false},
           {"00:50:F2:00:00:AB", false},
           {"00 50 F2 00 00 ABC", false},
           {"00 50 F2 00 00 GB", false},
       }) {
    EXPECT_EQ(store.Find(c.mac) != nullptr, c.found) << c.mac;
  }
  EXPECT_TRUE(store.Find(observation.bssid)->vendor.empty());
}

}  // namespace
}  // namespace quorvan

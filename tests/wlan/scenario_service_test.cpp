#include "wlan/linux/scenario_service.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/literal_tracking.h"
#include "tests/wlan/recording_service.h"
#include "tests/wlan/scenario_test_support.h"
#include "tracking/scan_cycle.h"
#include "wlan/linux/simulated_service.h"
#include "wlan/query_recorder.h"
#include "wlan/scenario_file.h"
#include "wlan/wlan_access.h"

namespace quorvan {
namespace {

using testing::Fields;

// What one QueryBssSnapshot told its listener.
struct Heard {
  QueryOutcome outcome;
  std::vector<BssObservation> observations;
};

class ScenarioReplay : public ::testing::Test {
 protected:
  void TearDown() override {
    SetQueryListener({});
    SetWlanService(nullptr);
    const WlanLayerUsage usage = CurrentWlanLayerUsage();
    EXPECT_EQ(usage.openHandles, 0u);
    EXPECT_EQ(usage.liveLists, 0u);
  }

  // Installs a ScenarioService over `text` and a listener that feeds the replay and `heard_`.
  ScenarioService* Install(const std::string& text) {
    std::vector<ScenarioLine> lines;
    std::string error;
    EXPECT_TRUE(ParseScenario(text, lines, error)) << error;
    lines_ = lines;
    auto service = std::make_unique<ScenarioService>(std::move(lines), "test.jsonl");
    ScenarioService* raw = service.get();
    QueryListener replay = service->QueryEndListener();
    SetWlanService(std::move(service));
    SetQueryListener([this, replay](QueryOutcome outcome, std::span<const BssObservation> bsses) {
      replay(outcome, bsses);
      heard_.push_back({outcome, {bsses.begin(), bsses.end()}});
    });
    return raw;
  }

  std::vector<ScenarioLine> lines_;
  std::vector<Heard> heard_;
};

constexpr const char* kMixed =
    "# every kind of line, some twice in a row\n"
    "[{\"bssid\": \"00:00:00:00:00:01\", \"ssid\": \"a\", \"rssi\": -50}]\n"
    "{\"error\": \"no-service\"}\n"
    "{\"error\": \"no-interface\"}\n"
    "\n"
    "{\"error\": \"query-failed\"}\n"
    "{\"error\": \"no-service\"}\n"
    "{\"error\": \"no-service\"}\n"
    "{\"error\": \"no-interface\"}\n"
    "{\"error\": \"no-interface\"}\n"
    "{\"error\": \"query-failed\"}\n"
    "[{\"bssid\": \"00:00:00:00:00:02\", \"ssid\": \"b\"}, {\"bssid\": \"00:00:00:00:00:03\"}]\n";

// Scan requests between the queries, as the window's schedule makes them, consume nothing and
// meet the state of the line the next query gets.
TEST_F(ScenarioReplay, EachQueryTakesOneLineAndScansTakeNone) {
  ScenarioService* service = Install(kMixed);
  const std::size_t count = lines_.size();
  ASSERT_EQ(count, 10u);
  NetworkTable table;
  std::vector<int> scans;
  for (std::size_t query = 0; query < count + 2; ++query) {
    if (query > 0) {
      scans.push_back(RequestScan());
      EXPECT_EQ(RequestScan(), scans.back());
    }
    const QueryOutcome outcome = query < count ? lines_[query].outcome : QueryOutcome::kListed;
    const bool noInterfaceList =
        outcome == QueryOutcome::kNoService || outcome == QueryOutcome::kNoInterface;
    EXPECT_EQ(QueryBssSnapshot(table), noInterfaceList ? 2 : 0);
    EXPECT_EQ(service->LinesLeft(), count - std::min(count, query + 1));
  }
  EXPECT_EQ(scans, (std::vector<int>{1, 2, 0, 1, 1, 2, 2, 0, 0, 0, 0}));

  ASSERT_EQ(heard_.size(), count + 2);
  for (std::size_t i = 0; i < count; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(heard_[i].outcome, lines_[i].outcome);
    ASSERT_EQ(heard_[i].observations.size(), lines_[i].bsses.size());
    for (std::size_t j = 0; j < lines_[i].bsses.size(); ++j) {
      EXPECT_EQ(Fields(heard_[i].observations[j]), Fields(lines_[i].bsses[j]));
    }
  }
  // After the last line: one interface, an empty list.
  for (std::size_t i = count; i < heard_.size(); ++i) {
    EXPECT_EQ(heard_[i].outcome, QueryOutcome::kListed);
    EXPECT_TRUE(heard_[i].observations.empty());
  }
}

TEST_F(ScenarioReplay, BackToBackQueriesFollowTheFile) {
  Install(kMixed);
  NetworkTable table;
  for (std::size_t i = 0; i < lines_.size(); ++i) QueryBssSnapshot(table);
  ASSERT_EQ(heard_.size(), lines_.size());
  for (std::size_t i = 0; i < lines_.size(); ++i) EXPECT_EQ(heard_[i].outcome, lines_[i].outcome);
}

TEST_F(ScenarioReplay, DiagnosisExplainsAndConsumesNothing) {
  ScenarioService* service =
      Install("{\"error\": \"no-service\"}\n\n{\"error\": \"no-interface\"}\n[]\n");
  EXPECT_EQ(DiagnoseWlanService(),
            "scenario test.jsonl: WLAN service not available (error 1062): line 1 of the "
            "scenario is {\"error\": \"no-service\"}");
  EXPECT_EQ(service->LinesLeft(), 3u);
  NetworkTable table;
  QueryBssSnapshot(table);
  EXPECT_EQ(DiagnoseWlanService(), "scenario test.jsonl: no wireless interface was found");
  QueryBssSnapshot(table);
  EXPECT_EQ(DiagnoseWlanService(), "");
  EXPECT_EQ(service->LinesLeft(), 1u);
}

TEST_F(ScenarioReplay, EntriesCarryEveryFieldAndTheWholeSsid) {
  Install(
      "[{\"bssid\": \"FF-EE-DD-CC-BB-AA\", \"ssid_hex\": \"6100620063\", \"rssi\": -2147483648, "
      "\"link_quality\": 99, \"frequency_khz\": 4294967295, \"beacon_period\": 65535, "
      "\"timestamp\": \"0xfedcba9876543210\", \"host_timestamp\": 18446744073709551615},"
      "{\"bssid\": \"00:00:00:00:00:07\", \"ssid\": \"0123456789abcdef0123456789abcdef\"}]\n");
  NetworkTable table;
  QueryBssSnapshot(table);
  ASSERT_EQ(heard_.size(), 1u);
  ASSERT_EQ(heard_[0].observations.size(), 2u);
  for (std::size_t j = 0; j < 2; ++j) {
    EXPECT_EQ(Fields(heard_[0].observations[j]), Fields(lines_[0].bsses[j]));
  }
  std::vector<std::string> names;
  for (const TrackedNetwork& record : table) names.emplace_back(record.ssid);
  EXPECT_EQ(names, (std::vector<std::string>{"a", "0123456789abcdef0123456789abcdef"}));
}

// Runs `cycles` scan cycles with a scan request in each and dumps the table after each.
std::vector<std::string> RunCycles(int cycles, const std::function<void(int)>& beforeCycle = {}) {
  std::vector<std::string> tables;
  NetworkTable table;
  for (int cycle = 0; cycle < cycles; ++cycle) {
    if (beforeCycle) beforeCycle(cycle);
    AdvanceHistory(table);
    QueryBssSnapshot(table);
    UpdateActivity(table);
    std::string dump;
    for (const TrackedNetwork& record : table) dump += testing::DumpRecord(record) + "\n";
    tables.push_back(dump);
    RequestScan();
  }
  return tables;
}

class RecordThenReplay : public ScenarioReplay {
 protected:
  // Records a run from whatever `install` sets up, replays the file, and expects the same
  // tables after every cycle and the same query results. Returns the recording.
  std::string RoundTrip(int cycles, const std::function<void(int)>& beforeCycle) {
    std::string error;
    auto recorder = QueryRecorder::Open(path_, error);
    EXPECT_TRUE(recorder) << error;
    std::vector<std::string> recorded;
    SetQueryListener([&](QueryOutcome outcome, std::span<const BssObservation> bsses) {
      recorder->Record(outcome, bsses);
      recorded.push_back(ScenarioLineText(outcome, bsses));
    });
    const std::vector<std::string> original = RunCycles(cycles, beforeCycle);
    recorder.reset();

    std::vector<ScenarioLine> lines;
    EXPECT_TRUE(LoadScenarioFile(path_, lines, error)) << error;
    EXPECT_EQ(lines.size(), static_cast<std::size_t>(cycles));
    auto service = std::make_unique<ScenarioService>(std::move(lines), path_);
    QueryListener replay = service->QueryEndListener();
    SetWlanService(std::move(service));
    std::vector<std::string> replayed;
    SetQueryListener([&](QueryOutcome outcome, std::span<const BssObservation> bsses) {
      replay(outcome, bsses);
      replayed.push_back(ScenarioLineText(outcome, bsses));
    });
    const std::vector<std::string> again = RunCycles(cycles);
    SetQueryListener({});
    EXPECT_EQ(again, original);
    EXPECT_EQ(replayed, recorded);

    return file_.Read();
  }

  testing::TempFile file_;
  const std::string& path_ = file_.path();
};

TEST_F(RecordThenReplay, SimulatedRadioWithOddNames) {
  SetWlanService(std::make_unique<SimulatedService>(7));
  const std::string recording = RoundTrip(40, {});
  // The environment's names that are not UTF-8 went out as raw bytes.
  EXPECT_NE(recording.find("\"ssid_hex\""), std::string::npos);
}

WLAN_BSS_ENTRY Entry(uint8_t last, std::string_view ssid, LONG rssi) {
  WLAN_BSS_ENTRY entry = {};
  const uint8_t bssid[6] = {0x02, 0x00, 0x00, 0x00, 0x00, last};
  std::memcpy(entry.dot11Bssid, bssid, 6);
  std::memcpy(entry.dot11Ssid.ucSSID, ssid.data(), std::min<std::size_t>(ssid.size(), 32));
  entry.dot11Ssid.uSSIDLength = static_cast<ULONG>(ssid.size());
  entry.lRssi = rssi;
  entry.uLinkQuality = 33;  // not what the RSSI would give
  entry.ullTimestamp = 0xFFFFFFFF00000001ULL;
  entry.ullHostTimestamp = 0x8000000000000000ULL + last;
  entry.ulChCenterFrequency = 5955000;
  entry.usBeaconPeriod = 102;
  return entry;
}

TEST_F(RecordThenReplay, RawNamesAndFailuresFromAFakeService) {
  testing::FakeWlan names;
  names.entries = {
      Entry(1, "\xFF\xFE raw", -40),
      Entry(2, "0123456789abcdef0123456789abcdef", -70),  // 32 bytes, no zero
      Entry(3, std::string(32, '\0'), -80),               // hidden
      Entry(4, std::string("ab\0junk", 7), -55),          // shown as "ab"
      Entry(5, "caf\xC3\xA9\t\x1B[2J", -91),
      Entry(1, "\xFF\xFE raw", -41),  // the same BSSID twice
  };
  testing::FakeWlan noService, noInterface, listFails, empty;
  noService.openResult = ERROR_SERVICE_NOT_ACTIVE;
  noInterface.interfaces.clear();
  listFails.bssListResult = ERROR_NOT_FOUND;
  const testing::FakeWlan* schedule[] = {&names,     &noService, &noService, &names, &noInterface,
                                         &listFails, &names,     &empty,     &names};
  const int cycles = static_cast<int>(std::size(schedule));
  const std::string recording =
      RoundTrip(cycles, [&](int cycle) { testing::InstallRecordingService(*schedule[cycle]); });
  EXPECT_NE(recording.find("\"ssid_hex\":\"fffe20726177\""), std::string::npos) << recording;
  EXPECT_NE(recording.find("\"ssid\":\"0123456789abcdef0123456789abcdef\""), std::string::npos);
  EXPECT_NE(recording.find("{\"error\":\"no-service\"}\n{\"error\":\"no-service\"}\n"),
            std::string::npos);
}

}  // namespace
}  // namespace quorvan

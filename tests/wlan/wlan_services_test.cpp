#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "tracking/scan_cycle.h"
#include "wlan/linux/scenario_service.h"
#include "wlan/linux/simulated_service.h"
#include "wlan/scenario_file.h"
#include "wlan/wlan_access.h"

namespace quorvan {
namespace {

auto Fields(const BssObservation& o) {
  return std::tie(o.bssid, o.ssid, o.rssi, o.linkQuality, o.timestamp, o.hostTimestamp,
                  o.centerFrequency, o.beaconPeriod);
}

TEST(ScenarioParse, EveryFieldAndBothTimestampForms) {
  const std::string text =
      "# recorded\n\n"
      R"([{"bssid": "00:1a:2B:3c:4D:5e", "ssid_hex": "ff00FE", "rssi": -61, "link_quality": 7,)"
      R"( "frequency_khz": 4294967295, "beacon_period": 65535, "timestamp": "0xfedcba9876543210",)"
      R"( "host_timestamp": 18446744073709551615, "note": "\"[[[[[[[[[[[[[[[[[[[[", "x": [{}]},)"
      R"( {"bssid": "00-00-00-00-00-01", "ssid": "caf\u00e9", "rssi": -75}])"
      "\r\n  {\"error\": \"no-interface\"}\n";
  std::vector<ScenarioLine> lines;
  std::string error;
  ASSERT_TRUE(ParseScenario(text, lines, error)) << error;
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].lineNumber, 3);
  EXPECT_EQ(lines[1].lineNumber, 4);
  EXPECT_EQ(lines[1].outcome, QueryOutcome::kNoInterface);
  ASSERT_EQ(lines[0].bsses.size(), 2u);
  BssObservation all, defaults;
  all.bssid = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, all.ssid = {0xFF, 0, 0xFE}, all.rssi = -61;
  all.linkQuality = 7, all.centerFrequency = UINT32_MAX, all.beaconPeriod = 65535;
  all.timestamp = 0xFEDCBA9876543210ULL, all.hostTimestamp = UINT64_MAX;
  EXPECT_EQ(Fields(lines[0].bsses[0]), Fields(all));
  // Absent fields are zero, the link quality then comes from the RSSI.
  defaults.bssid = {0, 0, 0, 0, 0, 1}, defaults.ssid = {'c', 'a', 'f', 0xC3, 0xA9};
  defaults.rssi = -75, defaults.linkQuality = 50;
  EXPECT_EQ(Fields(lines[0].bsses[1]), Fields(defaults));
}

TEST(ScenarioParse, EachFaultNamesItsLine) {
  const std::string bss = R"([{"bssid": "00:00:00:00:00:01", )";
  const struct {
    std::string line;
    const char* error;
  } cases[] = {
      {"42", "expected a JSON array of BSS objects or an {\"error\": ...} object"},
      {R"([{"bssid": "00:1A-2B:3C:4D:5E"}])",
       "BSS 1: \"bssid\" must be six two-digit hex numbers separated by ':' or '-'"},
      {bss + R"("ssid": ")" + std::string(33, 'n') + "\"}]",
       "BSS 1: \"ssid\" is 33 bytes, more than 32"},
      {bss + R"("ssid_hex": "abc"}])", "BSS 1: \"ssid_hex\" is not hex digits in pairs"},
      {bss + R"("link_quality": 101}])", "BSS 1: \"link_quality\" is out of range"},
      {bss + R"("timestamp": "0x10000000000000000"}])", "BSS 1: \"timestamp\" is out of range"},
      {bss + R"("rssi": -60.5}])",
       "BSS 1: \"rssi\" is out of range (not an integer, or too large)"},
      {R"([{"bssid": "00:00:00:00:00:01"}, {"ssid": "x"}])", "BSS 2: \"bssid\" is missing"},
      {std::string(100000, '['), "nested deeper than 16 levels"},
      {bss + R"("ssid": "a", "ssid_hex": "61"}])",
       "BSS 1: \"ssid\" and \"ssid_hex\" are both given"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line.substr(0, 80));
    std::vector<ScenarioLine> lines;
    std::string error;
    EXPECT_FALSE(ParseScenario("# c\n[]\n\n{\"error\": \"no-service\"}\r\n" + c.line + "\n[]\n",
                               lines, error));
    EXPECT_EQ(error, std::string("5: ") + c.error);
  }
}

// Scan requests between queries meet the state of the line the next query gets and consume
// nothing; each query consumes one line, and after the last one every query lists nothing.
TEST(ScenarioReplay, EachQueryTakesOneLineAndScansTakeNone) {
  std::vector<ScenarioLine> lines;
  std::string error;
  ASSERT_TRUE(ParseScenario(R"([{"bssid": "00:00:00:00:00:01"}]
{"error": "no-service"}
{"error": "no-interface"}
{"error": "query-failed"}
{"error": "no-service"}
[{"bssid": "00:00:00:00:00:02"}, {"bssid": "00:00:00:00:00:03"}])",
                            lines, error))
      << error;
  auto service = std::make_unique<ScenarioService>(lines, "test.jsonl");
  const QueryListener replay = service->QueryEndListener();
  SetWlanService(std::move(service));
  std::vector<std::pair<QueryOutcome, std::size_t>> heard;
  SetQueryListener([&](QueryOutcome outcome, std::span<const BssObservation> bsses) {
    replay(outcome, bsses);
    heard.emplace_back(outcome, bsses.size());
  });
  NetworkTable table;
  std::vector<int> results;
  for (std::size_t i = 0; i <= lines.size(); ++i) {
    results.push_back(RequestScan());
    results.push_back(QueryBssSnapshot(table));
  }
  EXPECT_EQ(results, (std::vector<int>{0, 0, 1, 2, 2, 2, 0, 0, 1, 2, 0, 0, 0, 0}));
  ASSERT_EQ(heard.size(), lines.size() + 1);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(heard[i], std::make_pair(lines[i].outcome, lines[i].bsses.size())) << i;
  }
  EXPECT_EQ(heard.back(), std::make_pair(QueryOutcome::kListed, std::size_t{0}));
  SetQueryListener({});
  SetWlanService(nullptr);
}

TEST(SimulatedRadio, SameSeedSameListsInAllThreeBands) {
  std::set<int> bands;
  const auto rounds = [&](uint64_t seed) {
    SimulatedRadio radio(seed);
    std::string lists;
    for (int i = 0; i < 30; ++i, radio.Scan()) {
      for (const WLAN_BSS_ENTRY& e : radio.Query()) {
        lists += std::string(e.dot11Bssid, e.dot11Bssid + 6) +
                 std::string(e.dot11Ssid.ucSSID, e.dot11Ssid.ucSSID + 32) +
                 std::to_string(e.lRssi) + " " + std::to_string(e.uLinkQuality) + " " +
                 std::to_string(e.ullTimestamp) + " " + std::to_string(e.ullHostTimestamp) + "\n";
        const ULONG kHz = e.ulChCenterFrequency;
        bands.insert(kHz < 3000000 ? 2 : kHz < 5925000 ? 5 : 6);
      }
    }
    return lists;
  };
  EXPECT_EQ(rounds(7), rounds(7));
  EXPECT_NE(rounds(7), rounds(8));
  EXPECT_EQ(bands, (std::set<int>{2, 5, 6}));
}

}  // namespace
}  // namespace quorvan

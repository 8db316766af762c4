#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "scenario/scenario_file.h"
#include "tracking/network_table.h"
#include "wlan/linux/scenario_service.h"
#include "wlan/linux/wlan_service.h"
#include "wlan/wlan_access.h"

namespace quorvan {
namespace {

// Lists, every failure, comments, blank and CRLF lines, and a last line cut short while it was
// written, which is left out.
constexpr char kScenario[] =
    "# recorded for the test\n"
    "[{\"bssid\":\"00:1A:2B:3C:4D:01\",\"ssid\":\"cafe\",\"rssi\":-60,\"frequency_khz\":2437000,"
    "\"beacon_period\":100,\"timestamp\":\"0x10\",\"host_timestamp\":12345}]\n"
    "\n"
    "  {\"error\": \"no-service\"}\r\n"
    "{\"error\":\"no-interface\"}\n"
    "[{\"bssid\":\"00-1a-2b-3c-4d-02\",\"ssid_hex\":\"ff00fe\",\"rssi\":-90,\"link_quality\":3},"
    "{\"bssid\":\"00:1A:2B:3C:4D:01\",\"ssid\":\"cafe\",\"rssi\":-50,"
    "\"timestamp\":\"0xffffffffffffffff\",\"beacon_period\":65535}]\n"
    "{\"error\":\"query-failed\"}\n"
    "[]\n"
    "[{\"bssid\":\"00:1A:2B:3C:4D:03\",\"ssid\":\"\\u00e9t\\u00e9\",\"rssi\":-70,"
    "\"frequency_khz\":5180000}]\n"
    "{\"error\":\"query-failed\"}\n"
    "[{\"bssid\":\"00:1A:2B:3C:4D:04\",\"rssi\":";
constexpr std::size_t kQueries = 8;

// What a query did, as the program sees it: the numbers returned, what the listener heard, and
// the table it left.
std::string TableText(NetworkTable& table) {
  std::string text;
  for (const TrackedNetwork& record : table) {
    char row[160];
    std::snprintf(row, sizeof row, " | %s seen=%d q=%d f=%d ts=%u host=%u bp=%s rssi=%d",
                  record.mac, record.seen, record.linkQuality, record.frequency, record.timestamp,
                  record.hostTimestamp, record.beaconPeriod,
                  record.rssiHistory[record.historyIndex]);
    text += row;
    text += " ssid=";
    for (const char c : FieldText(record.ssid)) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte >= 0x20 && byte < 0x7F) {
        text += c;
      } else {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
        text += escaped;
      }
    }
  }
  return text;
}

std::vector<std::string> Replay(ScenarioFile file, std::size_t rounds) {
  auto service = file.linesKept
                     ? std::make_unique<ScenarioService>(std::move(file.lines), "s.jsonl")
                     : std::make_unique<ScenarioService>(std::move(file.text), "s.jsonl");
  const QueryListener replay = service->QueryEndListener();
  const ScopedWlanService installed(std::move(service));
  std::string heard;
  const ScopedQueryListener listener(
      [&](QueryOutcome outcome, std::span<const BssObservation> bsses, std::string_view read) {
        replay(outcome, bsses, read);
        heard = ScenarioLineText(outcome, bsses) + " from " + std::string(read);
      });
  NetworkTable table;
  std::vector<std::string> transcript;
  for (std::size_t round = 0; round < rounds; ++round) {
    heard.clear();
    const int scanned = RequestScan();
    const int queried = QueryBssSnapshot(table);
    transcript.push_back("scan " + std::to_string(scanned) + " query " + std::to_string(queried) +
                         ": " + heard + TableText(table));
  }
  return transcript;
}

// Lines dropped for memory are parsed again from the text as they are served; a query cannot
// tell which way its line came.
TEST(ScenarioStreaming, ServesWhatKeptLinesServe) {
  namespace fs = std::filesystem;
  const fs::path path =
      fs::temp_directory_path() / ("quorvan-scenario-" + std::to_string(getpid()) + ".jsonl");
  {
    std::ofstream out(path, std::ios::binary);
    out << kScenario;
    ASSERT_TRUE(out.flush());
  }
  // Nothing kept, two lines kept and then dropped, and all kept.
  const std::size_t limits[] = {0, 2 * sizeof(ScenarioLine) + sizeof(BssObservation),
                                kScenarioKeptBytes};
  std::vector<ScenarioFile> files;
  for (const std::size_t limit : limits) {
    ScenarioFile file;
    std::string error;
    ASSERT_TRUE(LoadScenarioFile(path.string(), "s.jsonl", file, error, limit)) << error;
    EXPECT_EQ(error, "");
    EXPECT_EQ(file.queries, kQueries);
    EXPECT_EQ(file.torn, "11: not JSON (error at column 38)");
    files.push_back(std::move(file));
  }
  fs::remove(path);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_FALSE(files[i].linesKept);
    EXPECT_TRUE(files[i].lines.empty());
    EXPECT_EQ(files[i].text, kScenario);
  }
  EXPECT_TRUE(files[2].linesKept);
  EXPECT_EQ(files[2].lines.size(), kQueries);
  EXPECT_EQ(files[2].text, "");

  // Two rounds past the end, where every query finds an empty list.
  const std::vector<std::string> kept = Replay(std::move(files[2]), kQueries + 2);
  ASSERT_EQ(kept.size(), kQueries + 2);
  const char* const heard[] = {
      "query 0: [{\"bssid\":\"00:1A:2B:3C:4D:01\"",
      "query 2: {\"error\":\"no-service\"} from ",
      "query 2: {\"error\":\"no-interface\"} from ",
      "query 0: [{\"bssid\":\"00:1A:2B:3C:4D:02\",\"ssid_hex\":\"ff\"",
      "query 0: {\"error\":\"query-failed\"} from scenario0",
      "query 0: [] from scenario0",
      "query 0: [{\"bssid\":\"00:1A:2B:3C:4D:03\",\"ssid\":\"\xC3\xA9t\xC3\xA9\"",
      "query 0: {\"error\":\"query-failed\"} from scenario0",
      "query 0: [] from scenario0",
      "query 0: [] from scenario0",
  };
  for (std::size_t round = 0; round < kept.size(); ++round) {
    EXPECT_NE(kept[round].find(heard[round]), std::string::npos) << kept[round];
  }
  for (std::size_t i = 0; i < 2; ++i) {
    const std::vector<std::string> streamed = Replay(std::move(files[i]), kQueries + 2);
    ASSERT_EQ(streamed.size(), kept.size());
    for (std::size_t round = 0; round < kept.size(); ++round) {
      EXPECT_EQ(streamed[round], kept[round]) << "limit " << limits[i] << ", query " << round;
    }
  }
  EXPECT_EQ(CurrentWlanLayerUsage().openHandles, 0u);
  EXPECT_EQ(CurrentWlanLayerUsage().liveLists, 0u);
}

}  // namespace
}  // namespace quorvan

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "scenario/query_recorder.h"
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

// Every form a line may say its time in, and every way it can be wrong, with the line named.
TEST(ScenarioTime, LinesSayWhenTheirQueryRan) {
  constexpr char kBss[] = R"({"bssid":"00:1A:2B:3C:4D:01","rssi":-60})";
  const auto listed = [&](std::string time) {
    return R"({"time":)" + time + R"(,"bsses":[)" + kBss + "]}";
  };
  constexpr int64_t k20261207 = 1'796'601'600'000;  // 2026-12-07T00:00:00Z
  const int64_t at = k20261207 + (19 * 3600 + 50 * 60 + 3) * 1000;
  const struct {
    std::string line;
    std::optional<int64_t> timeMs;
  } cases[] = {
      {listed(R"("2026-12-07T19:50:03.250Z")"), at + 250},
      {listed(R"("2026-12-07t19:50:03z")"), at},
      {listed(R"("2026-12-07T19:50:03.2509999Z")"), at + 250},
      {listed(R"("2026-12-07T20:50:03.5+01:00")"), at + 500},
      {listed(R"("2026-12-07T14:20:03-05:30")"), at},
      {listed(R"("2016-12-31T23:59:60Z")"), 1'483'228'800'000},
      {listed(R"("0000-01-01T00:00:00Z")"), kScenarioEarliestMs},
      {listed(R"("9999-12-31T23:59:59.999Z")"), kScenarioLatestMs},
      {R"({"time":"2026-12-07T19:50:03Z","error":"query-failed","more":[1]})", at},
      // Files written before times were kept.
      {std::string("[") + kBss + "]", std::nullopt},
      {R"({"bsses":[]})", std::nullopt},
  };
  const std::string kBadTime =
      R"("time" must be an RFC 3339 time such as "2026-12-07T19:50:03.250Z")";
  std::vector<std::pair<std::string, std::string>> refused = {
      {R"({"error":"no-service","time":""})", kBadTime},
      {R"({"time":"2026-12-07T19:50:03Z"})", R"(an object line needs "error" or "bsses")"},
      {R"({"error":"no-service","bsses":[]})",
       R"(an object line has "error" or "bsses", not both)"},
      {R"({"time":"2026-12-07T19:50:03Z","bsses":{}})",
       R"("bsses" must be a JSON array of BSS objects)"},
      {R"({"bsses":[],"bsses":[]})", R"("bsses" is given twice)"},
      {R"({"bsses":[{"rssi":-60}]})", R"(BSS 1: "bssid" is missing)"},
      {R"({"bsses":[7]})", "BSS 1: expected a JSON object"},
  };
  // No such day or hour, no zone, a bad fraction or zone, before year 0, or not a string.
  for (const char* time :
       {R"("2026-02-30T10:00:00Z")", R"("2026-12-07T24:00:00Z")", R"("2026-12-07T19:50:03")",
        R"("2026-12-07 19:50:03Z")", R"("2026-12-07T19:50:03.Z")",
        R"("2026-12-07T19:50:03.1234567890Z")", R"("2026-12-07T19:50:03+24:00")",
        R"("2026-12-07T19:50:03+0::00")", R"("2026-12-07T19:50:03+01")",
        R"("0000-01-01T00:30:00+01:00")", R"("19:50:03")", "1796601600000", "null"}) {
    refused.emplace_back(listed(time), kBadTime);
  }
  for (const auto& c : cases) {
    std::vector<ScenarioLine> lines;
    std::string error;
    ASSERT_TRUE(ParseScenario(c.line + "\n", lines, error)) << c.line << ": " << error;
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].timeMs, c.timeMs) << c.line;
    if (lines[0].outcome == QueryOutcome::kListed && c.line.find("bssid") != std::string::npos) {
      ASSERT_EQ(lines[0].bsses.size(), 1u) << c.line;
      EXPECT_EQ(lines[0].bsses[0].rssi, -60);
    }
  }
  for (const auto& [line, refusal] : refused) {
    std::vector<ScenarioLine> lines;
    std::string error;
    EXPECT_FALSE(ParseScenario("# before\n" + line + "\n", lines, error)) << line;
    EXPECT_EQ(error, "2: " + refusal) << line;
  }
  for (const int64_t ms :
       {at + 250, int64_t{0}, int64_t{-1}, kScenarioEarliestMs, kScenarioLatestMs}) {
    EXPECT_EQ(ParseScenarioTime(ScenarioTimeText(ms)), ms) << ScenarioTimeText(ms);
  }
  EXPECT_EQ(ScenarioTimeText(at + 250), "2026-12-07T19:50:03.250Z");
  EXPECT_EQ(ScenarioTimeText(-1), "1969-12-31T23:59:59.999Z");
}

// A replay recorded again writes each line's own time, and no time where a line had none: the
// recording of a replay is the file replayed, byte for byte, old lines and new alike.
TEST(ScenarioTime, ARecordingOfAReplayIsTheRecording) {
  const std::string recording =
      R"({"time":"2026-12-07T19:50:03.250Z","bsses":[{"bssid":"00:1A:2B:3C:4D:01","ssid":"cafe",)"
      R"("rssi":-60,"link_quality":80,"frequency_khz":2437000,"beacon_period":100,)"
      R"("timestamp":"0x10","host_timestamp":"0x3039","capability":1073,"ies_hex":"0004cafe"}]})"
      "\n"
      R"({"error":"no-service","time":"2026-12-07T19:50:23.250Z"})"
      "\n"
      R"({"error":"no-interface","time":"2026-12-07T19:50:43.251Z"})"
      "\n"
      R"({"error":"query-failed","time":"2026-12-07T19:51:03.250Z"})"
      "\n"
      R"({"time":"2026-12-07T19:51:23.250Z","bsses":[]})"
      "\n"
      // Written before times were kept.
      R"([{"bssid":"00:1A:2B:3C:4D:02","ssid_hex":"ff","rssi":-90,"link_quality":20,)"
      R"("frequency_khz":0,"beacon_period":0,"timestamp":"0x0","host_timestamp":"0x0"}])"
      "\n"
      R"({"error":"no-service"})"
      "\n"
      R"({"time":"1969-12-31T23:59:59.999Z","bsses":[]})"
      "\n";
  std::vector<ScenarioLine> lines;
  std::string error;
  ASSERT_TRUE(ParseScenario(recording, lines, error)) << error;
  ASSERT_EQ(lines.size(), 8u);

  namespace fs = std::filesystem;
  const fs::path path =
      fs::temp_directory_path() / ("quorvan-rerecorded-" + std::to_string(getpid()) + ".jsonl");
  std::vector<std::optional<int64_t>> heardTimes;
  {
    auto service = std::make_unique<ScenarioService>(std::move(lines), "r.jsonl");
    const QueryListener replay = service->QueryEndListener();
    const auto servedTime = service->ServedTime();
    const ScopedWlanService installed(std::move(service));
    const auto recorder = QueryRecorder::Open(path.string(), "again.jsonl", error);
    ASSERT_TRUE(recorder) << error;
    const ScopedQueryListener listener(
        [&](QueryOutcome outcome, std::span<const BssObservation> bsses, std::string_view name) {
          replay(outcome, bsses, name);
          heardTimes.push_back(servedTime());
          recorder->Record(outcome, bsses, servedTime());
        });
    NetworkTable table;
    for (int query = 0; query < 8; ++query) {
      RequestScan();  // consumes nothing, whatever the next line says
      QueryBssSnapshot(table);
    }
    ASSERT_EQ(recorder->WriteError(), "");
  }
  std::ifstream in(path, std::ios::binary);
  const std::string again((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  fs::remove(path);
  EXPECT_EQ(again, recording);
  ASSERT_EQ(heardTimes.size(), 8u);
  EXPECT_EQ(heardTimes[1], ParseScenarioTime("2026-12-07T19:50:23.250Z"));
  EXPECT_EQ(heardTimes[5], std::nullopt);
}

}  // namespace
}  // namespace quorvan

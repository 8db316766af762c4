// The exposition text as a scraper reads it: labels that no SSID can break, the two formats,
// the format an Accept header picks, and the rows of a table through its cycles.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>

#include <string>
#include <string_view>
#include <vector>

#include "metrics/exposition.h"
#include "metrics/sensor_metrics.h"
#include "tests/support/observations.h"
#include "tracking/scan_cycle.h"

namespace quorvan {
namespace {

using testing::Observation;

// The samples of an exposition, parsed as a scraper does: name, label pairs (values
// unescaped), value. A line that does not parse fails the test.
struct Sample {
  std::string name;
  std::vector<std::pair<std::string, std::string>> labels;
  std::string value;
};

std::vector<Sample> ParseSamples(std::string_view text) {
  std::vector<Sample> samples;
  while (!text.empty()) {
    const std::size_t newline = text.find('\n');
    if (newline == std::string_view::npos) {
      ADD_FAILURE() << "no newline after the last line";
      break;
    }
    std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline + 1);
    if (line.starts_with('#')) continue;
    Sample sample;
    std::size_t at = line.find_first_of("{ ");
    sample.name = std::string(line.substr(0, at));
    if (at < line.size() && line[at] == '{') {
      ++at;
      while (at < line.size() && line[at] != '}') {
        const std::size_t equals = line.find("=\"", at);
        if (equals == std::string_view::npos) {
          ADD_FAILURE() << "bad label in: " << line;
          return samples;
        }
        std::string name(line.substr(at, equals - at));
        std::string value;
        for (at = equals + 2; at < line.size() && line[at] != '"'; ++at) {
          if (line[at] == '\\' && at + 1 < line.size()) {
            const char next = line[++at];
            value += next == 'n' ? '\n' : next;
            if (next != 'n' && next != '\\' && next != '"') ADD_FAILURE() << "bad escape: " << line;
          } else {
            value += line[at];
          }
        }
        ++at;  // the closing quote
        sample.labels.emplace_back(std::move(name), std::move(value));
        if (at < line.size() && line[at] == ',') ++at;
      }
      ++at;  // the closing brace
    }
    if (at >= line.size() || line[at] != ' ') {
      ADD_FAILURE() << "no value in: " << line;
      continue;
    }
    sample.value = std::string(line.substr(at + 1));
    if (sample.value.empty() || sample.value.find(' ') != std::string::npos) {
      ADD_FAILURE() << "bad value in: " << line;
    }
    samples.push_back(std::move(sample));
  }
  return samples;
}

std::string Exposition(const MetricsSnapshot& snapshot,
                       ExpositionFormat format = ExpositionFormat::kPrometheusText) {
  std::string text;
  WriteExposition(snapshot, format, text);
  return text;
}

std::string Label(const Sample& sample, std::string_view name) {
  for (const auto& [key, value] : sample.labels) {
    if (key == name) return value;
  }
  return "(none)";
}

TEST(Exposition, NoSsidBreaksALineOrAddsALabel) {
  struct Row {
    std::string bytes;
    std::string shown;  // the label's value once unescaped: the list's text
  };
  // Backslashes, control bytes, bytes that are not UTF-8 and 32-byte names are scraped by
  // Prometheus and promtool in prometheus_test.sh; here the injection, and the rest.
  const Row rows[] = {
      {"x\",evil=\"1\"} 7\nfake_metric 1", "x\",evil=\"1\"} 7\\x0Afake_metric 1"},
      {"tab\there\r\n", "tab\\x09here\\x0D\\x0A"},
      {"\xe2\x80\xae"
       "cod.exe",
       "\\xE2\\x80\\xAEcod.exe"},  // a right-to-left override
      {"北京咖啡馆", "北京咖啡馆"},
      {"", ""},
  };
  auto bsses = std::make_shared<std::vector<BssSample>>();
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    TrackedNetwork record;
    std::snprintf(record.mac, sizeof record.mac, "0A 00 00 00 00 %02zX", i);
    rows[i].bytes.copy(record.ssid, sizeof record.ssid - 1);
    record.seen = 1;
    record.frequency = 2412000;
    record.channel = 1;
    bsses->push_back(SampleOf(record, "WPA2-Personal"));
  }
  for (ExpositionFormat format :
       {ExpositionFormat::kPrometheusText, ExpositionFormat::kOpenMetrics}) {
    const std::vector<Sample> samples =
        ParseSamples(Exposition(MetricsSnapshot{bsses, {}, {}}, format));
    int activity = 0;
    for (const Sample& sample : samples) {
      if (sample.name != "quorvan_bss_activity") continue;
      const Row& row = rows[activity++];
      SCOPED_TRACE(row.shown);
      ASSERT_EQ(sample.labels.size(), 5u);
      EXPECT_EQ(Label(sample, "ssid"), row.shown);
      EXPECT_EQ(Label(sample, "channel"), "1");
      EXPECT_EQ(Label(sample, "band"), "2.4");
      EXPECT_EQ(Label(sample, "security"), "WPA2-Personal");
    }
    EXPECT_EQ(activity, static_cast<int>(std::size(rows)));
  }
}

TEST(Exposition, LabelValuesAreBounded) {
  MetricsSnapshot snapshot;
  snapshot.info.interface = std::string(1000, '\x01');  // each byte shown as four characters
  snapshot.info.version = std::string(1000, 'v');
  for (const Sample& sample : ParseSamples(Exposition(snapshot))) {
    if (sample.name != "quorvan_info") continue;
    EXPECT_EQ(Label(sample, "interface").size(), 256u);  // 64 escapes, none cut in half
    EXPECT_EQ(Label(sample, "version"), std::string(kLabelValueLimit, 'v'));
  }
}

TEST(Exposition, TheTwoFormats) {
  MetricsSnapshot snapshot;
  snapshot.counts.queries = {5, 1, 0, 2};
  snapshot.counts.scanRequests = {3, 0, 0, 1};
  snapshot.counts.lastQuerySeconds = 1796245802.25;
  snapshot.info = {"1.0", "wlan0", "nl80211"};
  const std::string text = Exposition(snapshot);
  const std::string open = Exposition(snapshot, ExpositionFormat::kOpenMetrics);
  struct Row {
    std::string line;
    bool inText, inOpenMetrics;
  };
  const Row rows[] = {
      {"# TYPE quorvan_queries_total counter\n", true, false},
      {"# TYPE quorvan_queries counter\n", false, true},
      {"quorvan_queries_total{outcome=\"listed\"} 5\n", true, true},
      {"quorvan_queries_total{outcome=\"query-failed\"} 2\n", true, true},
      {"quorvan_scan_requests_total{outcome=\"refused\"} 1\n", true, true},
      {"# TYPE quorvan_info gauge\n", true, false},
      {"# TYPE quorvan info\n", false, true},
      {"quorvan_info{version=\"1.0\",interface=\"wlan0\",source=\"nl80211\"} 1\n", true, true},
      {"quorvan_networks 0\n", true, true},
      {"quorvan_last_query_timestamp_seconds 1796245802.25\n", true, true},
      {"# EOF\n", false, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(text.find(row.line) != std::string::npos, row.inText);
    EXPECT_EQ(open.find(row.line) != std::string::npos, row.inOpenMetrics);
  }
  EXPECT_TRUE(open.ends_with("\n# EOF\n"));
  EXPECT_EQ(ParseSamples(text).size(), ParseSamples(open).size());
  // Before the first query there is no time to give.
  EXPECT_EQ(Exposition(MetricsSnapshot{}).find("\nquorvan_last_query_timestamp_seconds "),
            std::string::npos);
}

TEST(Exposition, TheFormatTheAcceptHeaderAsksFor) {
  constexpr auto kText = ExpositionFormat::kPrometheusText;
  constexpr auto kOpen = ExpositionFormat::kOpenMetrics;
  const std::pair<std::string_view, ExpositionFormat> rows[] = {
      {"", kText},
      {"text/plain;version=0.0.4", kText},
      // What Prometheus 2 sends.
      {"application/openmetrics-text;version=1.0.0,application/openmetrics-text;version=0.0.1;"
       "q=0.75,text/plain;version=0.0.4;q=0.5,*/*;q=0.1",
       kOpen},
      {"application/openmetrics-text", kOpen},
      {"Application/OpenMetrics-Text; version=1.0.0", kOpen},
      {"text/plain;q=0.9, application/openmetrics-text;q=0.5", kText},
      {"text/plain;q=0.5, application/openmetrics-text;q=0.9", kOpen},
      {"application/openmetrics-text;q=0", kText},
      {"application/openmetrics-text;q=x", kText},
      {",,;,application/openmetrics-text ; q=1.0", kOpen},
  };
  for (const auto& [accept, format] : rows) {
    SCOPED_TRACE(accept);
    EXPECT_EQ(FormatForAccept(accept), format);
  }
  EXPECT_EQ(ContentType(kText), "text/plain; version=0.0.4; charset=utf-8");
  EXPECT_EQ(ContentType(kOpen), "application/openmetrics-text; version=1.0.0; charset=utf-8");
}

// The rows of a BSS in the latest scrape: metric name to value.
std::map<std::string, std::string> RowsOf(const MetricsBoard& board, std::string_view bssid) {
  std::map<std::string, std::string> rows;
  for (const Sample& sample : ParseSamples(Exposition(*board.Latest()))) {
    if (Label(sample, "bssid") == bssid) rows[sample.name] = sample.value;
  }
  return rows;
}

TEST(SensorMetrics, RowsFollowTheTableThroughItsCycles) {
  MetricsBoard board;
  SensorMetrics sensor(board, {"1.0", "", "simulated"});
  ASSERT_NE(board.Latest(), nullptr);
  NetworkTable table;
  auto cycle = [&](std::vector<BssObservation> heard) {
    AdvanceHistory(table);
    MergeBssList(table, heard);
    sensor.QueryEnded(QueryOutcome::kListed, "wlan0", 1000);
    UpdateActivity(table);
    sensor.TableUpdated(table);
  };
  cycle({Observation(1, "stays", -40, 5180000), Observation(2, "leaves", -70, 5975000, 0)});
  constexpr std::string_view kStays = "00:1A:2B:3C:00:01", kLeaves = "00:1A:2B:3C:00:02";
  using Rows = std::map<std::string, std::string>;
  EXPECT_EQ(RowsOf(board, kLeaves), (Rows{{"quorvan_bss_activity", "16"},
                                          {"quorvan_bss_beacon_period_tu", "0"},
                                          {"quorvan_bss_link_quality_percent", "60"},
                                          {"quorvan_bss_seen", "1"},
                                          {"quorvan_bss_signal_dbm", "-70"}}));
  const std::shared_ptr<const MetricsSnapshot> before = board.Latest();

  // Not heard: no signal nor link quality, an activity that falls, then no row at all.
  cycle({Observation(1, "stays", -41, 5180000)});
  EXPECT_EQ(RowsOf(board, kLeaves), (Rows{{"quorvan_bss_activity", "15"},
                                          {"quorvan_bss_beacon_period_tu", "0"},
                                          {"quorvan_bss_seen", "0"}}));
  int cycles = 1;
  while (table.size() == 2 && cycles < 100) {
    cycle({Observation(1, "stays", -42, 5180000)});
    ++cycles;
  }
  EXPECT_EQ(cycles, 17);
  EXPECT_TRUE(RowsOf(board, kLeaves).empty());
  EXPECT_EQ(RowsOf(board, kStays)["quorvan_bss_signal_dbm"], "-42");
  for (const Sample& sample : ParseSamples(Exposition(*board.Latest()))) {
    if (sample.name == "quorvan_networks") {
      EXPECT_EQ(sample.value, "1");
    }
    if (sample.name == "quorvan_bss_seen") {
      EXPECT_EQ(Label(sample, "band"), "5");
    }
  }
  // A scrape that took its snapshot before still reads it whole.
  EXPECT_EQ(before->bsses->size(), 2u);
  EXPECT_EQ(std::string_view(before->bsses->at(1).bssid), kLeaves);
  EXPECT_EQ(before->bsses->at(1).band, "6");
}

TEST(SensorMetrics, CountsByOutcome) {
  MetricsBoard board;
  SensorMetrics sensor(board, {"1.0", "", "nl80211"});
  sensor.QueryEnded(QueryOutcome::kNoInterface, "", 10);
  sensor.QueryEnded(QueryOutcome::kListed, "wlp2s0", 20.5);
  sensor.QueryEnded(QueryOutcome::kListFailed, "", 30);
  // A scan request is published at once, without waiting for the next cycle's rows.
  for (int result : {0, 0, 3, 1, 2, 7, -1}) sensor.ScanRequested(result);
  const std::shared_ptr<const MetricsSnapshot> latest = board.Latest();
  EXPECT_EQ(latest->counts.queries, (std::array<uint64_t, 4>{1, 0, 1, 1}));
  EXPECT_EQ(latest->counts.scanRequests, (std::array<uint64_t, 4>{2, 1, 1, 1}));
  EXPECT_EQ(latest->counts.lastQuerySeconds, 30);
  EXPECT_EQ(latest->info.interface, "wlp2s0");  // the last interface a query named
}

}  // namespace
}  // namespace quorvan

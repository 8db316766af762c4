#pragma once

// The metrics of a sensor as Prometheus reads them: a snapshot of the table and of the sensor's
// counts, taken on the cycle's thread, and its text in the two exposition formats, written on
// whichever thread serves the scrape.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorvan {

// One row of the table as the metrics show it. Plain fields, so that a cycle copies 10,000 of
// them without an allocation each.
struct BssSample {
  char bssid[18] = {};  // "0A:1B:2C:3D:4E:5F"
  char ssid[64] = {};   // the record's raw bytes, zero-terminated inside the array
  int32_t channel = 0;
  std::string_view band;           // "2.4", "5", "6"; empty where the frequency is in none of them
  std::string_view security;       // a label with static storage; empty where no elements are known
  bool seen = false;               // in the last cycle's query
  int32_t signalDbm = 0;           // the last cycle's, when seen
  int32_t linkQualityPercent = 0;  // when seen
  int32_t activity = 0;
  int32_t beaconPeriodTu = -1;  // -1 where the record's text holds no number
};

// How the queries and the scan requests ended, in the order of QueryOutcome and of RequestScan's
// results (0 accepted, 1 no service, 2 no interface, 3 refused).
struct SensorCounts {
  std::array<uint64_t, 4> queries = {};
  std::array<uint64_t, 4> scanRequests = {};
  double lastQuerySeconds = 0;  // Unix time of the last query's end; 0 before the first
};

struct SensorInfo {
  std::string version;
  std::string interface;  // the interface the last query read, as the service names it
  std::string source;     // "nl80211", "simulated", "scenario", "pcap"
};

// What one scrape reads: never changed once published. The rows are shared between the
// snapshots of one cycle, which differ only in their counts.
struct MetricsSnapshot {
  std::shared_ptr<const std::vector<BssSample>> bsses;
  SensorCounts counts;
  SensorInfo info;
};

enum class ExpositionFormat {
  kPrometheusText,  // text/plain; version=0.0.4
  kOpenMetrics,     // application/openmetrics-text; version=1.0.0
};

// The format an Accept header asks for: OpenMetrics where it is listed with a weight above 0 and
// at least that of every other type, the Prometheus text format otherwise (no header included).
ExpositionFormat FormatForAccept(std::string_view accept);

// The Content-Type header of a response in `format`.
std::string_view ContentType(ExpositionFormat format);

// Appends the whole exposition of `snapshot` in `format` to `out`. Label values are the texts
// the list shows (an SSID's control characters, backslashes and invalid bytes written as \xNN
// and \\), cut to at most kLabelValueLimit bytes at a whole character, then escaped as the
// format requires; so no value can end a line, close its quotes or add a label.
void WriteExposition(const MetricsSnapshot& snapshot, ExpositionFormat format, std::string& out);

inline constexpr std::size_t kLabelValueLimit = 256;

}  // namespace quorvan

#include "metrics/exposition.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "ui/ssid_text.h"

namespace quorvan {
namespace {

// Lower-case ASCII, for the parts of a header that compare without case.
bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The weight of one media range ("type/subtype;version=1.0.0;q=0.5"): 1 without a q parameter,
// 0 for a q that is not a number.
double Weight(std::string_view range) {
  for (std::size_t semicolon = range.find(';'); semicolon != std::string_view::npos;) {
    range.remove_prefix(semicolon + 1);
    semicolon = range.find(';');
    const std::string_view parameter = Trimmed(range.substr(0, semicolon));
    if (parameter.size() < 2 || (parameter[0] != 'q' && parameter[0] != 'Q') ||
        parameter[1] != '=') {
      continue;
    }
    const std::string_view value = parameter.substr(2);
    double q = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), q);
    if (error != std::errc() || end != value.data() + value.size() || !(q >= 0)) return 0;
    return std::min(q, 1.0);
  }
  return 1;
}

// The value of a label, as the list shows it and bounded, escaped for the exposition formats
// (both escape the same three characters).
void AppendLabelValue(std::string& out, std::string_view bytes) {
  char shown[kLabelValueLimit + 1];
  const std::size_t length = EscapeSsid(bytes, shown, sizeof shown);
  for (std::size_t i = 0; i < length; ++i) {
    const char c = shown[i];
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '"') {
      out += "\\\"";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
}

void AppendLabel(std::string& out, bool& first, std::string_view name, std::string_view value) {
  out += first ? '{' : ',';
  first = false;
  out += name;
  out += "=\"";
  AppendLabelValue(out, value);
  out += '"';
}

template <typename Number>
void AppendNumber(std::string& out, Number value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  out.append(text, end);
}

// Unix time with its milliseconds, "1796245802.25"; whole seconds without a point.
void AppendSeconds(std::string& out, double seconds) {
  if (!std::isfinite(seconds)) seconds = 0;
  char text[48];
  const auto end =
      std::to_chars(text, text + sizeof text, seconds, std::chars_format::fixed, 3).ptr;
  std::string_view written(text, static_cast<std::size_t>(end - text));
  while (written.ends_with('0')) written.remove_suffix(1);
  if (written.ends_with('.')) written.remove_suffix(1);
  out += written;
}

class Writer {
 public:
  Writer(std::string& out, ExpositionFormat format) : out_(out), format_(format) {}

  // A family's HELP and TYPE lines. A counter's family is named without "_total" in
  // OpenMetrics, whose samples add it; the Prometheus text format names both with it.
  void Family(std::string_view name, std::string_view type, std::string_view help) {
    std::string_view family = name;
    if (format_ == ExpositionFormat::kOpenMetrics) {
      if (type == "counter" && family.ends_with("_total")) family.remove_suffix(6);
      if (type == "info" && family.ends_with("_info")) family.remove_suffix(5);
    } else if (type == "info") {
      type = "gauge";
    }
    out_ += "# HELP ";
    out_ += family;
    out_ += ' ';
    out_ += help;
    out_ += "\n# TYPE ";
    out_ += family;
    out_ += ' ';
    out_ += type;
    out_ += '\n';
  }

  void End() {
    if (format_ == ExpositionFormat::kOpenMetrics) out_ += "# EOF\n";
  }

 private:
  std::string& out_;
  ExpositionFormat format_;
};

constexpr std::array<std::string_view, 4> kQueryOutcomes = {"listed", "no-service", "no-interface",
                                                            "query-failed"};
constexpr std::array<std::string_view, 4> kScanOutcomes = {"accepted", "no-service", "no-interface",
                                                           "refused"};

// A counter's samples, one per outcome: name{outcome="..."} count.
void AppendByOutcome(std::string& out, std::string_view name,
                     const std::array<std::string_view, 4>& outcomes,
                     const std::array<uint64_t, 4>& counts) {
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    out += name;
    out += "{outcome=\"";
    out += outcomes[i];
    out += "\"} ";
    AppendNumber(out, counts[i]);
    out += '\n';
  }
}

// Each BSS's labels, written once per scrape and repeated in every family.
struct LabelSets {
  std::string text;
  std::vector<std::size_t> ends;  // where each BSS's labels end in `text`

  std::string_view Of(std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : ends[i - 1];
    return std::string_view(text).substr(begin, ends[i] - begin);
  }
};

LabelSets BssLabels(const std::vector<BssSample>& bsses) {
  LabelSets sets;
  sets.text.reserve(bsses.size() * 96);
  sets.ends.reserve(bsses.size());
  for (const BssSample& bss : bsses) {
    bool first = true;
    AppendLabel(sets.text, first, "bssid", std::string_view(bss.bssid, strnlen(bss.bssid, 18)));
    AppendLabel(sets.text, first, "ssid", std::string_view(bss.ssid, strnlen(bss.ssid, 64)));
    sets.text += ",channel=\"";
    AppendNumber(sets.text, bss.channel);
    sets.text += '"';
    if (!bss.band.empty()) AppendLabel(sets.text, first, "band", bss.band);
    if (!bss.security.empty()) AppendLabel(sets.text, first, "security", bss.security);
    sets.text += '}';
    sets.ends.push_back(sets.text.size());
  }
  return sets;
}

// One sample per BSS for which `value` gives a number.
template <typename Value>
void BssFamily(std::string& out, const std::vector<BssSample>& bsses, const LabelSets& labels,
               std::string_view name, Value value) {
  for (std::size_t i = 0; i < bsses.size(); ++i) {
    int32_t number = 0;
    if (!value(bsses[i], number)) continue;
    out += name;
    out += labels.Of(i);
    out += ' ';
    AppendNumber(out, number);
    out += '\n';
  }
}

}  // namespace

ExpositionFormat FormatForAccept(std::string_view accept) {
  double openMetrics = 0, other = 0;
  while (!accept.empty()) {
    const std::size_t comma = accept.find(',');
    const std::string_view range = Trimmed(accept.substr(0, comma));
    accept.remove_prefix(comma == std::string_view::npos ? accept.size() : comma + 1);
    const std::string_view type = Trimmed(range.substr(0, range.find(';')));
    if (type.empty()) continue;
    const double weight = Weight(range);
    if (EqualsIgnoringCase(type, "application/openmetrics-text")) {
      openMetrics = std::max(openMetrics, weight);
    } else {
      other = std::max(other, weight);
    }
  }
  return openMetrics > 0 && openMetrics >= other ? ExpositionFormat::kOpenMetrics
                                                 : ExpositionFormat::kPrometheusText;
}

std::string_view ContentType(ExpositionFormat format) {
  return format == ExpositionFormat::kOpenMetrics
             ? "application/openmetrics-text; version=1.0.0; charset=utf-8"
             : "text/plain; version=0.0.4; charset=utf-8";
}

void WriteExposition(const MetricsSnapshot& snapshot, ExpositionFormat format, std::string& out) {
  static const std::vector<BssSample> kNone;
  const std::vector<BssSample>& bsses = snapshot.bsses ? *snapshot.bsses : kNone;
  const LabelSets labels = BssLabels(bsses);
  out.reserve(out.size() + 2048 + labels.text.size() * 5 + bsses.size() * 5 * 40);
  Writer writer(out, format);

  writer.Family("quorvan_info", "info", "The program, the interface it reads and its source.");
  out += "quorvan_info";
  bool first = true;
  AppendLabel(out, first, "version", snapshot.info.version);
  AppendLabel(out, first, "interface", snapshot.info.interface);
  AppendLabel(out, first, "source", snapshot.info.source);
  out += "} 1\n";

  writer.Family("quorvan_networks", "gauge", "Rows in the table: the BSSes not evicted yet.");
  out += "quorvan_networks ";
  AppendNumber(out, bsses.size());
  out += '\n';

  writer.Family("quorvan_queries_total", "counter", "Queries of the BSS list, by how they ended.");
  AppendByOutcome(out, "quorvan_queries_total", kQueryOutcomes, snapshot.counts.queries);
  writer.Family("quorvan_scan_requests_total", "counter",
                "Requests for a fresh scan, by how they ended.");
  AppendByOutcome(out, "quorvan_scan_requests_total", kScanOutcomes, snapshot.counts.scanRequests);
  writer.Family("quorvan_last_query_timestamp_seconds", "gauge",
                "When the last query ended, in seconds since 1970 (UTC).");
  if (snapshot.counts.lastQuerySeconds > 0) {
    out += "quorvan_last_query_timestamp_seconds ";
    AppendSeconds(out, snapshot.counts.lastQuerySeconds);
    out += '\n';
  }

  writer.Family("quorvan_bss_signal_dbm", "gauge",
                "The signal of the last cycle, in dBm; absent when the BSS was not seen in it.");
  BssFamily(out, bsses, labels, "quorvan_bss_signal_dbm", [](const BssSample& bss, int32_t& v) {
    v = bss.signalDbm;
    return bss.seen;
  });
  writer.Family("quorvan_bss_link_quality_percent", "gauge",
                "The link quality of the last cycle; absent when the BSS was not seen in it.");
  BssFamily(out, bsses, labels, "quorvan_bss_link_quality_percent",
            [](const BssSample& bss, int32_t& v) {
              v = bss.linkQualityPercent;
              return bss.seen;
            });
  writer.Family("quorvan_bss_activity", "gauge",
                "The activity factor: up while the BSS is seen, down while it is not.");
  BssFamily(out, bsses, labels, "quorvan_bss_activity", [](const BssSample& bss, int32_t& v) {
    v = bss.activity;
    return true;
  });
  writer.Family("quorvan_bss_seen", "gauge", "1 when the BSS was in the last cycle's query.");
  BssFamily(out, bsses, labels, "quorvan_bss_seen", [](const BssSample& bss, int32_t& v) {
    v = bss.seen ? 1 : 0;
    return true;
  });
  writer.Family("quorvan_bss_beacon_period_tu", "gauge",
                "The beacon interval in time units of 1024 microseconds.");
  BssFamily(out, bsses, labels, "quorvan_bss_beacon_period_tu",
            [](const BssSample& bss, int32_t& v) {
              v = bss.beaconPeriodTu;
              return bss.beaconPeriodTu >= 0;
            });
  writer.End();
}

}  // namespace quorvan

// libFuzzer target for the scenario parser: the input is a whole scenario file, as a user or a
// damaged recording could hand it over. Every accepted line must also survive being written
// back and read again, which is what a record-then-replay run relies on.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scenario/scenario_file.h"

namespace {

bool SameForReplay(const quorvan::BssObservation& a, const quorvan::BssObservation& b) {
  // The writer keeps the name only, the bytes up to the first zero.
  const auto nameEnd = std::find(a.ssid.begin(), a.ssid.end(), uint8_t{0});
  const auto tail = a.ssid.begin() + (nameEnd - a.ssid.begin());
  return a.bssid == b.bssid && std::equal(a.ssid.begin(), tail, b.ssid.begin()) &&
         std::all_of(b.ssid.begin() + (tail - a.ssid.begin()), b.ssid.end(),
                     [](uint8_t byte) { return byte == 0; }) &&
         a.rssi == b.rssi && a.linkQuality == b.linkQuality && a.timestamp == b.timestamp &&
         a.hostTimestamp == b.hostTimestamp && a.centerFrequency == b.centerFrequency &&
         a.beaconPeriod == b.beaconPeriod && a.capability == b.capability && a.ies == b.ies;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<quorvan::ScenarioLine> lines;
  std::string error, torn;
  if (!quorvan::ParseScenario(text, lines, error, &torn)) {
    // "LINE: reason", and the line is one of the input's.
    if (error.empty() || error[0] < '1' || error[0] > '9') __builtin_trap();
    return 0;
  }
  // Only a last line without its newline can be torn.
  if (!torn.empty() && (text.empty() || text.back() == '\n')) __builtin_trap();

  int previous = 0;
  for (const quorvan::ScenarioLine& line : lines) {
    if (line.lineNumber <= previous) __builtin_trap();
    previous = line.lineNumber;
    if (line.outcome != quorvan::QueryOutcome::kListed && !line.bsses.empty()) __builtin_trap();
    for (const quorvan::BssObservation& bss : line.bsses) {
      if (bss.linkQuality > 100 || bss.ies.size() > quorvan::kScenarioMaxElementBytes) {
        __builtin_trap();
      }
    }

    // A time read is one the writer can write, and reads back to the same millisecond.
    if (line.timeMs && (*line.timeMs < quorvan::kScenarioEarliestMs ||
                        *line.timeMs > quorvan::kScenarioLatestMs)) {
      __builtin_trap();
    }
    const std::string written = quorvan::ScenarioLineText(line.outcome, line.bsses, line.timeMs);
    if (written.find('\n') != std::string::npos) __builtin_trap();
    std::vector<quorvan::ScenarioLine> again;
    if (!quorvan::ParseScenario(written, again, error) || again.size() != 1 ||
        again[0].outcome != line.outcome || again[0].bsses.size() != line.bsses.size() ||
        again[0].timeMs != line.timeMs) {
      __builtin_trap();
    }
    for (std::size_t i = 0; i < line.bsses.size(); ++i) {
      if (!SameForReplay(line.bsses[i], again[0].bsses[i])) __builtin_trap();
    }
  }
  return 0;
}

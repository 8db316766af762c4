#pragma once

// Scenario files: recorded query results, one per line, in JSON Lines (UTF-8). Each line that is
// not empty and does not begin with '#' (after blanks) is one query's result:
//
//   [{"bssid": "00:1A:2B:3C:4D:5E", "ssid": "cafe", "rssi": -60, ...}, ...]   the BSS list
//   {"error": "no-service"}     the WLAN service could not be opened
//   {"error": "no-interface"}   no wireless interface
//   {"error": "query-failed"}   the interface's BSS list could not be had
//
// A BSS object: "bssid" (required; six two-digit hex numbers, either case, separated by ':'
// or by '-', one separator throughout); "ssid" (a JSON string, its UTF-8 bytes, at most 32) or
// "ssid_hex" (the raw bytes in hex, at most 32), not both; "rssi" (dBm, signed 32-bit);
// "link_quality" (0..100; without it 2 * (rssi + 100) clamped to 0..100); "frequency_khz"
// (unsigned 32-bit); "beacon_period" (0..65535); "timestamp" and "host_timestamp" (unsigned
// 64-bit, a JSON integer or a string "0x..." of hex digits). Absent fields are zero or empty,
// unknown ones are ignored. Numbers must be integers: 1.0 and 1e3 are refused.
//
// Pure and platform-free: used by the replaying service and by the recorder alike.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tracking/scan_cycle.h"
#include "wlan/wlan_access.h"

namespace quorvan {

// One query result of a scenario.
struct ScenarioLine {
  QueryOutcome outcome = QueryOutcome::kListed;
  std::vector<BssObservation> bsses;  // only when kListed
  int lineNumber = 0;                 // 1-based, in the file
};

// Deeper than this a line is refused before the JSON library sees it: a valid line needs two
// levels, and unknown fields may carry a little structure of their own.
inline constexpr int kScenarioMaxNesting = 16;

// Files larger than this are refused rather than read into memory.
inline constexpr std::size_t kScenarioMaxBytes = 64u << 20;

// Parses a whole scenario text. On success `lines` holds the query results in order. On the
// first bad line returns false with `error` = "LINE: what is wrong" (e.g. "3: BSS 2: \"rssi\"
// is out of range"); `lines` is then unspecified.
bool ParseScenario(std::string_view text, std::vector<ScenarioLine>& lines, std::string& error);

// Reads and parses the file at `path`. `error` names the file: "FILE:LINE: what is wrong" or
// "FILE: cannot be read: REASON".
bool LoadScenarioFile(const std::string& path, std::vector<ScenarioLine>& lines,
                      std::string& error);

// One query result as one scenario line, without the newline, so that ParseScenario gives the
// same result back. The SSID is written as the name, the bytes up to the first zero byte
// (everything after it is invisible to the program), as "ssid" when valid UTF-8, else as
// "ssid_hex". Timestamps are written as "0x..." strings, which stay exact in JSON tools that
// read numbers as doubles. `observations` are used only for kListed.
std::string ScenarioLineText(QueryOutcome outcome, std::span<const BssObservation> observations);

}  // namespace quorvan

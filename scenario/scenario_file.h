#pragma once

// Scenario files: recorded query results, one per line, in JSON Lines (UTF-8). Each line that is
// not empty and does not begin with '#' (after blanks) is one query's result:
//
//   [{"bssid": "00:1A:2B:3C:4D:5E", "ssid": "cafe", "rssi": -60, ...}, ...]   the BSS list
//   {"error": "no-service"}     the WLAN service could not be opened
//   {"error": "no-interface"}   no wireless interface
//   {"error": "query-failed"}   the interface's BSS list could not be had
//
// A line may also say when its query ran, as "time" (RFC 3339, UTC: the recorder writes
// milliseconds and "Z"), the list then going in "bsses":
//
//   {"time": "2026-12-07T19:50:03.250Z", "bsses": [{"bssid": ...}, ...]}
//   {"error": "no-service", "time": "2026-12-07T19:50:23.250Z"}
//
// so that every line stays one JSON value and `jq`, `wc -l` and the like still read a recording
// one query a line. "time" is optional: files written before it, bare lists and errors alone,
// replay as they always did. A reader takes any RFC 3339 time ("t" and "z" in either case, a
// fraction of 1 to 9 digits, of which milliseconds are kept, an offset "+01:00" instead of
// "Z"), from the year 0000 to 9999 in UTC; anything else is refused, as every bad field is. An
// object line has "error" or "bsses", not both.
//
// A BSS object: "bssid" (required; six two-digit hex numbers, either case, separated by ':'
// or by '-', one separator throughout); "ssid" (a JSON string, its UTF-8 bytes, at most 32) or
// "ssid_hex" (the raw bytes in hex, at most 32), not both; "rssi" (dBm, signed 32-bit);
// "link_quality" (0..100; without it 2 * (rssi + 100) clamped to 0..100); "frequency_khz"
// (unsigned 32-bit); "beacon_period" (0..65535); "timestamp" and "host_timestamp" (unsigned
// 64-bit, a JSON integer or a string "0x..." of hex digits); "capability" (the Capability
// Information field, 0..65535); "ies_hex" (the information elements of the beacon or probe
// response, in hex, at most 2304 bytes: a whole frame body). Absent fields are zero or empty,
// unknown ones are ignored. Numbers must be integers: 1.0 and 1e3 are refused.
//
// Pure and platform-free: used by the replaying service and by the recorder alike.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tracking/scan_cycle.h"
#include "wlan/query_outcome.h"

namespace quorvan {

// One query result of a scenario.
struct ScenarioLine {
  QueryOutcome outcome = QueryOutcome::kListed;
  std::vector<BssObservation> bsses;  // only when kListed
  int lineNumber = 0;                 // 1-based, in the file
  std::optional<int64_t> timeMs;      // when the query ran (ms since 1970, UTC), if the line says
};

// The times a line can hold: 0000-01-01T00:00:00.000Z to 9999-12-31T23:59:59.999Z, in ms since
// 1970.
inline constexpr int64_t kScenarioEarliestMs = -62'167'219'200'000;
inline constexpr int64_t kScenarioLatestMs = 253'402'300'799'999;

// A "time" value in ms since 1970 (UTC); nothing when it is not an RFC 3339 time in the range
// above (e.g. "2026-02-30T10:00:00Z", "19:50", a time without "Z" or an offset).
std::optional<int64_t> ParseScenarioTime(std::string_view text);

// `unixMs` as the recorder writes "time": "2026-12-07T19:50:03.250Z". In the range above.
std::string ScenarioTimeText(int64_t unixMs);

// The most bytes of information elements a BSS may carry: the largest management frame body.
inline constexpr std::size_t kScenarioMaxElementBytes = 2304;

// Deeper than this a line is refused before the JSON library sees it: a valid line needs two
// levels, and unknown fields may carry a little structure of their own.
inline constexpr int kScenarioMaxNesting = 16;

// Files larger than this are refused rather than read into memory.
inline constexpr std::size_t kScenarioMaxBytes = 64u << 20;

// Reads the query lines of a scenario text one at a time, in order; `text` must outlive it.
class ScenarioCursor {
 public:
  explicit ScenarioCursor(std::string_view text);

  enum class Step {
    kLine,  // `line` is the next query result
    kEnd,   // there is no more
    kBad,   // the next query line is bad: `error` = "LINE: what is wrong"
    // The last line is bad and has no newline: a recording cut short while writing it. `error`
    // as for kBad. There is no more after it.
    kTorn,
  };
  Step Next(ScenarioLine& line, std::string& error);

 private:
  std::string_view rest_;
  int lineNumber_ = 0;
};

// Parses a whole scenario text. On success `lines` holds the query results in order. On the
// first bad line returns false with `error` = "LINE: what is wrong" (e.g. "3: BSS 2: \"rssi\"
// is out of range"); `lines` is then unspecified. A torn last line (ScenarioCursor::kTorn) is
// left out: the lines before it are the result, and `torn` (when given) is set to "LINE: what
// is wrong"; it is emptied otherwise.
bool ParseScenario(std::string_view text, std::vector<ScenarioLine>& lines, std::string& error,
                   std::string* torn = nullptr);

// A scenario file, read whole and checked. Its query results are kept as they were parsed
// while they take little memory; past that (millions of lines) they are dropped, and the lines
// are parsed again from the text as they are served, which keeps memory to the file's size.
struct ScenarioFile {
  std::string text;  // empty when the lines are kept
  std::vector<ScenarioLine> lines;
  bool linesKept = false;
  std::size_t queries = 0;  // query lines, the torn one left out
  std::string torn;         // "LINE: what is wrong" for a torn last line, else empty
};

// The most memory the kept query results of a scenario may take.
inline constexpr std::size_t kScenarioKeptBytes = 64u << 20;

// Reads and checks the file at `path`. `error` names the file as `shownAs`: "FILE:LINE: what is
// wrong" or "FILE: cannot be read: REASON". `keptBytes` is the most memory the kept query
// results may take; tests lower it to serve small files as large ones are served.
bool LoadScenarioFile(const std::string& path, const std::string& shownAs, ScenarioFile& file,
                      std::string& error, std::size_t keptBytes = kScenarioKeptBytes);

// One query result as one scenario line, without the newline, so that ParseScenario gives the
// same result back. The SSID is written as the name, the bytes up to the first zero byte
// (everything after it is invisible to the program), as "ssid" when valid UTF-8, else as
// "ssid_hex". Timestamps are written as "0x..." strings, which stay exact in JSON tools that
// read numbers as doubles. "capability" and "ies_hex" are written only when not zero or empty.
// `observations` are used only for kListed. With `timeMs` (in the range above) the line says
// when the query ran; without it the line is as files without times have it.
std::string ScenarioLineText(QueryOutcome outcome, std::span<const BssObservation> observations,
                             std::optional<int64_t> timeMs = std::nullopt);

}  // namespace quorvan

#include "scenario/scenario_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <vector>

#include "base/hex.h"
#include "base/utf8.h"
#include "wlan/link_quality.h"

namespace quorvan {
namespace {

using Json = nlohmann::json;

constexpr std::string_view kNoService = "no-service";
constexpr std::string_view kNoInterface = "no-interface";
constexpr std::string_view kQueryFailed = "query-failed";

std::string_view ErrorName(QueryOutcome outcome) {
  switch (outcome) {
    case QueryOutcome::kNoService:
      return kNoService;
    case QueryOutcome::kNoInterface:
      return kNoInterface;
    case QueryOutcome::kListFailed:
      return kQueryFailed;
    case QueryOutcome::kListed:
      break;
  }
  return {};
}

// The deepest nesting of arrays and objects outside strings. A valid line needs two levels; a
// line nested deeper is refused here with that said, rather than with whatever the reader meets
// first in it, and the parser's stack of open levels never grows with a hostile line. Counting
// stops just past the limit.
int Nesting(std::string_view line) {
  int depth = 0, deepest = 0;
  bool inString = false, escaped = false;
  for (const char c : line) {
    if (inString) {
      if (escaped) {
        escaped = false;
      } else if (c == '\\') {
        escaped = true;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      deepest = std::max(deepest, ++depth);
      if (deepest > kScenarioMaxNesting) break;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return deepest;
}

// "00:1a:2B:3c:4D:5e" or with '-', the same separator throughout.
bool ParseBssid(std::string_view text, std::array<uint8_t, 6>& bssid) {
  if (text.size() != 17) return false;
  const char separator = text[2];
  if (separator != ':' && separator != '-') return false;
  for (std::size_t i = 0; i < bssid.size(); ++i) {
    const int high = HexValue(text[3 * i]), low = HexValue(text[3 * i + 1]);
    if (high < 0 || low < 0) return false;
    if (i + 1 < bssid.size() && text[3 * i + 2] != separator) return false;
    bssid[i] = static_cast<uint8_t>(high * 16 + low);
  }
  return true;
}

// Pairs of hex digits into bytes; false on an odd count, a non-digit, or more than `most`
// bytes.
bool ParseHexBytes(std::string_view text, std::size_t most, std::vector<uint8_t>& bytes,
                   std::string& why) {
  if (text.size() % 2 != 0) {
    why = "is not hex digits in pairs";
    return false;
  }
  if (text.size() / 2 > most) {
    why = "is " + std::to_string(text.size() / 2) + " bytes, more than " + std::to_string(most);
    return false;
  }
  bytes.resize(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int high = HexValue(text[i]), low = HexValue(text[i + 1]);
    if (high < 0 || low < 0) {
      why = "is not hex digits in pairs";
      return false;
    }
    bytes[i / 2] = static_cast<uint8_t>(high * 16 + low);
  }
  return true;
}

// One JSON value of a field the reader knows, as the parser delivered it.
struct Value {
  enum class Kind { kAbsent, kString, kUnsigned, kInteger, kFloat, kArray, kOther };
  Value() = default;
  explicit Value(Kind k) : kind(k) {}
  Kind kind = Kind::kAbsent;
  std::string text;       // kString
  uint64_t positive = 0;  // kUnsigned: a non-negative integer
  int64_t negative = 0;   // kInteger: a negative one
  bool Present() const { return kind != Kind::kAbsent; }
};

// The fields of one BSS object that mean something; any other is skipped. A field given twice
// keeps its last value.
struct BssFields {
  Value bssid, ssid, ssidHex, rssi, linkQuality, frequency, beaconPeriod, timestamp, hostTimestamp,
      capability, iesHex;

  Value* Slot(std::string_view key) {
    if (key == "bssid") return &bssid;
    if (key == "ssid") return &ssid;
    if (key == "ssid_hex") return &ssidHex;
    if (key == "rssi") return &rssi;
    if (key == "link_quality") return &linkQuality;
    if (key == "frequency_khz") return &frequency;
    if (key == "beacon_period") return &beaconPeriod;
    if (key == "timestamp") return &timestamp;
    if (key == "host_timestamp") return &hostTimestamp;
    if (key == "capability") return &capability;
    if (key == "ies_hex") return &iesHex;
    return nullptr;
  }
};

// The checks of one BSS; the first failure says why.
class BssChecks {
 public:
  bool Read(const BssFields& fields, BssObservation& bss) {
    if (!fields.bssid.Present()) return Fail("\"bssid\" is missing");
    if (fields.bssid.kind != Value::Kind::kString) return Fail("\"bssid\" must be a string");
    if (!ParseBssid(fields.bssid.text, bss.bssid)) {
      return Fail("\"bssid\" must be six two-digit hex numbers separated by ':' or '-'");
    }
    if (!ReadSsid(fields, bss)) return false;

    int64_t rssi = 0;
    if (!ReadSigned(fields.rssi, "rssi", std::numeric_limits<int32_t>::min(),
                    std::numeric_limits<int32_t>::max(), rssi)) {
      return false;
    }
    bss.rssi = static_cast<int32_t>(rssi);

    uint64_t quality = LinkQualityFromRssi(rssi);
    uint64_t frequency = 0, beaconPeriod = 0, capability = 0;
    if (!ReadUnsigned(fields.linkQuality, "link_quality", 100, quality) ||
        !ReadUnsigned(fields.frequency, "frequency_khz", std::numeric_limits<uint32_t>::max(),
                      frequency) ||
        !ReadUnsigned(fields.beaconPeriod, "beacon_period", std::numeric_limits<uint16_t>::max(),
                      beaconPeriod) ||
        !ReadTimestamp(fields.timestamp, "timestamp", bss.timestamp) ||
        !ReadTimestamp(fields.hostTimestamp, "host_timestamp", bss.hostTimestamp) ||
        !ReadUnsigned(fields.capability, "capability", std::numeric_limits<uint16_t>::max(),
                      capability) ||
        !ReadElements(fields.iesHex, bss)) {
      return false;
    }
    bss.capability = static_cast<uint16_t>(capability);
    bss.linkQuality = static_cast<uint32_t>(quality);
    bss.centerFrequency = static_cast<uint32_t>(frequency);
    bss.beaconPeriod = static_cast<uint16_t>(beaconPeriod);
    return true;
  }

  const std::string& Why() const { return why_; }

 private:
  bool Fail(std::string why) {
    why_ = std::move(why);
    return false;
  }

  bool ReadSsid(const BssFields& fields, BssObservation& bss) {
    if (fields.ssid.Present() && fields.ssidHex.Present()) {
      return Fail("\"ssid\" and \"ssid_hex\" are both given");
    }
    if (fields.ssid.Present()) {
      if (fields.ssid.kind != Value::Kind::kString) return Fail("\"ssid\" must be a string");
      const std::string& bytes = fields.ssid.text;
      if (bytes.size() > bss.ssid.size()) {
        return Fail("\"ssid\" is " + std::to_string(bytes.size()) + " bytes, more than 32");
      }
      std::copy(bytes.begin(), bytes.end(), bss.ssid.begin());
    } else if (fields.ssidHex.Present()) {
      if (fields.ssidHex.kind != Value::Kind::kString) {
        return Fail("\"ssid_hex\" must be a string");
      }
      std::string why;
      std::vector<uint8_t> bytes;
      if (!ParseHexBytes(fields.ssidHex.text, bss.ssid.size(), bytes, why)) {
        return Fail("\"ssid_hex\" " + why);
      }
      std::copy(bytes.begin(), bytes.end(), bss.ssid.begin());
    }
    return true;
  }

  bool ReadElements(const Value& value, BssObservation& bss) {
    if (!value.Present()) return true;
    if (value.kind != Value::Kind::kString) return Fail("\"ies_hex\" must be a string");
    std::string why;
    if (!ParseHexBytes(value.text, kScenarioMaxElementBytes, bss.ies, why)) {
      return Fail("\"ies_hex\" " + why);
    }
    return true;
  }

  // A JSON integer as the parser delivers it: non-negative ones as unsigned, negative ones as
  // signed, anything with a fraction or an exponent (and integers past 2^64 - 1) as floating.
  bool IsInteger(const Value& value, const char* key) {
    if (value.kind == Value::Kind::kUnsigned || value.kind == Value::Kind::kInteger) return true;
    if (value.kind == Value::Kind::kFloat) {
      return Fail(std::string("\"") + key + "\" is out of range (not an integer, or too large)");
    }
    return Fail(std::string("\"") + key + "\" must be a number");
  }

  bool OutOfRange(const char* key) { return Fail(std::string("\"") + key + "\" is out of range"); }

  bool ReadSigned(const Value& value, const char* key, int64_t min, int64_t max, int64_t& out) {
    if (!value.Present()) return true;
    if (!IsInteger(value, key)) return false;
    if (value.kind == Value::Kind::kUnsigned) {
      if (value.positive > static_cast<uint64_t>(max)) return OutOfRange(key);
      out = static_cast<int64_t>(value.positive);
    } else {
      if (value.negative < min || value.negative > max) return OutOfRange(key);
      out = value.negative;
    }
    return true;
  }

  bool ReadUnsigned(const Value& value, const char* key, uint64_t max, uint64_t& out) {
    if (!value.Present()) return true;
    if (!IsInteger(value, key)) return false;
    if (value.kind != Value::Kind::kUnsigned || value.positive > max) return OutOfRange(key);
    out = value.positive;
    return true;
  }

  // A JSON integer, or "0x" and up to 16 significant hex digits.
  bool ReadTimestamp(const Value& value, const char* key, uint64_t& out) {
    if (!value.Present()) return true;
    if (value.kind != Value::Kind::kString) {
      return ReadUnsigned(value, key, std::numeric_limits<uint64_t>::max(), out);
    }
    std::string_view digits = value.text;
    const bool prefixed = digits.starts_with("0x") || digits.starts_with("0X");
    if (prefixed) digits.remove_prefix(2);
    if (!prefixed || digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return HexValue(c) >= 0; })) {
      return Fail(std::string("\"") + key + "\" must be an integer or a \"0x...\" hex string");
    }
    const std::size_t significant =
        digits.size() - std::min(digits.size(), digits.find_first_not_of('0'));
    if (significant > 16) return OutOfRange(key);
    uint64_t result = 0;
    for (const char c : digits) result = result * 16 + static_cast<uint64_t>(HexValue(c));
    out = result;
    return true;
  }

  std::string why_;
};

// Reads one line as the parser walks it (nlohmann's SAX interface), without building its JSON
// tree: each BSS object is checked and turned into an observation as it closes. The first
// failure wins, but a line that is not JSON at all is said to be that, wherever its fault lies.
class LineReader final : public nlohmann::json_sax<Json> {
 public:
  bool Read(std::string_view text, ScenarioLine& line) {
    if (Nesting(text) > kScenarioMaxNesting) {
      error_ = "nested deeper than " + std::to_string(kScenarioMaxNesting) + " levels";
      return false;
    }
    line_ = &line;
    line.bsses.clear();
    bool parsed = false;
    try {
      parsed = Json::sax_parse(text.begin(), text.end(), this);
    } catch (const std::bad_alloc&) {
      throw;
    } catch (const std::exception&) {
      syntax_ = "not JSON";
    }
    if (!syntax_.empty()) {
      error_ = syntax_;
      return false;
    }
    if (!parsed) {
      error_ = "not JSON";
      return false;
    }
    if (!firstError_.empty()) {
      error_ = firstError_;
      return false;
    }
    switch (shape_) {
      case Shape::kList:
        line.outcome = QueryOutcome::kListed;
        return true;
      case Shape::kObject:
        return ReadObject(line);
      case Shape::kUnknown:
        break;
    }
    error_ = "expected a JSON array of BSS objects or an {\"error\": ...} object";
    return false;
  }

  const std::string& Error() const { return error_; }

  // The parser's events.
  bool null() override { return Scalar(Value{Value::Kind::kOther}); }
  bool boolean(bool) override { return Scalar(Value{Value::Kind::kOther}); }
  bool number_integer(number_integer_t value) override {
    Value v{Value::Kind::kInteger};
    v.negative = value;
    return Scalar(std::move(v));
  }
  bool number_unsigned(number_unsigned_t value) override {
    Value v{Value::Kind::kUnsigned};
    v.positive = value;
    return Scalar(std::move(v));
  }
  bool number_float(number_float_t, const string_t&) override {
    return Scalar(Value{Value::Kind::kFloat});
  }
  bool string(string_t& value) override {
    Value v{Value::Kind::kString};
    // Only the fields read need their text.
    if (slot_ != nullptr && depth_ == slotDepth_) v.text = std::move(value);
    return Scalar(std::move(v));
  }
  bool binary(binary_t&) override { return Scalar(Value{Value::Kind::kOther}); }
  bool start_object(std::size_t) override { return Open(true); }
  bool start_array(std::size_t) override { return Open(false); }
  bool end_object() override { return Close(); }
  bool end_array() override { return Close(); }
  bool key(string_t& name) override {
    if (inBss_ && depth_ == listDepth_ + 1) {
      slot_ = fields_.Slot(name);
      slotDepth_ = depth_;
    } else if (depth_ == 1 && shape_ == Shape::kObject) {
      slot_ = name == "error"   ? &errorValue_
              : name == "bsses" ? &bssesValue_
              : name == "time"  ? &timeValue_
                                : nullptr;
      slotDepth_ = 1;
    } else if (depth_ == slotDepth_) {
      slot_ = nullptr;
    }
    return true;
  }
  bool parse_error(std::size_t position, const std::string&,
                   const nlohmann::detail::exception& fault) override {
    // The library's own text quotes the bytes it read, which may be anything; the column is
    // enough to find the fault. Its numbers 401..408 are values out of range.
    syntax_ = fault.id >= 400 && fault.id < 500
                  ? "not JSON (a number too large for any type)"
                  : "not JSON (error at column " + std::to_string(position) + ")";
    return false;
  }

 private:
  // A bare list, or an object with "error" or "bsses" and perhaps "time".
  enum class Shape { kUnknown, kList, kObject };

  bool InList() const { return listDepth_ > 0; }

  // A value that is not an array or an object, where it stands.
  bool Scalar(Value value) {
    if (InList() && depth_ == listDepth_) {
      NotAnObject();
    } else if (slot_ != nullptr && depth_ == slotDepth_) {
      *slot_ = std::move(value);
      slot_ = nullptr;
    }
    return true;
  }

  bool Open(bool object) {
    if (depth_ == 0) {
      shape_ = object ? Shape::kObject : Shape::kList;
      if (!object) listDepth_ = 1;
    } else if (InList() && depth_ == listDepth_) {
      if (object) {
        inBss_ = true;
        fields_ = BssFields();
      } else {
        NotAnObject();
      }
    } else if (slot_ == &bssesValue_ && depth_ == slotDepth_ && !object) {
      // The list of an object line: its BSSes stand a level deeper than a bare list's.
      if (bssesValue_.kind == Value::Kind::kArray) Note("\"bsses\" is given twice");
      bssesValue_ = Value{Value::Kind::kArray};
      slot_ = nullptr;
      listDepth_ = depth_ + 1;
    } else if (slot_ != nullptr && depth_ == slotDepth_) {
      // A field that is an array or an object: present, but of the wrong kind.
      *slot_ = Value{Value::Kind::kOther};
      slot_ = nullptr;
    }
    ++depth_;
    return true;
  }

  bool Close() {
    --depth_;
    if (InList() && depth_ == listDepth_ - 1) {
      listDepth_ = -1;  // the list itself closed
    } else if (InList() && depth_ == listDepth_) {
      if (inBss_) {
        inBss_ = false;
        ++bssCount_;
        BssObservation bss;
        BssChecks checks;
        if (!checks.Read(fields_, bss)) {
          Note("BSS " + std::to_string(bssCount_) + ": " + checks.Why());
        } else if (firstError_.empty()) {
          line_->bsses.push_back(bss);
        }
      } else {
        ++bssCount_;  // an array element, counted and already noted
      }
    }
    return true;
  }

  void NotAnObject() {
    // An element that is a scalar closes at once; one that is an array is counted on its close.
    if (depth_ == listDepth_) {
      Note("BSS " + std::to_string(bssCount_ + 1) + ": expected a JSON object");
    }
  }

  void Note(std::string why) {
    if (firstError_.empty()) firstError_ = std::move(why);
  }

  bool ReadObject(ScenarioLine& line) {
    if (errorValue_.Present() == bssesValue_.Present()) {
      error_ = errorValue_.Present() ? "an object line has \"error\" or \"bsses\", not both"
                                     : "an object line needs \"error\" or \"bsses\"";
      return false;
    }
    if (timeValue_.Present()) {
      line.timeMs = timeValue_.kind == Value::Kind::kString ? ParseScenarioTime(timeValue_.text)
                                                            : std::nullopt;
      if (!line.timeMs) {
        error_ = "\"time\" must be an RFC 3339 time such as \"2026-12-07T19:50:03.250Z\"";
        return false;
      }
    }
    if (errorValue_.Present()) return ReadError(line);
    if (bssesValue_.kind != Value::Kind::kArray) {
      error_ = "\"bsses\" must be a JSON array of BSS objects";
      return false;
    }
    line.outcome = QueryOutcome::kListed;
    return true;
  }

  bool ReadError(ScenarioLine& line) {
    if (errorValue_.kind == Value::Kind::kString) {
      for (const QueryOutcome outcome :
           {QueryOutcome::kNoService, QueryOutcome::kNoInterface, QueryOutcome::kListFailed}) {
        if (errorValue_.text == ErrorName(outcome)) {
          line.outcome = outcome;
          return true;
        }
      }
    }
    error_ = "\"error\" must be \"no-service\", \"no-interface\" or \"query-failed\"";
    return false;
  }

  ScenarioLine* line_ = nullptr;
  Shape shape_ = Shape::kUnknown;
  int depth_ = 0;
  bool inBss_ = false;
  int bssCount_ = 0;
  BssFields fields_;
  Value errorValue_, bssesValue_, timeValue_;
  // The depth at which the BSS objects of the list open (1 in a bare list, 2 in "bsses"), while
  // the list is open; -1 otherwise.
  int listDepth_ = -1;
  Value* slot_ = nullptr;  // where the next value goes, when it is one the reader keeps
  int slotDepth_ = -1;     // the depth at which that value stands
  std::string firstError_;
  std::string syntax_;
  std::string error_;
};

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") + 1 - first);
}

std::string HexText(std::span<const uint8_t> bytes) {
  std::string text;
  text.reserve(2 * bytes.size());
  for (const uint8_t byte : bytes) {
    text += kLowerHexDigits[byte >> 4];
    text += kLowerHexDigits[byte & 0x0F];
  }
  return text;
}

std::string TimestampText(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

}  // namespace

std::optional<int64_t> ParseScenarioTime(std::string_view text) {
  // 2026-12-07T19:50:03, a fraction or none, then Z or an offset +01:00 / -05:30.
  constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:dd";
  if (text.size() < kShape.size() + 1) return std::nullopt;
  for (std::size_t i = 0; i < kShape.size(); ++i) {
    const char c = text[i];
    const bool ok = kShape[i] == 'd'   ? c >= '0' && c <= '9'
                    : kShape[i] == 'T' ? c == 'T' || c == 't'
                                       : c == kShape[i];
    if (!ok) return std::nullopt;
  }
  const auto number = [text](std::size_t at, std::size_t digits) {
    int value = 0;
    for (std::size_t i = at; i < at + digits; ++i) value = value * 10 + (text[i] - '0');
    return value;
  };
  std::size_t at = kShape.size();
  int64_t fractionMs = 0;
  if (text[at] == '.') {
    const std::size_t first = ++at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    const std::size_t digits = at - first;
    if (digits < 1 || digits > 9) return std::nullopt;
    // Milliseconds are kept; finer digits are dropped.
    for (std::size_t i = 0; i < 3; ++i) {
      fractionMs = fractionMs * 10 + (i < digits ? text[first + i] - '0' : 0);
    }
  }
  int64_t offsetMinutes = 0;
  const std::string_view zone = text.substr(at);
  if (zone != "Z" && zone != "z") {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (zone.size() != 6 || (zone[0] != '+' && zone[0] != '-') || !digit(zone[1]) ||
        !digit(zone[2]) || zone[3] != ':' || !digit(zone[4]) || !digit(zone[5])) {
      return std::nullopt;
    }
    const int hours = number(at + 1, 2), minutes = number(at + 4, 2);
    if (hours > 23 || minutes > 59) return std::nullopt;
    offsetMinutes = (zone[0] == '-' ? -1 : 1) * (hours * 60 + minutes);
  }
  using namespace std::chrono;
  const year_month_day date{year(number(0, 4)), month(static_cast<unsigned>(number(5, 2))),
                            day(static_cast<unsigned>(number(8, 2)))};
  const int hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
  // A leap second, :60, counts as the first of the next minute, as the system clock has it.
  if (!date.ok() || hour > 23 || minute > 59 || second > 60) return std::nullopt;
  const int64_t seconds =
      static_cast<int64_t>(sys_days(date).time_since_epoch() / std::chrono::seconds(1)) +
      hour * 3600 + minute * 60 + second - offsetMinutes * 60;
  const int64_t ms = seconds * 1000 + fractionMs;
  if (ms < kScenarioEarliestMs || ms > kScenarioLatestMs) return std::nullopt;
  return ms;
}

std::string ScenarioTimeText(int64_t unixMs) {
  using namespace std::chrono;
  const sys_time<milliseconds> at{
      milliseconds(std::clamp(unixMs, kScenarioEarliestMs, kScenarioLatestMs))};
  const sys_days date = floor<days>(at);
  const year_month_day ymd(date);
  const hh_mm_ss clock(at - date);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", int(ymd.year()),
                unsigned(ymd.month()), unsigned(ymd.day()), int(clock.hours().count()),
                int(clock.minutes().count()), int(clock.seconds().count()),
                int(clock.subseconds().count()));
  return text;
}

ScenarioCursor::ScenarioCursor(std::string_view text) : rest_(text) {
  // Editors on some systems start UTF-8 files with a byte order mark.
  if (rest_.starts_with("\xEF\xBB\xBF")) rest_.remove_prefix(3);
}

ScenarioCursor::Step ScenarioCursor::Next(ScenarioLine& line, std::string& error) {
  while (!rest_.empty()) {
    ++lineNumber_;
    const std::size_t end = rest_.find('\n');
    std::string_view raw = rest_.substr(0, end);
    const bool last = end == std::string_view::npos;
    rest_ = last ? std::string_view() : rest_.substr(end + 1);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);

    const std::string_view content = TrimBlanks(raw);
    if (content.empty() || content.front() == '#') continue;

    line = ScenarioLine();
    line.lineNumber = lineNumber_;
    LineReader reader;
    if (!reader.Read(content, line)) {
      error = std::to_string(lineNumber_) + ": " + reader.Error();
      return last ? Step::kTorn : Step::kBad;
    }
    return Step::kLine;
  }
  return Step::kEnd;
}

bool ParseScenario(std::string_view text, std::vector<ScenarioLine>& lines, std::string& error,
                   std::string* torn) {
  lines.clear();
  if (torn != nullptr) torn->clear();
  ScenarioCursor cursor(text);
  for (ScenarioLine line;;) {
    switch (cursor.Next(line, error)) {
      case ScenarioCursor::Step::kLine:
        lines.push_back(std::move(line));
        break;
      case ScenarioCursor::Step::kBad:
        return false;
      case ScenarioCursor::Step::kTorn:
        if (torn != nullptr) *torn = std::move(error);
        error.clear();
        return true;
      case ScenarioCursor::Step::kEnd:
        return true;
    }
  }
}

bool LoadScenarioFile(const std::string& path, const std::string& shownAs, ScenarioFile& file,
                      std::string& error, std::size_t keptBytes) {
  struct Close {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  file = ScenarioFile();
  std::unique_ptr<std::FILE, Close> stream(std::fopen(path.c_str(), "rb"));
  if (!stream) {
    error = shownAs + ": cannot be read: " + std::strerror(errno);
    return false;
  }
  char buffer[1 << 16];
  std::size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, stream.get())) > 0) {
    if (file.text.size() + count > kScenarioMaxBytes) {
      error = shownAs + ": cannot be read: larger than " + std::to_string(kScenarioMaxBytes >> 20) +
              " MiB";
      return false;
    }
    file.text.append(buffer, count);
  }
  if (std::ferror(stream.get())) {
    // A directory opens fine and fails here.
    error = shownAs + ": cannot be read: " + std::strerror(errno);
    return false;
  }
  // Every line is checked now, so that a bad one stops the run before it starts.
  ScenarioCursor cursor(file.text);
  file.linesKept = true;
  std::size_t linesBytes = 0;
  const auto keep = [&](ScenarioLine& line) {
    if (!file.linesKept) return;
    linesBytes += sizeof line + line.bsses.size() * sizeof(BssObservation);
    for (const BssObservation& bss : line.bsses) linesBytes += bss.ies.capacity();
    if (linesBytes > keptBytes) {
      file.linesKept = false;
      std::vector<ScenarioLine>().swap(file.lines);
      return;
    }
    file.lines.push_back(std::move(line));
  };
  const auto done = [&] {
    if (file.linesKept) std::string().swap(file.text);
    return true;
  };
  for (ScenarioLine line;;) {
    switch (cursor.Next(line, error)) {
      case ScenarioCursor::Step::kLine:
        ++file.queries;
        keep(line);
        continue;
      case ScenarioCursor::Step::kBad:
        error = shownAs + ":" + error;
        return false;
      case ScenarioCursor::Step::kTorn:
        file.torn = std::move(error);
        error.clear();
        return done();
      case ScenarioCursor::Step::kEnd:
        return done();
    }
  }
}

std::string ScenarioLineText(QueryOutcome outcome, std::span<const BssObservation> observations,
                             std::optional<int64_t> timeMs) {
  if (timeMs && (*timeMs < kScenarioEarliestMs || *timeMs > kScenarioLatestMs)) timeMs.reset();
  const std::string time = timeMs ? "\"time\":\"" + ScenarioTimeText(*timeMs) + "\"" : "";
  if (outcome != QueryOutcome::kListed) {
    return "{\"error\":\"" + std::string(ErrorName(outcome)) + "\"" + (timeMs ? "," + time : "") +
           "}";
  }
  // Insertion order, so that a line reads like the list's columns.
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const BssObservation& bss : observations) {
    nlohmann::ordered_json object;
    char mac[18];
    std::snprintf(mac, sizeof mac, "%02X:%02X:%02X:%02X:%02X:%02X", bss.bssid[0], bss.bssid[1],
                  bss.bssid[2], bss.bssid[3], bss.bssid[4], bss.bssid[5]);
    object["bssid"] = mac;

    const auto nameEnd = std::find(bss.ssid.begin(), bss.ssid.end(), uint8_t{0});
    const std::string name(bss.ssid.begin(), nameEnd);
    if (IsUtf8(name)) {
      object["ssid"] = name;
    } else {
      object["ssid_hex"] = HexText({bss.ssid.begin(), nameEnd});
    }
    object["rssi"] = bss.rssi;
    object["link_quality"] = bss.linkQuality;
    object["frequency_khz"] = bss.centerFrequency;
    object["beacon_period"] = bss.beaconPeriod;
    object["timestamp"] = TimestampText(bss.timestamp);
    object["host_timestamp"] = TimestampText(bss.hostTimestamp);
    // Only when there is something to say, so that recordings of services that report neither
    // stay as they were.
    if (bss.capability != 0) object["capability"] = bss.capability;
    if (!bss.ies.empty()) object["ies_hex"] = HexText(bss.ies);
    list.push_back(std::move(object));
  }
  // The time first, where a reader looking at the line finds it before a long list.
  return timeMs ? "{" + time + ",\"bsses\":" + list.dump() + "}" : list.dump();
}

}  // namespace quorvan

#include "wlan/scenario_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>

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

// The deepest nesting of arrays and objects outside strings. The JSON library builds nested
// values that it later walks recursively, so a line of a million '[' is refused here, before
// it gets there. Counting stops just past the limit.
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

// Pairs of hex digits into bytes; false on an odd count, a non-digit, or too many bytes.
bool ParseHexBytes(std::string_view text, std::array<uint8_t, 32>& bytes, std::string& why) {
  if (text.size() % 2 != 0) {
    why = "is not hex digits in pairs";
    return false;
  }
  if (text.size() / 2 > bytes.size()) {
    why = "is " + std::to_string(text.size() / 2) + " bytes, more than 32";
    return false;
  }
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

// The checks of one line; the first failure wins and says why.
class LineReader {
 public:
  bool Read(std::string_view text, ScenarioLine& line) {
    if (Nesting(text) > kScenarioMaxNesting) {
      return Fail("nested deeper than " + std::to_string(kScenarioMaxNesting) + " levels");
    }
    Json value;
    try {
      value = Json::parse(text.begin(), text.end());
    } catch (const Json::parse_error& e) {
      // The library's own text quotes the bytes it read, which may be anything; the column
      // is enough to find the fault.
      return Fail("not JSON (error at column " + std::to_string(e.byte) + ")");
    } catch (const Json::out_of_range&) {
      return Fail("not JSON (a number too large for any type)");
    } catch (const Json::exception&) {
      return Fail("not JSON");
    }

    if (value.is_array()) {
      line.outcome = QueryOutcome::kListed;
      line.bsses.reserve(value.size());
      for (std::size_t i = 0; i < value.size(); ++i) {
        prefix_ = "BSS " + std::to_string(i + 1) + ": ";
        BssObservation bss;
        if (!ReadBss(value[i], bss)) return false;
        line.bsses.push_back(bss);
      }
      return true;
    }
    if (value.is_object()) return ReadError(value, line);
    return Fail("expected a JSON array of BSS objects or an {\"error\": ...} object");
  }

  const std::string& Error() const { return error_; }

 private:
  bool Fail(const std::string& why) {
    error_ = prefix_ + why;
    return false;
  }

  bool ReadError(const Json& object, ScenarioLine& line) {
    const auto found = object.find("error");
    if (found == object.end()) return Fail("an object line needs \"error\"");
    const std::string* name = found->get_ptr<const Json::string_t*>();
    if (name != nullptr) {
      for (const QueryOutcome outcome :
           {QueryOutcome::kNoService, QueryOutcome::kNoInterface, QueryOutcome::kListFailed}) {
        if (*name == ErrorName(outcome)) {
          line.outcome = outcome;
          return true;
        }
      }
    }
    return Fail("\"error\" must be \"no-service\", \"no-interface\" or \"query-failed\"");
  }

  bool ReadBss(const Json& object, BssObservation& bss) {
    if (!object.is_object()) return Fail("expected a JSON object");

    const auto bssid = object.find("bssid");
    if (bssid == object.end()) return Fail("\"bssid\" is missing");
    const std::string* bssidText = bssid->get_ptr<const Json::string_t*>();
    if (bssidText == nullptr) return Fail("\"bssid\" must be a string");
    if (!ParseBssid(*bssidText, bss.bssid)) {
      return Fail("\"bssid\" must be six two-digit hex numbers separated by ':' or '-'");
    }

    if (!ReadSsid(object, bss)) return false;

    int64_t rssi = 0;
    if (!ReadSigned(object, "rssi", std::numeric_limits<int32_t>::min(),
                    std::numeric_limits<int32_t>::max(), rssi)) {
      return false;
    }
    bss.rssi = static_cast<int32_t>(rssi);

    uint64_t quality = LinkQualityFromRssi(rssi);
    uint64_t frequency = 0, beaconPeriod = 0;
    if (!ReadUnsigned(object, "link_quality", 100, quality) ||
        !ReadUnsigned(object, "frequency_khz", std::numeric_limits<uint32_t>::max(), frequency) ||
        !ReadUnsigned(object, "beacon_period", std::numeric_limits<uint16_t>::max(),
                      beaconPeriod) ||
        !ReadTimestamp(object, "timestamp", bss.timestamp) ||
        !ReadTimestamp(object, "host_timestamp", bss.hostTimestamp)) {
      return false;
    }
    bss.linkQuality = static_cast<uint32_t>(quality);
    bss.centerFrequency = static_cast<uint32_t>(frequency);
    bss.beaconPeriod = static_cast<uint16_t>(beaconPeriod);
    return true;
  }

  bool ReadSsid(const Json& object, BssObservation& bss) {
    const auto text = object.find("ssid");
    const auto hex = object.find("ssid_hex");
    if (text != object.end() && hex != object.end()) {
      return Fail("\"ssid\" and \"ssid_hex\" are both given");
    }
    if (text != object.end()) {
      const std::string* bytes = text->get_ptr<const Json::string_t*>();
      if (bytes == nullptr) return Fail("\"ssid\" must be a string");
      if (bytes->size() > bss.ssid.size()) {
        return Fail("\"ssid\" is " + std::to_string(bytes->size()) + " bytes, more than 32");
      }
      std::copy(bytes->begin(), bytes->end(), bss.ssid.begin());
    } else if (hex != object.end()) {
      const std::string* digits = hex->get_ptr<const Json::string_t*>();
      if (digits == nullptr) return Fail("\"ssid_hex\" must be a string");
      std::string why;
      if (!ParseHexBytes(*digits, bss.ssid, why)) return Fail("\"ssid_hex\" " + why);
    }
    return true;
  }

  // A JSON integer as the library holds it: non-negative ones as unsigned, negative ones as
  // signed, anything with a fraction or an exponent (and integers past 2^64 - 1) as floating.
  bool IntegerOf(const Json& value, const char* key, std::optional<uint64_t>& positive,
                 std::optional<int64_t>& negative) {
    if (value.is_number_unsigned()) {
      positive = value.get<uint64_t>();
    } else if (value.is_number_integer()) {
      negative = value.get<int64_t>();
    } else if (value.is_number()) {
      return Fail(std::string("\"") + key + "\" is out of range (not an integer, or too large)");
    } else {
      return Fail(std::string("\"") + key + "\" must be a number");
    }
    return true;
  }

  bool OutOfRange(const char* key) { return Fail(std::string("\"") + key + "\" is out of range"); }

  bool ReadSigned(const Json& object, const char* key, int64_t min, int64_t max, int64_t& out) {
    const auto found = object.find(key);
    if (found == object.end()) return true;
    std::optional<uint64_t> positive;
    std::optional<int64_t> negative;
    if (!IntegerOf(*found, key, positive, negative)) return false;
    if (positive) {
      if (*positive > static_cast<uint64_t>(max)) return OutOfRange(key);
      out = static_cast<int64_t>(*positive);
    } else {
      if (*negative < min || *negative > max) return OutOfRange(key);
      out = *negative;
    }
    return true;
  }

  bool ReadUnsigned(const Json& object, const char* key, uint64_t max, uint64_t& out) {
    const auto found = object.find(key);
    if (found == object.end()) return true;
    std::optional<uint64_t> positive;
    std::optional<int64_t> negative;
    if (!IntegerOf(*found, key, positive, negative)) return false;
    if (!positive || *positive > max) return OutOfRange(key);
    out = *positive;
    return true;
  }

  // A JSON integer, or "0x" and up to 16 significant hex digits.
  bool ReadTimestamp(const Json& object, const char* key, uint64_t& out) {
    const auto found = object.find(key);
    if (found == object.end()) return true;
    const std::string* text = found->get_ptr<const Json::string_t*>();
    if (text == nullptr) {
      return ReadUnsigned(object, key, std::numeric_limits<uint64_t>::max(), out);
    }

    std::string_view digits = *text;
    const bool prefixed = digits.starts_with("0x") || digits.starts_with("0X");
    if (prefixed) digits.remove_prefix(2);
    if (!prefixed || digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return HexValue(c) >= 0; })) {
      return Fail(std::string("\"") + key + "\" must be an integer or a \"0x...\" hex string");
    }
    const std::size_t significant =
        digits.size() - std::min(digits.size(), digits.find_first_not_of('0'));
    if (significant > 16) return OutOfRange(key);
    uint64_t value = 0;
    for (const char c : digits) value = value * 16 + static_cast<uint64_t>(HexValue(c));
    out = value;
    return true;
  }

  std::string prefix_;
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
                      std::string& error) {
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
  // Every line is checked now, so that a bad one stops the run before it starts; the results
  // are not kept.
  ScenarioCursor cursor(file.text);
  for (ScenarioLine line;;) {
    switch (cursor.Next(line, error)) {
      case ScenarioCursor::Step::kLine:
        ++file.queries;
        continue;
      case ScenarioCursor::Step::kBad:
        error = shownAs + ":" + error;
        return false;
      case ScenarioCursor::Step::kTorn:
        file.torn = std::move(error);
        error.clear();
        return true;
      case ScenarioCursor::Step::kEnd:
        return true;
    }
  }
}

std::string ScenarioLineText(QueryOutcome outcome, std::span<const BssObservation> observations) {
  if (outcome != QueryOutcome::kListed) {
    return "{\"error\":\"" + std::string(ErrorName(outcome)) + "\"}";
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
    list.push_back(std::move(object));
  }
  return list.dump();
}

}  // namespace quorvan

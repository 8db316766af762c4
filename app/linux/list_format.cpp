#include "app/linux/list_format.h"

#include <charconv>
#include <nlohmann/json.hpp>
#include <system_error>

#include "base/hex.h"
#include "ui/network_list.h"

namespace quorvan {
namespace {

// One RFC 4180 field: quoted when it holds a comma, a quote or a line end, quotes doubled.
void AppendCsvField(std::string& out, std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += field;
    return;
  }
  out += '"';
  for (const char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

std::string AsCsv(const MemoryListView& list) {
  std::string text;
  auto line = [&text](const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
      if (i > 0) text += ',';
      AppendCsvField(text, cells[i]);
    }
    text += "\r\n";
  };
  line(list.Headers());
  for (int row = 0; row < list.RowCount(); ++row) line(list.Row(row));
  return text;
}

std::string LowerHex(std::string_view bytes) {
  std::string hex;
  for (const unsigned char byte : bytes) {
    hex += kLowerHexDigits[byte >> 4];
    hex += kLowerHexDigits[byte & 15];
  }
  return hex;
}

// "0A 1B 2C 3D 4E 5F", the record's MAC text, in the form scenario files and most tools write
// a BSSID: "0A:1B:2C:3D:4E:5F".
std::string ColonBssid(std::string_view mac) {
  std::string bssid(mac);
  for (char& c : bssid) {
    if (c == ' ') c = ':';
  }
  return bssid;
}

// The record keeps the beacon period as the text its cell shows; JSON wants the number, or null
// for a text that holds none.
nlohmann::ordered_json BeaconPeriodValue(std::string_view text) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return {};
  return value;
}

nlohmann::ordered_json RowObject(int row, const TrackedNetwork& record) {
  nlohmann::ordered_json object;
  object["index"] = row + 1;
  object["activity"] = record.activity;
  object["bssid"] = ColonBssid(FieldText(record.mac));
  object["ssid"] = RecordCellText(record, Column::kSsid);
  object["ssid_hex"] = LowerHex(FieldText(record.ssid));
  object["signal_history"] = record.rssiHistory;
  object["link_quality"] = CellIsBlank(record, Column::kLinkQuality)
                               ? nlohmann::ordered_json()
                               : nlohmann::ordered_json(record.linkQuality);
  object["channel"] = record.channel;
  object["frequency_khz"] = record.frequency;
  object["timestamp"] = record.timestamp;
  object["host_timestamp"] = record.hostTimestamp;
  object["encryption_code"] = record.encryptionCode;
  object["encryption"] = std::string(FieldText(record.encryption));
  object["beacon_period"] = BeaconPeriodValue(FieldText(record.beaconPeriod));
  object["username"] = std::string(FieldText(record.username));
  object["password"] = std::string(FieldText(record.password));
  return object;
}

std::string AsJson(std::span<const TrackedNetwork* const> records) {
  // One object a line: a diff of two lists then shows the networks that changed.
  std::string text = "[";
  for (std::size_t row = 0; row < records.size(); ++row) {
    text += row == 0 ? "\n" : ",\n";
    // Texts other than the SSID come from the program itself, but a byte that is not UTF-8
    // must not end the output: it becomes U+FFFD.
    text += RowObject(static_cast<int>(row), *records[row])
                .dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  }
  text += records.empty() ? "]\n" : "\n]\n";
  return text;
}

}  // namespace

std::optional<ListFormat> ParseListFormat(std::string_view name) {
  if (name == "tsv") return ListFormat::kTsv;
  if (name == "csv") return ListFormat::kCsv;
  if (name == "json") return ListFormat::kJson;
  return std::nullopt;
}

std::string FormatList(const MemoryListView& list, std::span<const TrackedNetwork* const> records,
                       ListFormat format) {
  switch (format) {
    case ListFormat::kTsv:
      break;
    case ListFormat::kCsv:
      return AsCsv(list);
    case ListFormat::kJson:
      return AsJson(records);
  }
  return ListAsText(list);
}

}  // namespace quorvan

#include "app/linux/list_format.h"

#include <charconv>
#include <nlohmann/json.hpp>
#include <system_error>

#include "base/hex.h"
#include "details/details_store.h"
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

// A number the BSS may not state: null then.
template <typename T>
nlohmann::ordered_json Stated(const std::optional<T>& value) {
  return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json();
}

// What the elements say of the BSS, null for each thing they do not say and for every one when
// none are known (a replay of a recording without them).
void AddDetails(nlohmann::ordered_json& object, const BssInfo* info) {
  const bool known = info != nullptr && info->elementsKnown;
  const ieee80211::BssDetails& details = known ? info->details : ieee80211::BssDetails{};
  const auto ifKnown = [known](auto value) {
    return known ? nlohmann::ordered_json(value) : nlohmann::ordered_json();
  };
  object["security"] = ifKnown(std::string(ieee80211::SecurityLabel(details.security)));
  object["standard"] = ifKnown(std::string(ieee80211::GenerationLabel(details)));
  object["channel_width_mhz"] = ifKnown(details.channelWidthMhz);
  object["center_frequency_khz"] = known && details.centerFrequencyKhz != 0
                                       ? nlohmann::ordered_json(details.centerFrequencyKhz)
                                       : nlohmann::ordered_json();
  object["country"] =
      details.country.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(details.country);
  object["vendor"] = info == nullptr || info->vendor.empty()
                         ? nlohmann::ordered_json()
                         : nlohmann::ordered_json(std::string(info->vendor));
  object["station_count"] = Stated(details.stationCount);
  object["channel_utilization"] = Stated(details.channelUtilization);
  object["ies_hex"] = known
                          ? LowerHex(std::string_view(
                                reinterpret_cast<const char*>(info->ies.data()), info->ies.size()))
                          : std::string();
}

nlohmann::ordered_json RowObject(int row, const TrackedNetwork& record,
                                 const DetailsStore* details) {
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
  // The cell's text after the code: the security the elements announce where the program knows
  // them, as the list shows it, the record's own text otherwise.
  const std::string cell = RecordCellText(record, Column::kEncryption);
  const std::size_t comma = cell.find(',');
  object["encryption"] = comma == std::string::npos ? std::string(FieldText(record.encryption))
                                                    : cell.substr(comma + 1);
  object["beacon_period"] = BeaconPeriodValue(FieldText(record.beaconPeriod));
  object["username"] = std::string(FieldText(record.username));
  object["password"] = std::string(FieldText(record.password));
  if (details != nullptr) AddDetails(object, details->Find(FieldText(record.mac)));
  return object;
}

std::string AsJson(std::span<const TrackedNetwork* const> records, const DetailsStore* details) {
  // One object a line: a diff of two lists then shows the networks that changed.
  std::string text = "[";
  for (std::size_t row = 0; row < records.size(); ++row) {
    text += row == 0 ? "\n" : ",\n";
    // Texts other than the SSID come from the program itself, but a byte that is not UTF-8
    // must not end the output: it becomes U+FFFD.
    text += RowObject(static_cast<int>(row), *records[row], details)
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
                       ListFormat format, const DetailsStore* details) {
  switch (format) {
    case ListFormat::kTsv:
      break;
    case ListFormat::kCsv:
      return AsCsv(list);
    case ListFormat::kJson:
      return AsJson(records, details);
  }
  return ListAsText(list);
}

}  // namespace quorvan

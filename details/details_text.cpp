#include "details/details_text.h"

#include <cstdio>

namespace quorvan {
namespace {

using ieee80211::BssDetails;

std::string Printed(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string Mhz(uint32_t khz) { return Printed("%.0f MHz", khz / 1000.0); }

std::string Rate(double mbps) { return mbps <= 0 ? "none announced" : Printed("%.4g Mb/s", mbps); }

std::string Wps(ieee80211::WpsState state) {
  switch (state) {
    case ieee80211::WpsState::kAbsent:
      break;
    case ieee80211::WpsState::kPresent:
      return "yes";
    case ieee80211::WpsState::kNotConfigured:
      return "yes, not configured";
    case ieee80211::WpsState::kConfigured:
      return "yes, configured";
  }
  return "no";
}

std::string Country(const BssDetails& d) {
  if (d.country.empty()) return "not announced";
  std::string text;
  // The two characters come from the air: anything but a capital letter is shown escaped.
  for (const char c : d.country) {
    if (c >= 'A' && c <= 'Z') {
      text += c;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(c));
      text += escaped;
    }
  }
  if (d.countryEnvironment == 'I') text += ", indoor";
  if (d.countryEnvironment == 'O') text += ", outdoor";
  return text;
}

}  // namespace

std::vector<DetailField> DetailFields(const BssDetails& d, std::string_view vendor) {
  std::vector<DetailField> fields;
  fields.push_back({"Security", std::string(ieee80211::SecurityLabel(d.security))});
  fields.push_back({"Standard", std::string(ieee80211::GenerationLabel(d))});
  const int width = d.channelWidthMhz;
  fields.push_back(
      {"Channel width", d.centerFrequency2Khz != 0
                            ? std::to_string(width / 2) + "+" + std::to_string(width / 2) + " MHz"
                            : std::to_string(width) + " MHz"});
  std::string centre = d.centerFrequencyKhz == 0 ? "unknown" : Mhz(d.centerFrequencyKhz);
  if (d.centerFrequency2Khz != 0) centre += " and " + Mhz(d.centerFrequency2Khz);
  fields.push_back({"Centre frequency", std::move(centre)});
  fields.push_back({"Country", Country(d)});
  fields.push_back({"Vendor", vendor.empty() ? "unknown" : std::string(vendor)});
  fields.push_back(
      {"Stations", d.stationCount ? std::to_string(*d.stationCount) : "not announced"});
  fields.push_back({"Channel utilisation", d.channelUtilization
                                               ? std::to_string(*d.channelUtilization) + " %"
                                               : "not announced"});
  fields.push_back({"WPS", Wps(d.wps)});
  fields.push_back({"Highest basic rate", Rate(d.highestBasicRateMbps)});
  fields.push_back({"Highest supported rate", Rate(d.highestSupportedRateMbps)});
  return fields;
}

std::string ElementHeading(const ieee80211::ElementInfo& element) {
  std::string heading = std::to_string(element.id);
  if (element.extensionId) {
    heading += '/';
    heading += std::to_string(*element.extensionId);
  }
  heading += "  ";
  heading += element.name;
  if (element.truncated) heading += " (cut short)";
  return heading;
}

std::string HexText(std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 3);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i != 0) text += ' ';
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0F];
  }
  return text;
}

}  // namespace quorvan

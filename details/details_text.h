#pragma once

// A BSS's decoded elements in words, the same in the window's Details tab and the terminal's
// details view: the fields as label and value, and each element's heading and bytes.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ieee80211/elements.h"

namespace quorvan {

struct DetailField {
  std::string_view label;  // "Security"
  std::string value;       // "WPA2/WPA3-Personal", UTF-8
};

// Security, standard, channel width and centre, country, vendor, stations, channel utilisation,
// WPS and the highest rates, in that order. `vendor` is "" when the registry has no name.
std::vector<DetailField> DetailFields(const ieee80211::BssDetails& details,
                                      std::string_view vendor);

// "0  SSID", "255/35  HE Capabilities", with " (cut short)" for a truncated element.
std::string ElementHeading(const ieee80211::ElementInfo& element);

// The bytes as "01 00 0F AC".
std::string HexText(std::span<const uint8_t> bytes);

}  // namespace quorvan

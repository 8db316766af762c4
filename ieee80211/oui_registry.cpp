#include "ieee80211/oui_registry.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "base/hex.h"

namespace quorvan::ieee80211 {
namespace {

std::string Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

// The value of a hex assignment ("F4BD9E"), or false for anything else.
bool ParseHex(std::string_view digits, uint64_t& value) {
  if (digits.empty() || digits.size() > 12) return false;
  value = 0;
  for (char c : digits) {
    const int digit = HexValue(c);
    if (digit < 0) return false;
    value = (value << 4) | static_cast<uint64_t>(digit);
  }
  return true;
}

uint64_t MacBits(const std::array<uint8_t, 6>& mac) {
  uint64_t bits = 0;
  for (uint8_t byte : mac) bits = (bits << 8) | byte;
  return bits;
}

}  // namespace

std::vector<std::vector<std::string>> ParseCsv(std::string_view text) {
  std::vector<std::vector<std::string>> records;
  std::vector<std::string> record;
  std::string field;
  bool quoted = false;
  bool fieldStarted = false;  // the line holds something, even an empty first field
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c != '"') {
        field += c;
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else {
        quoted = false;
      }
      continue;
    }
    if (c == '"') {
      quoted = true;
      fieldStarted = true;
    } else if (c == ',') {
      record.push_back(std::move(field));
      field.clear();
      fieldStarted = true;
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      if (fieldStarted || !field.empty()) {
        record.push_back(std::move(field));
        records.push_back(std::move(record));
      }
      field.clear();
      record.clear();
      fieldStarted = false;
    } else {
      field += c;
      fieldStarted = true;
    }
  }
  // A last line without its line break, or with a quote left open by a torn file.
  if (fieldStarted || !field.empty()) {
    record.push_back(std::move(field));
    records.push_back(std::move(record));
  }
  return records;
}

OuiRegistry::OuiRegistry(std::string directory) : directory_(std::move(directory)) {}

void OuiRegistry::LoadFile(const std::string& path) const {
  std::ifstream in(path, std::ios::binary);
  if (!in) return;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return;
  for (const std::vector<std::string>& record : ParseCsv(text)) {
    // Registry, Assignment, Organization Name, Organization Address; the header line and
    // any line whose assignment is not hex of a known length fall out here.
    if (record.size() < 3) continue;
    const std::string assignment = Trim(record[1]);
    uint64_t bits = 0;
    if (!ParseHex(assignment, bits)) continue;
    std::vector<Prefix>* prefixes = nullptr;
    switch (assignment.size()) {
      case 6:
        prefixes = &prefixes24_;
        break;
      case 7:
        prefixes = &prefixes28_;
        break;
      case 9:
        prefixes = &prefixes36_;
        break;
      default:
        continue;
    }
    std::string name = Trim(record[2]);
    if (name.empty()) continue;
    prefixes->push_back(Prefix{bits, static_cast<uint32_t>(names_.size())});
    names_.push_back(std::move(name));
  }
}

void OuiRegistry::Load() const {
  std::call_once(loaded_, [this] {
    for (const char* file : {"oui.csv", "mam.csv", "oui36.csv", "iab.csv"}) {
      LoadFile(directory_ + "/" + file);
    }
    // Sorted for binary search; stable so that, should a prefix appear twice, the first
    // file's line wins.
    for (std::vector<Prefix>* prefixes : {&prefixes24_, &prefixes28_, &prefixes36_}) {
      std::stable_sort(prefixes->begin(), prefixes->end());
    }
  });
}

std::string_view OuiRegistry::Lookup(const std::array<uint8_t, 6>& mac) const {
  if (mac[0] & 0x02) return kLocallyAdministered;
  Load();
  const uint64_t bits = MacBits(mac);
  const std::pair<const std::vector<Prefix>*, int> tables[] = {
      {&prefixes36_, 36}, {&prefixes28_, 28}, {&prefixes24_, 24}};
  for (const auto& [prefixes, length] : tables) {
    const Prefix key{bits >> (48 - length), 0};
    const auto found = std::lower_bound(prefixes->begin(), prefixes->end(), key);
    if (found != prefixes->end() && found->bits == key.bits) return names_[found->name];
  }
  return {};
}

std::size_t OuiRegistry::size() const {
  Load();
  return prefixes24_.size() + prefixes28_.size() + prefixes36_.size();
}

}  // namespace quorvan::ieee80211

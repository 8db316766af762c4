#pragma once

// Vendor names of MAC addresses from the IEEE registries as Debian's ieee-data package installs
// them (oui.csv for MA-L, mam.csv for MA-M, oui36.csv for MA-S, iab.csv for the older IAB
// blocks). The files are read once, on the first lookup; a machine without them names no
// vendor and reports no error.

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace quorvan::ieee80211 {

inline constexpr const char* kIeeeDataDirectory = "/usr/share/ieee-data";

// The name given to an address whose locally administered bit (0x02 of the first byte) is set:
// the registries do not cover it.
inline constexpr std::string_view kLocallyAdministered = "locally administered";

class OuiRegistry {
 public:
  // `directory` holds the CSV files; a missing or unreadable file is skipped.
  explicit OuiRegistry(std::string directory = kIeeeDataDirectory);

  // The organisation the registry assigned the address's block to (the longest prefix the
  // files give: 36, 28, then 24 bits), "locally administered", or empty when none is known.
  // Safe to call from several threads.
  std::string_view Lookup(const std::array<uint8_t, 6>& mac) const;

  // The number of prefixes read (loads the files if they were not yet).
  std::size_t size() const;

 private:
  struct Prefix {
    uint64_t bits;  // the address's top `length` bits, right-aligned
    uint32_t name;  // index into names_
    bool operator<(const Prefix& other) const { return bits < other.bits; }
  };

  void Load() const;
  void LoadFile(const std::string& path) const;

  std::string directory_;
  mutable std::once_flag loaded_;
  mutable std::vector<std::string> names_;
  mutable std::vector<Prefix> prefixes24_;
  mutable std::vector<Prefix> prefixes28_;
  mutable std::vector<Prefix> prefixes36_;
};

// Parses one CSV text into records of fields: fields in double quotes may hold commas, line
// breaks and doubled quotes; lines end in LF or CRLF. Exposed for its tests.
std::vector<std::vector<std::string>> ParseCsv(std::string_view text);

}  // namespace quorvan::ieee80211

#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "tracking/network_table.h"

namespace quorvan {

// One BSS as one query reported it.
struct BssObservation {
  std::array<uint8_t, 6> bssid = {};
  std::array<uint8_t, 32> ssid = {};  // the name ends at the first zero byte, or after 32
  int32_t rssi = 0;                   // dBm
  uint32_t linkQuality = 0;           // percent, 0..100
  uint64_t timestamp = 0;             // the beacon's Timestamp field, the BSS's timer in us
  uint64_t hostTimestamp = 0;         // reception time, 100 ns units since 1601-01-01
  uint32_t centerFrequency = 0;       // kHz
  uint16_t beaconPeriod = 0;          // time units
  // Beside what the table keeps, for what is built beside it; the merge reads neither.
  uint16_t capability = 0;  // the Capability Information field of the beacon or probe response
  std::vector<uint8_t> ies = {};  // its information elements, as the service reported them
};

// The observations of one query, in the order the service listed them. The same BSSID may
// occur more than once.
using BssSnapshot = std::vector<BssObservation>;

inline constexpr int32_t kRssiOffset = 100;
inline constexpr int32_t kActivityCeiling = 65535;
inline constexpr int32_t kActivityAfterCeiling = 100;

// Opens a new history slot in every record and forgets last cycle's sighting.
void AdvanceHistory(NetworkTable& table);

// Folds each observation into the table, creating records for BSSIDs not yet tracked.
void MergeBssList(NetworkTable& table, std::span<const BssObservation> snapshot);

// Raises the activity of records seen this cycle, lowers the others, and removes and destroys
// those whose activity falls below 0.
void UpdateActivity(NetworkTable& table);

// "00 1A 2B 3C 4D 5E" into `out` (at least 18 bytes); returns the text length, 17.
int FormatMac(const std::array<uint8_t, 6>& bssid, char* out, std::size_t size);

// The IEEE 802.11 channel number of a centre frequency in kHz, or 0 for a frequency that
// belongs to no Wi-Fi channel.
int32_t ChannelFromFrequency(uint32_t kHz);

}  // namespace quorvan

#include "tracking/scan_cycle.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <new>

#include "base/hex.h"

namespace quorvan {
namespace {

// Copies at most `n` bytes of `source` up to its first zero byte into `dest`, and zero-fills the
// rest of `dest`, so the text is terminated whatever the source held.
template <std::size_t N>
void CopyText(char (&dest)[N], const uint8_t* source, std::size_t n) {
  static_assert(N > 0);
  n = std::min(n, N - 1);
  const auto* end = std::find(source, source + n, uint8_t{0});
  const auto length = static_cast<std::size_t>(end - source);
  std::memcpy(dest, source, length);
  std::memset(dest + length, 0, N - length);
}

template <std::size_t N>
void CopyText(char (&dest)[N], const char* text) {
  CopyText(dest, reinterpret_cast<const uint8_t*>(text), strnlen(text, N - 1));
}

// RSSI + 100 as stored. Not clamped to a plausible range; only kept inside 32 bits, so that a
// nonsense reading cannot overflow.
int32_t StoredRssi(int32_t rssi) {
  const int64_t stored = int64_t{rssi} + kRssiOffset;
  return static_cast<int32_t>(std::clamp<int64_t>(stored, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

void MergeObservation(NetworkTable& table, const BssObservation& observation) {
  TrackedNetwork* record = table.FindByBssid(observation.bssid);
  if (record == nullptr) {
    record = table.Add(observation.bssid);
    if (record == nullptr) return;  // out of memory: this BSS waits for the next cycle
    // The MAC text is the record's identity, written once.
    FormatMac(observation.bssid, record->mac, sizeof record->mac);
  }

  record->seen = 1;
  CopyText(record->ssid, observation.ssid.data(), observation.ssid.size());
  record->rssiHistory[record->historyIndex] = StoredRssi(observation.rssi);
  record->linkQuality = static_cast<int32_t>(observation.linkQuality);
  record->timestamp = static_cast<uint32_t>(observation.timestamp);
  record->hostTimestamp = static_cast<uint32_t>(observation.hostTimestamp);
  CopyText(record->encryption, "wep ");
  record->frequency = static_cast<int32_t>(observation.centerFrequency);
  record->channel = ChannelFromFrequency(observation.centerFrequency);

  char* const first = record->beaconPeriod;
  char* const last = first + sizeof record->beaconPeriod - 1;
  const auto result = std::to_chars(first, last, observation.beaconPeriod);
  std::memset(result.ptr, 0,
              static_cast<std::size_t>(first + sizeof record->beaconPeriod - result.ptr));
}

}  // namespace

int FormatMac(const std::array<uint8_t, 6>& bssid, char* out, std::size_t size) {
  char text[18];
  for (std::size_t i = 0; i < bssid.size(); ++i) {
    text[i * 3] = kUpperHexDigits[bssid[i] >> 4];
    text[i * 3 + 1] = kUpperHexDigits[bssid[i] & 0x0F];
    text[i * 3 + 2] = ' ';
  }
  text[17] = '\0';
  if (size > 0) {
    const std::size_t length = std::min<std::size_t>(17, size - 1);
    std::memcpy(out, text, length);
    out[length] = '\0';
  }
  return 17;
}

int32_t ChannelFromFrequency(uint32_t kHz) {
  // IEEE 802.11-2020 Annex E: channel starting frequencies per band.
  const int32_t mhz = static_cast<int32_t>(kHz / 1000);
  if (mhz == 2484) return 14;
  if (mhz >= 2412 && mhz <= 2472) return (mhz - 2407) / 5;
  if (mhz >= 4910 && mhz <= 4980) return (mhz - 4000) / 5;
  if (mhz > 5000 && mhz < 5925) return (mhz - 5000) / 5;
  if (mhz == 5935) return 2;  // 6 GHz channel 2 sits below the band's regular grid
  if (mhz > 5950 && mhz <= 7125) return (mhz - 5950) / 5;
  if (mhz >= 58320 && mhz <= 70200) return (mhz - 56160) / 2160;
  return 0;
}

void AdvanceHistory(NetworkTable& table) {
  table.ForEachRecord([](TrackedNetwork& record) {
    ++record.historyIndex;
    record.seen = 0;
    record.linkQuality = 0;
    if (record.historyIndex >= kHistorySlots) {
      std::memmove(record.rssiHistory, record.rssiHistory + 1,
                   (kHistorySlots - 1) * sizeof record.rssiHistory[0]);
      record.historyIndex = kHistorySlots - 1;
    }
    record.rssiHistory[record.historyIndex] = 0;
  });
}

void MergeBssList(NetworkTable& table, std::span<const BssObservation> snapshot) {
  for (const BssObservation& observation : snapshot) MergeObservation(table, observation);
}

void UpdateActivity(NetworkTable& table) {
  table.RemoveIf([](TrackedNetwork& record) {
    if (record.seen == 1) {
      if (++record.activity >= kActivityCeiling) record.activity = kActivityAfterCeiling;
    } else {
      --record.activity;
    }
    return record.activity < 0;
  });
}

}  // namespace quorvan

#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

namespace quorvan {

inline constexpr int kHistorySlots = 5;
inline constexpr int32_t kInitialActivity = 15;

// What is remembered of one BSS between cycles. Plain fixed-capacity fields: every text is
// zero-terminated inside its array, and every writer states the size it writes.
struct TrackedNetwork {
  TrackedNetwork() = default;
  TrackedNetwork(const TrackedNetwork&) = delete;
  TrackedNetwork& operator=(const TrackedNetwork&) = delete;

  int32_t seen = 0;    // 1 if the BSS was in the most recent snapshot
  char ssid[64] = {};  // raw bytes as reported, no character-set conversion
  char mac[32] = {};   // "00 1A 2B 3C 4D 5E": the record's identity, fixed once in a table
  int32_t activity = kInitialActivity;
  int32_t frequency = 0;  // kHz
  int32_t channel = 0;
  int32_t rssiHistory[kHistorySlots] = {};  // dBm + 100 per cycle; 0 for a cycle not seen
  int32_t historyIndex = 0;                 // slot of the current cycle, 0..4
  int32_t linkQuality = 0;                  // percent; 0 when not seen this cycle
  uint32_t timestamp = 0;                   // low 32 bits of the BSS's own timer (us)
  uint32_t hostTimestamp = 0;               // low 32 bits of the host's reception time
  char encryption[32] = {};
  int32_t encryptionCode = 0;
  char beaconPeriod[16] = {};  // decimal text, time units
  char username[32] = {};
  char password[32] = {};
};

// A text field of a record read only up to its capacity, whatever it holds.
template <std::size_t N>
std::string_view FieldText(const char (&field)[N]) {
  return std::string_view(field, strnlen(field, N));
}

// Byte-wise comparison of zero-terminated texts on unsigned values, the strcmp ordering.
// Returns -1, 0 or 1.
int CompareText(const char* a, const char* b);

}  // namespace quorvan

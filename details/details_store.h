#pragma once

// What the Linux program keeps of each BSS beside the table: the raw bytes of its last report,
// its decoded elements, its vendor and its signal over the last half hour. The table and the
// cycle's rules know nothing of it; the store hears every query (Record) and, after eviction,
// drops the BSSes whose record the table no longer holds (Retain). Portable: no platform header.

#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "base/bssid_index.h"
#include "ieee80211/elements.h"
#include "ieee80211/oui_registry.h"
#include "tracking/network_table.h"
#include "tracking/scan_cycle.h"
#include "wlan/query_outcome.h"

namespace quorvan {

// One point per cycle: 30 minutes at a cycle every 20 s.
inline constexpr int kSignalHistoryCycles = 90;

// A BSS's signal, one point per cycle, oldest first: the cycles since the store first heard of
// it, at most the last kSignalHistoryCycles. The cycles it was not reported in are kept as
// nothing, without a pass over every BSS each cycle: each history reads the store's cycle count.
class SignalHistory {
 public:
  // `cycle` is the number of the current cycle, owned by the store (or a test), and must
  // outlive the history.
  explicit SignalHistory(const uint64_t* cycle = nullptr) : cycle_(cycle) {}

  int size() const;
  bool empty() const { return size() == 0; }

  // Point `i` (0 the oldest, size() - 1 the current cycle's): dBm, or nothing for a cycle in
  // which the BSS was not seen.
  std::optional<int32_t> operator[](int i) const;

  // The current cycle's point, nothing when the BSS was not seen in it.
  std::optional<int32_t> Latest() const;

  // The reading of the current cycle (a later one of the same cycle replaces it). The first
  // reading starts the history. Kept in 16 bits: a reading beyond +-32767 dBm, which no radio
  // gives, is kept as the nearest of the two.
  void Set(int32_t dBm);

 private:
  static constexpr int16_t kNotSeen = INT16_MIN;
  const uint64_t* cycle_;
  uint64_t firstCycle_ = 0;  // the cycle of the first reading
  uint64_t lastCycle_ = 0;   // the cycle of the latest reading
  bool started_ = false;
  // Indexed by cycle modulo its size; the slots of cycles between two readings say "not seen".
  std::array<int16_t, kSignalHistoryCycles> points_ = {};
};

// What the store knows of one BSS. Valid until the next Record or Retain.
// What every cycle reads and writes comes first, in the first two cache lines.
struct BssInfo {
  std::array<uint8_t, 6> bssid = {};
  char mac[18] = {};                  // "00 1A 2B 3C 4D 5E", as the table's record has it
  std::array<uint8_t, 32> ssid = {};  // as the last report gave it; ends at the first zero
  uint32_t frequencyKhz = 0;          // of the last report
  uint16_t capability = 0;            // of the last report
  std::vector<uint8_t> ies;           // the last elements reported (see elementsKnown)
  bool elementsKnown = false;         // some report carried elements
  SignalHistory signal;
  ieee80211::BssDetails details;  // decoded from ies, capability and frequencyKhz
  std::string_view vendor;        // the registry's name for the BSSID; empty if none

  // Reported by the last query.
  bool Seen() const { return signal.Latest().has_value(); }

  // The SSID's bytes up to the first zero.
  std::span<const uint8_t> SsidBytes() const;
};

class DetailsStore {
 public:
  // Vendor names come from `registry` (which must outlive the store); none without one.
  explicit DetailsStore(const ieee80211::OuiRegistry* registry = nullptr);
  // Not copied nor moved: every BSS's history reads the store's cycle count.
  DetailsStore(const DetailsStore&) = delete;
  DetailsStore& operator=(const DetailsStore&) = delete;

  // One query, one cycle: every BSS known gets a point "not seen", unless the query reports it:
  // each observation is folded in, a BSS listed twice taking its last report as the table's merge
  // does. A failed query has no observations, so it only ages the histories. Elements are decoded
  // again only when a BSS's elements, capability or frequency changed; a report without elements
  // keeps the last ones known. `timeMs`, when given, is when the query ran (ms since 1970, UTC):
  // the cycle's place on the signal graph's time axis.
  void Record(QueryOutcome outcome, std::span<const BssObservation> observations,
              std::optional<int64_t> timeMs = std::nullopt);

  // When the cycle `cyclesAgo` cycles before the last one ran (0: the last), as Record was
  // told; nothing where it was not, or for a cycle older than the histories keep.
  std::optional<int64_t> CycleTimeMs(int cyclesAgo) const;

  // Drops every BSS whose record `table` no longer holds: call after the cycle's eviction.
  void Retain(const NetworkTable& table);

  // The BSS with this MAC text ("00 1A 2B 3C 4D 5E"), or nullptr.
  const BssInfo* Find(std::string_view mac) const;
  const BssInfo* Find(const std::array<uint8_t, 6>& bssid) const;

  // Calls `visit(const BssInfo&)` for every BSS, in no particular order.
  template <typename Visit>
  void ForEach(Visit visit) const {
    for (const BssInfo& info : bsses_) visit(info);
  }

  std::size_t size() const { return bsses_.size(); }
  bool empty() const { return bsses_.empty(); }

  // How many times elements were decoded since the store was made: the cycle's cost.
  uint64_t DecodeCount() const { return decodes_; }

 private:
  static uint64_t Key(const std::array<uint8_t, 6>& bssid);
  void Drop(std::size_t at);

  const ieee80211::OuiRegistry* registry_;
  uint64_t cycle_ = 0;  // the number of the last query's cycle, 1 for the first
  // When each of the last cycles ran, indexed as the histories' points; INT64_MIN: not told.
  std::array<int64_t, kSignalHistoryCycles> cycleTimes_ = {};
  // The BSSes side by side, so that the pass of every cycle over all of them walks memory in
  // order; a BSS dropped is replaced by the last one.
  std::vector<BssInfo> bsses_;
  // BSSID key to its place in bsses_, as the table's own index.
  using Index = BssidIndex<std::size_t>;
  Index index_;
  // Beside bsses_, the cycle each was last reported in: Retain reads these alone.
  std::vector<uint64_t> reportedIn_;
  uint64_t decodes_ = 0;
};

}  // namespace quorvan

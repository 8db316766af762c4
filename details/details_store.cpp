#include "details/details_store.h"

#include <algorithm>
#include <bit>

#include "base/hex.h"

namespace quorvan {
namespace {

void Prefetch(const void* address) {
#if defined(__GNUC__)
  __builtin_prefetch(address);
#else
  (void)address;
#endif
}

}  // namespace

int SignalHistory::size() const {
  if (!started_ || cycle_ == nullptr || *cycle_ < firstCycle_) return 0;
  return static_cast<int>(std::min<uint64_t>(*cycle_ - firstCycle_ + 1, kSignalHistoryCycles));
}

std::optional<int32_t> SignalHistory::operator[](int i) const {
  const int count = size();
  if (i < 0 || i >= count) return std::nullopt;
  const uint64_t cycle = *cycle_ - static_cast<uint64_t>(count - 1 - i);
  if (cycle > lastCycle_) return std::nullopt;
  const int16_t point = points_[cycle % kSignalHistoryCycles];
  if (point == kNotSeen) return std::nullopt;
  return point;
}

std::optional<int32_t> SignalHistory::Latest() const { return (*this)[size() - 1]; }

void SignalHistory::Set(int32_t dBm) {
  if (cycle_ == nullptr) return;
  const uint64_t now = *cycle_;
  if (!started_ || now < lastCycle_) {
    started_ = true;
    firstCycle_ = now;
  } else {
    // The cycles since the last reading, at most a whole ring of them, were not seen.
    const uint64_t gap = std::min<uint64_t>(now - lastCycle_, kSignalHistoryCycles + 1);
    for (uint64_t cycle = now - gap + 1; cycle < now; ++cycle) {
      points_[cycle % kSignalHistoryCycles] = kNotSeen;
    }
  }
  lastCycle_ = now;
  // INT16_MIN stands for "not seen".
  points_[now % kSignalHistoryCycles] =
      static_cast<int16_t>(std::clamp<int32_t>(dBm, kNotSeen + 1, INT16_MAX));
}

std::span<const uint8_t> BssInfo::SsidBytes() const {
  const auto end = std::find(ssid.begin(), ssid.end(), uint8_t{0});
  return {ssid.data(), static_cast<std::size_t>(end - ssid.begin())};
}

DetailsStore::DetailsStore(const ieee80211::OuiRegistry* registry) : registry_(registry) {}

uint64_t DetailsStore::Key(const std::array<uint8_t, 6>& bssid) { return Index::Key(bssid); }

void DetailsStore::Record(QueryOutcome outcome, std::span<const BssObservation> observations,
                          std::optional<int64_t> timeMs) {
  ++cycle_;  // every history now ends in a cycle not seen, until a reading says otherwise
  cycleTimes_[cycle_ % kSignalHistoryCycles] = timeMs.value_or(INT64_MIN);
  if (outcome != QueryOutcome::kListed) return;

  // At 10,000 BSSes each observation's index slot, its BSS and the elements of both lie far
  // apart in memory. Each is asked for a few observations ahead, in the order one leads to the
  // next (slot, then BSS, then its elements), so that the fetches overlap instead of queueing.
  constexpr std::size_t kSlotAhead = 12;
  constexpr std::size_t kBssAhead = 6;
  constexpr std::size_t kElementsAhead = 3;
  const auto slotAhead = [&](std::size_t at) -> const Index::Slot* {
    if (at >= observations.size()) return nullptr;
    const uint64_t key = Key(observations[at].bssid);
    const Index::Slot& slot = index_.HomeSlot(key);
    return slot.key == key + 1 ? &slot : nullptr;
  };
  for (std::size_t i = 0; i < observations.size(); ++i) {
    if (!index_.empty()) {
      if (i + kSlotAhead < observations.size()) {
        Prefetch(&index_.HomeSlot(Key(observations[i + kSlotAhead].bssid)));
        Prefetch(observations[i + kSlotAhead].ies.data());
      }
      if (const Index::Slot* slot = slotAhead(i + kBssAhead)) {
        Prefetch(&bsses_[slot->value].ies);
        Prefetch(&bsses_[slot->value].signal);
      }
      if (const Index::Slot* slot = slotAhead(i + kElementsAhead)) {
        Prefetch(bsses_[slot->value].ies.data());
      }
    }
    const BssObservation& observation = observations[i];
    const uint64_t key = Key(observation.bssid);
    // Without memory for the index the BSS waits for the next cycle, as the table's merge does.
    if (!index_.Reserve(bsses_.size() + 1)) continue;
    Index::Slot* slot = index_.Probe(key);
    const bool added = slot->key == 0;
    if (added) {
      *slot = {key + 1, bsses_.size()};
      bsses_.emplace_back();
      bsses_.back().signal = SignalHistory(&cycle_);
      reportedIn_.push_back(0);
    }
    reportedIn_[slot->value] = cycle_;
    BssInfo& info = bsses_[slot->value];
    if (added) {
      info.bssid = observation.bssid;
      FormatMac(observation.bssid, info.mac, sizeof info.mac);
      if (registry_ != nullptr) info.vendor = registry_->Lookup(observation.bssid);
    }
    info.signal.Set(observation.rssi);
    info.ssid = observation.ssid;

    // Decoding costs more than the rest of the cycle together: only what changed is decoded.
    bool changed = added;
    if (!observation.ies.empty() && !std::ranges::equal(observation.ies, info.ies)) {
      info.ies.assign(observation.ies.begin(), observation.ies.end());
      info.elementsKnown = true;
      changed = true;
    }
    if (observation.capability != info.capability ||
        observation.centerFrequency != info.frequencyKhz) {
      info.capability = observation.capability;
      info.frequencyKhz = observation.centerFrequency;
      changed = true;
    }
    if (changed) {
      info.details = ieee80211::DecodeElements(info.ies, info.capability, info.frequencyKhz);
      ++decodes_;
    }
  }
}

std::optional<int64_t> DetailsStore::CycleTimeMs(int cyclesAgo) const {
  if (cyclesAgo < 0 || cyclesAgo >= kSignalHistoryCycles ||
      static_cast<uint64_t>(cyclesAgo) >= cycle_) {
    return std::nullopt;
  }
  const int64_t time =
      cycleTimes_[(cycle_ - static_cast<uint64_t>(cyclesAgo)) % kSignalHistoryCycles];
  if (time == INT64_MIN) return std::nullopt;
  return time;
}

void DetailsStore::Drop(std::size_t at) {
  index_.Erase(Key(bsses_[at].bssid));
  if (at + 1 != bsses_.size()) {
    bsses_[at] = std::move(bsses_.back());
    reportedIn_[at] = reportedIn_.back();
    index_.Set(Key(bsses_[at].bssid), at);
  }
  bsses_.pop_back();
  reportedIn_.pop_back();
}

void DetailsStore::Retain(const NetworkTable& table) {
  // A BSS the last query reported was merged in the same cycle, and a record seen in its cycle
  // is never evicted: only the others need looking up. Should the two still differ in number
  // (a record the table could not make, a store told of only some cycles), every BSS is.
  for (std::size_t at = 0; at < bsses_.size();) {
    if (reportedIn_[at] != cycle_ && !table.Contains(bsses_[at].bssid)) {
      Drop(at);
    } else {
      ++at;
    }
  }
  if (bsses_.size() == table.size()) return;
  for (std::size_t at = 0; at < bsses_.size();) {
    if (!table.Contains(bsses_[at].bssid)) {
      Drop(at);
    } else {
      ++at;
    }
  }
}

const BssInfo* DetailsStore::Find(const std::array<uint8_t, 6>& bssid) const {
  const std::size_t* at = index_.Find(Key(bssid));
  return at == nullptr ? nullptr : &bsses_[*at];
}

const BssInfo* DetailsStore::Find(std::string_view mac) const {
  // "00 1A 2B 3C 4D 5E": six pairs of hex digits, a space between two.
  if (mac.size() != 17) return nullptr;
  std::array<uint8_t, 6> bssid = {};
  for (std::size_t i = 0; i < bssid.size(); ++i) {
    const int high = HexValue(mac[i * 3]);
    const int low = HexValue(mac[i * 3 + 1]);
    if (high < 0 || low < 0 || (i < 5 && mac[i * 3 + 2] != ' ')) return nullptr;
    bssid[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return Find(bssid);
}

}  // namespace quorvan

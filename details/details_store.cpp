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

uint64_t DetailsStore::Key(const std::array<uint8_t, 6>& bssid) {
  uint64_t key = 0;
  for (const uint8_t byte : bssid) key = key << 8 | byte;
  return key;
}

std::size_t DetailsStore::Home(uint64_t key) const {
  return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> indexShift_);
}

const DetailsStore::Slot* DetailsStore::Probe(uint64_t key) const {
  const std::size_t mask = index_.size() - 1;
  std::size_t at = Home(key);
  while (index_[at].key != 0 && index_[at].key != key + 1) at = (at + 1) & mask;
  return &index_[at];
}

void DetailsStore::Grow() {
  std::vector<Slot> old(std::max<std::size_t>(64, 2 * index_.size()));
  old.swap(index_);
  indexShift_ = 64 - std::countr_zero(index_.size());
  for (const Slot& slot : old) {
    if (slot.key != 0) *Probe(slot.key - 1) = slot;
  }
}

void DetailsStore::Erase(uint64_t key) {
  // Backward-shift deletion, so that no probe sequence is broken.
  const std::size_t mask = index_.size() - 1;
  std::size_t hole = static_cast<std::size_t>(Probe(key) - index_.data());
  if (index_[hole].key == 0) return;
  for (std::size_t at = (hole + 1) & mask; index_[at].key != 0; at = (at + 1) & mask) {
    const std::size_t home = Home(index_[at].key - 1);
    if (((at - home) & mask) >= ((at - hole) & mask)) {
      index_[hole] = index_[at];
      hole = at;
    }
  }
  index_[hole] = {};
}

void DetailsStore::Record(QueryOutcome outcome, std::span<const BssObservation> observations) {
  ++cycle_;  // every history now ends in a cycle not seen, until a reading says otherwise
  if (outcome != QueryOutcome::kListed) return;

  // At 10,000 BSSes each observation's index slot, its BSS and the elements of both lie far
  // apart in memory. Each is asked for a few observations ahead, in the order one leads to the
  // next (slot, then BSS, then its elements), so that the fetches overlap instead of queueing.
  constexpr std::size_t kSlotAhead = 12;
  constexpr std::size_t kBssAhead = 6;
  constexpr std::size_t kElementsAhead = 3;
  const auto slotAhead = [&](std::size_t at) -> const Slot* {
    if (at >= observations.size()) return nullptr;
    const uint64_t key = Key(observations[at].bssid);
    const Slot& slot = index_[Home(key)];
    return slot.key == key + 1 ? &slot : nullptr;
  };
  for (std::size_t i = 0; i < observations.size(); ++i) {
    if (!index_.empty()) {
      if (i + kSlotAhead < observations.size()) {
        Prefetch(&index_[Home(Key(observations[i + kSlotAhead].bssid))]);
        Prefetch(observations[i + kSlotAhead].ies.data());
      }
      if (const Slot* slot = slotAhead(i + kBssAhead)) {
        Prefetch(&bsses_[slot->at].ies);
        Prefetch(&bsses_[slot->at].signal);
      }
      if (const Slot* slot = slotAhead(i + kElementsAhead)) {
        Prefetch(bsses_[slot->at].ies.data());
      }
    }
    const BssObservation& observation = observations[i];
    const uint64_t key = Key(observation.bssid);
    if (2 * (bsses_.size() + 1) > index_.size()) Grow();
    Slot* slot = Probe(key);
    const bool added = slot->key == 0;
    if (added) {
      *slot = {key + 1, bsses_.size()};
      bsses_.emplace_back();
      bsses_.back().signal = SignalHistory(&cycle_);
      reportedIn_.push_back(0);
    }
    reportedIn_[slot->at] = cycle_;
    BssInfo& info = bsses_[slot->at];
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

void DetailsStore::Drop(std::size_t at) {
  Erase(Key(bsses_[at].bssid));
  if (at + 1 != bsses_.size()) {
    bsses_[at] = std::move(bsses_.back());
    reportedIn_[at] = reportedIn_.back();
    Probe(Key(bsses_[at].bssid))->at = at;
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
  if (index_.empty()) return nullptr;
  const Slot* slot = Probe(Key(bssid));
  return slot->key == 0 ? nullptr : &bsses_[slot->at];
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

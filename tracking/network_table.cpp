#include "tracking/network_table.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <utility>

#include "base/hex.h"

namespace quorvan {

namespace {

// Makes room for one more element, doubling, so that a push_back after it cannot throw.
template <typename T>
void Grow(std::vector<T>& v) {
  if (v.size() == v.capacity()) v.reserve(std::max<std::size_t>(16, 2 * v.capacity()));
}

}  // namespace

uint64_t NetworkTable::Key(const Bssid& bssid) {
  uint64_t key = 0;
  for (const uint8_t byte : bssid) key = key << 8 | byte;
  return key;
}

std::size_t NetworkTable::Home(uint64_t key) const {
  // Fibonacci hashing: the top bits of the product, which every bit of the key reaches, so the
  // BSSIDs of one vendor, alike in their first three bytes, still spread.
  return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> indexShift_);
}

NetworkTable::Slot* NetworkTable::Probe(uint64_t key) {
  const std::size_t mask = index_.size() - 1;
  std::size_t at = Home(key);
  while (index_[at].key != 0 && index_[at].key != key + 1) at = (at + 1) & mask;
  return &index_[at];
}

bool NetworkTable::Insert(uint64_t key, TrackedNetwork* record) noexcept {
  if (2 * (storage_.size() + 1) > index_.size()) {
    std::vector<Slot> old;
    try {
      old.resize(std::max<std::size_t>(16, 2 * index_.size()));
    } catch (const std::bad_alloc&) {
      return false;
    }
    old.swap(index_);
    indexShift_ = 64 - std::countr_zero(index_.size());
    for (const Slot& slot : old) {
      if (slot.key != 0) *Probe(slot.key - 1) = slot;
    }
  }
  *Probe(key) = {key + 1, record};
  return true;
}

void NetworkTable::Erase(uint64_t key) {
  // Backward-shift deletion: the entries after the freed slot that would have landed before
  // it move up, so that no probe sequence is broken.
  const std::size_t mask = index_.size() - 1;
  std::size_t hole = static_cast<std::size_t>(Probe(key) - index_.data());
  if (index_[hole].key == 0) return;
  for (std::size_t at = (hole + 1) & mask; index_[at].key != 0; at = (at + 1) & mask) {
    const std::size_t home = Home(index_[at].key - 1);
    // Moves when its home does not lie in (hole, at], cyclically.
    if (((at - home) & mask) >= ((at - hole) & mask)) {
      index_[hole] = index_[at];
      hole = at;
    }
  }
  index_[hole] = {};
}

bool NetworkTable::Contains(const Bssid& bssid) const {
  if (index_.empty()) return false;
  const uint64_t key = Key(bssid);
  const std::size_t mask = index_.size() - 1;
  for (std::size_t at = Home(key); index_[at].key != 0; at = (at + 1) & mask) {
    if (index_[at].key == key + 1) return true;
  }
  return false;
}

TrackedNetwork* NetworkTable::FindByBssid(const Bssid& bssid) {
  if (index_.empty()) return nullptr;
  return Probe(Key(bssid))->record;
}

TrackedNetwork* NetworkTable::FindByMac(std::string_view mac) {
  Bssid bssid;
  if (mac.size() != 17) return nullptr;
  for (std::size_t i = 0; i < bssid.size(); ++i) {
    const int high = HexValue(mac[3 * i]), low = HexValue(mac[3 * i + 1]);
    if (high < 0 || low < 0 || (i < 5 && mac[3 * i + 2] != ' ')) return nullptr;
    bssid[i] = static_cast<uint8_t>(high << 4 | low);
  }
  TrackedNetwork* record = FindByBssid(bssid);
  return record != nullptr && std::string_view(record->mac) == mac ? record : nullptr;
}

TrackedNetwork* NetworkTable::Add(const Bssid& bssid) noexcept {
  // Without memory for any part the new record is dropped whole: the BSS is merged again in
  // the next cycle.
  const uint64_t key = Key(bssid);
  try {
    // Room first, so that the appends below cannot fail.
    Grow(storage_);
    Grow(keys_);
    Grow(order_);
    auto record = std::make_unique<TrackedNetwork>();
    TrackedNetwork* added = record.get();
    if (!Insert(key, added)) return nullptr;  // the last step that can fail
    storage_.push_back(std::move(record));
    keys_.push_back(key);
    order_.push_back(added);
    return added;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void NetworkTable::RemoveMarked() {
  std::erase_if(order_, [](const TrackedNetwork* record) { return record->seen == kRemoved; });
  std::size_t kept = 0;
  for (std::size_t i = 0; i < storage_.size(); ++i) {
    if (storage_[i]->seen == kRemoved) {
      Erase(keys_[i]);
      continue;
    }
    storage_[kept] = std::move(storage_[i]);
    keys_[kept] = keys_[i];
    ++kept;
  }
  storage_.resize(kept);
  keys_.resize(kept);
}

void NetworkTable::Clear() {
  index_.clear();
  order_.clear();
  keys_.clear();
  storage_.clear();
}

void NetworkTable::SortBySsid() {
  // The behaviour to keep is that of a selection procedure which repeatedly moves the
  // earliest greatest name to the front of a new list: ascending order with equal names
  // reversed. Sorting by (name, position before the sort, descending) gives exactly that.
  // The first 16 bytes of each name are compared as two numbers, held next to the position
  // so that the sort rarely reaches into the records; the whole names only when both go on.
  struct Entry {
    uint64_t high, low;  // bytes 0-7 and 8-15 of the name, big-endian, zero after its end
    bool longer;         // the name has more than 16 bytes
    uint32_t position;
    TrackedNetwork* record;
  };
  std::vector<Entry> entries;
  entries.reserve(order_.size());
  for (std::size_t i = 0; i < order_.size(); ++i) {
    const char* name = order_[i]->ssid;
    uint64_t words[2] = {0, 0};
    int at = 0;
    for (; at < 16 && name[at] != '\0'; ++at) {
      words[at / 8] |= uint64_t{static_cast<uint8_t>(name[at])} << (8 * (7 - at % 8));
    }
    entries.push_back(
        {words[0], words[1], at == 16 && name[16] != '\0', static_cast<uint32_t>(i), order_[i]});
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    if (a.high != b.high) return a.high < b.high;
    if (a.low != b.low) return a.low < b.low;
    if (a.longer || b.longer) {
      const int names = CompareText(a.record->ssid, b.record->ssid);
      if (names != 0) return names < 0;
    }
    return a.position > b.position;
  });
  for (std::size_t i = 0; i < entries.size(); ++i) order_[i] = entries[i].record;
}

}  // namespace quorvan

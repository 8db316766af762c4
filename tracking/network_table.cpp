#include "tracking/network_table.h"

#include <algorithm>
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

uint64_t NetworkTable::Key(const Bssid& bssid) { return BssidIndex<TrackedNetwork*>::Key(bssid); }

bool NetworkTable::Contains(const Bssid& bssid) const { return index_.Find(Key(bssid)) != nullptr; }

TrackedNetwork* NetworkTable::FindByBssid(const Bssid& bssid) {
  TrackedNetwork* const* record = index_.Find(Key(bssid));
  return record != nullptr ? *record : nullptr;
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
    if (!index_.Reserve(storage_.size() + 1)) return nullptr;  // the last step that can fail
    index_.Set(key, added);
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
      index_.Erase(keys_[i]);
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
  index_.Clear();
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

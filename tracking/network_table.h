#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "base/bssid_index.h"
#include "tracking/tracked_network.h"

namespace quorvan {

// The ordered, owning table of tracked networks. Order is the order in which the list shows
// records; new records go to the end and only SortBySsid reorders.
//
// Records are found by their BSSID through a hash index, so a whole cycle stays O(n log n)
// however many networks are around. The passes that touch every record and do not depend on
// order (ForEachRecord, RemoveIf) walk the records in the order they were created, which is
// close to the order they lie in memory: at 100,000 records that is several times faster than
// walking them in list order.
class NetworkTable {
  using Order = std::vector<TrackedNetwork*>;

 public:
  using Bssid = std::array<uint8_t, 6>;

  class Iterator {
   public:
    using value_type = TrackedNetwork;
    using difference_type = std::ptrdiff_t;

    Iterator() = default;
    TrackedNetwork& operator*() const { return **it_; }
    TrackedNetwork* operator->() const { return *it_; }
    Iterator& operator++() {
      ++it_;
      return *this;
    }
    Iterator operator++(int) {
      Iterator old = *this;
      ++it_;
      return old;
    }
    bool operator==(const Iterator&) const = default;

   private:
    friend class NetworkTable;
    explicit Iterator(Order::iterator it) : it_(it) {}
    Order::iterator it_;
  };

  NetworkTable() = default;
  NetworkTable(const NetworkTable&) = delete;
  NetworkTable& operator=(const NetworkTable&) = delete;

  // The record of `bssid`, or nullptr.
  TrackedNetwork* FindByBssid(const Bssid& bssid);

  // Whether a record of `bssid` is held; reads only, for what is kept beside the table.
  bool Contains(const Bssid& bssid) const;

  // The record whose MAC text is `mac` ("00 1A 2B 3C 4D 5E"), or nullptr.
  TrackedNetwork* FindByMac(std::string_view mac);

  // A new, default-initialised record for `bssid` at the end of the table, or nullptr without
  // memory for it (the table is then as it was). The caller fills it, its `mac` included.
  TrackedNetwork* Add(const Bssid& bssid) noexcept;

  // Calls `visit(record)` for every record, in no particular order.
  template <typename Visit>
  void ForEachRecord(Visit visit) {
    for (const auto& record : storage_) visit(*record);
  }

  template <typename Visit>
  void ForEachRecord(Visit visit) const {
    for (const auto& record : storage_) visit(static_cast<const TrackedNetwork&>(*record));
  }

  // Calls `update(record)` for every record, in no particular order, and removes and destroys
  // those for which it returns true; the others keep their order.
  template <typename Update>
  void RemoveIf(Update update) {
    bool removed = false;
    for (const auto& record : storage_) {
      if (update(*record)) {
        record->seen = kRemoved;
        removed = true;
      }
    }
    if (removed) RemoveMarked();
  }

  // Destroys every record.
  void Clear();

  // Ascending by `ssid` in unsigned byte order. Records with equal names come out in the
  // reverse of their order before the sort, so two BSSes sharing a name swap places on every
  // sort; the list relies on that being the same on every platform.
  void SortBySsid();

  Iterator begin() { return Iterator(order_.begin()); }
  Iterator end() { return Iterator(order_.end()); }
  std::size_t size() const { return order_.size(); }
  bool empty() const { return order_.empty(); }

 private:
  // A `seen` value no record has otherwise: marks the records RemoveIf takes out.
  static constexpr int32_t kRemoved = -1;

  static uint64_t Key(const Bssid& bssid);
  void RemoveMarked();

  std::vector<std::unique_ptr<TrackedNetwork>> storage_;  // owns the records, creation order
  Order order_;                                           // the same records, table order
  BssidIndex<TrackedNetwork*> index_;                     // BSSID to record
  std::vector<uint64_t> keys_;  // each stored record's BSSID key, parallel to storage_
};

}  // namespace quorvan

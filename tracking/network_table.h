#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <string_view>
#include <unordered_map>

#include "tracking/tracked_network.h"

namespace quorvan {

// The ordered, owning table of tracked networks. Order is the order in which a cycle visits
// records and the list shows them; new records go to the end and only SortBySsid reorders.
//
// Lookup by MAC text goes through a hash index kept in step with every append, removal and
// clear, so a whole cycle stays O(n log n) however many networks are around. A record's `mac`
// must not change while the record is in the table.
class NetworkTable {
  using Records = std::list<std::unique_ptr<TrackedNetwork>>;

 public:
  class Iterator {
   public:
    using value_type = TrackedNetwork;
    using difference_type = std::ptrdiff_t;

    Iterator() = default;
    TrackedNetwork& operator*() const { return **it_; }
    TrackedNetwork* operator->() const { return it_->get(); }
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
    explicit Iterator(Records::iterator it) : it_(it) {}
    Records::iterator it_;
  };

  NetworkTable() = default;
  NetworkTable(const NetworkTable&) = delete;
  NetworkTable& operator=(const NetworkTable&) = delete;

  // The first record in table order whose `mac` equals `mac` byte for byte, or nullptr.
  TrackedNetwork* FindByMac(std::string_view mac);

  // Takes ownership and adds the record at the end; without memory for it, drops it.
  void Append(std::unique_ptr<TrackedNetwork> record) noexcept;

  // Removes and destroys the record at `current`; returns the position of the next record.
  Iterator RemoveCurrent(Iterator current);

  // Destroys every record.
  void Clear();

  // Ascending by `ssid` in unsigned byte order. Records with equal names come out in the
  // reverse of their order before the sort, so two BSSes sharing a name swap places on every
  // sort; the list relies on that being the same on every platform.
  void SortBySsid();

  Iterator begin() { return Iterator(records_.begin()); }
  Iterator end() { return Iterator(records_.end()); }
  std::size_t size() const { return records_.size(); }
  bool empty() const { return records_.empty(); }

 private:
  static std::string_view MacOf(const TrackedNetwork& record);

  Records records_;
  // MAC text (viewing the record's own `mac`) to the record's position. A multimap so that
  // a table filled by hand with a repeated MAC still answers "the first in table order".
  std::unordered_multimap<std::string_view, Records::iterator> index_;
};

}  // namespace quorvan

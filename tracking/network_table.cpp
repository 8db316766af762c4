#include "tracking/network_table.h"

#include <cstring>
#include <new>
#include <utility>

namespace quorvan {

std::string_view NetworkTable::MacOf(const TrackedNetwork& record) {
  return std::string_view(record.mac, strnlen(record.mac, sizeof record.mac));
}

TrackedNetwork* NetworkTable::FindByMac(std::string_view mac) {
  const auto [first, last] = index_.equal_range(mac);
  if (first == last) return nullptr;
  if (std::next(first) == last) return first->second->get();
  // Only a table filled by hand can hold one MAC twice; answer as a linear search would.
  for (const auto& record : records_) {
    if (MacOf(*record) == mac) return record.get();
  }
  return nullptr;
}

void NetworkTable::Append(std::unique_ptr<TrackedNetwork> record) noexcept {
  if (!record) return;
  // Without memory for the list node or the index entry the record is dropped, the table stays
  // whole, and the BSS is merged again in the next cycle.
  try {
    records_.push_back(std::move(record));
  } catch (const std::bad_alloc&) {
    return;
  }
  auto position = std::prev(records_.end());
  try {
    index_.emplace(MacOf(**position), position);
  } catch (const std::bad_alloc&) {
    records_.erase(position);
  }
}

NetworkTable::Iterator NetworkTable::RemoveCurrent(Iterator current) {
  auto [first, last] = index_.equal_range(MacOf(**current.it_));
  for (auto entry = first; entry != last; ++entry) {
    if (entry->second == current.it_) {
      index_.erase(entry);
      break;
    }
  }
  return Iterator(records_.erase(current.it_));
}

void NetworkTable::Clear() {
  index_.clear();
  records_.clear();
}

void NetworkTable::SortBySsid() {
  // The behaviour to keep is that of a selection procedure which repeatedly moves the
  // earliest greatest name to the front of a new list: ascending order with equal names
  // reversed. A stable descending sort followed by a reversal gives exactly that in
  // O(n log n). List nodes move, so the index's positions stay valid.
  records_.sort(
      [](const std::unique_ptr<TrackedNetwork>& a, const std::unique_ptr<TrackedNetwork>& b) {
        return CompareText(a->ssid, b->ssid) > 0;
      });
  records_.reverse();
}

}  // namespace quorvan

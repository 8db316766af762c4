#pragma once

// What the Linux program keeps and shows beyond the window's table: the details of every BSS,
// told every query and every eviction, and the list's cells written from them. The Windows
// program has none of it.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "details/details_cells.h"
#include "details/details_store.h"
#include "ieee80211/oui_registry.h"
#include "wlan/query_outcome.h"

namespace quorvan {

class LinuxExtras {
 public:
  // Vendor names from Debian's ieee-data, read on the first BSS; the Encryption cell from the
  // elements, for as long as this lives.
  LinuxExtras() = default;
  LinuxExtras(const LinuxExtras&) = delete;
  LinuxExtras& operator=(const LinuxExtras&) = delete;

  // For the query listener: every query's outcome and observations, and when it ran (ms since
  // 1970: a replayed line's own time, else the clock's).
  void Heard(QueryOutcome outcome, std::span<const BssObservation> observations,
             std::optional<int64_t> timeMs = std::nullopt) {
    store_.Record(outcome, observations, timeMs);
  }

  // For a front end's host (MainWindowHost::TableUpdated): the table after each eviction.
  std::function<void(const NetworkTable&)> TableWatcher() {
    return [this](const NetworkTable& table) { store_.Retain(table); };
  }

  const DetailsStore& Store() const { return store_; }

 private:
  ieee80211::OuiRegistry registry_;
  DetailsStore store_{&registry_};
  ScopedCellTextOverride cells_{DetailsCellText(store_)};
};

}  // namespace quorvan

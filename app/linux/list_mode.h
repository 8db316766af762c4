#pragma once

#include <functional>
#include <span>
#include <string>
#include <utility>

#include "tracking/tracked_network.h"
#include "ui/memory_list_view.h"

#include "wlan/wlan_access.h"

namespace quorvan {

// The list printed for scripts: `cycles` scan cycles back to back (the first as the window's
// initialisation runs it), then the list as the list view shows it after the last refresh.
// `beforeEachCycle`, when given, runs before each cycle's query: on a real radio it asks for a
// fresh scan and waits for it, as a script wants the networks around now.
struct ListResult {
  std::string text;  // the header line and one line per row, cells separated by a tab
  int exitCode = 0;  // 0, or 1 when the last cycle's query found no BSS list
  QueryOutcome outcome = QueryOutcome::kListed;  // how the last cycle's query ended
};

// Turns the list after the last cycle into the text printed; `records` are the records its rows
// show, row by row.
using ListFormatter = std::function<std::string(const MemoryListView& list,
                                                std::span<const TrackedNetwork* const> records)>;

// `alsoTell`, when given, hears every query's outcome too (a recorder, a replay). Without
// `format` the text is the list's tab-separated cells. `tableUpdated`, when given, hears of the
// table every cycle after eviction (see MainWindowHost::TableUpdated).
// `isLastCycle(n)` says, before cycle n (1-based) runs, whether it is the last.
ListResult RunListMode(const std::function<bool(int cycle)>& isLastCycle,
                       const QueryListener& alsoTell = {},
                       const std::function<void()>& beforeEachCycle = {},
                       const ListFormatter& format = {},
                       std::function<void(const NetworkTable&)> tableUpdated = {});
// `cycles` cycles (at least one).
inline ListResult RunListMode(int cycles, const QueryListener& alsoTell = {},
                              const std::function<void()>& beforeEachCycle = {},
                              const ListFormatter& format = {},
                              std::function<void(const NetworkTable&)> tableUpdated = {}) {
  return RunListMode([cycles](int cycle) { return cycle >= cycles; }, alsoTell, beforeEachCycle,
                     format, std::move(tableUpdated));
}

}  // namespace quorvan

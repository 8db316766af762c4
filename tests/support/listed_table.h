#pragma once

#include "tracking/scan_cycle.h"
#include "ui/memory_list_view.h"
#include "ui/network_list.h"

namespace quorvan::testing {

// A table of tracked networks and the in-memory list that shows it, driven a cycle at a time.
struct ListedTable {
  ListedTable() { SetUpColumns(list); }

  void Cycle(const BssSnapshot& snapshot) {
    AdvanceHistory(table);
    MergeBssList(table, snapshot);
    UpdateActivity(table);
    RefreshList(table, list, status);
  }

  NetworkTable table;
  MemoryListView list;
  MemoryLabel status;
};

}  // namespace quorvan::testing

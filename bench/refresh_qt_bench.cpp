// RefreshList of n tracked networks into the real Qt list view, as every scan cycle does on the
// window's thread.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTreeView>
#include <cstdio>

#include "tests/support/observations.h"
#include "tracking/scan_cycle.h"
#include "ui/memory_list_view.h"
#include "ui/network_list.h"
#include "ui/qt/qt_list_view.h"

namespace quorvan {
namespace {

void BM_RefreshListQt(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  NetworkTable table;
  BssSnapshot snapshot;
  for (int id = 0; id < n; ++id) {
    char name[32];
    std::snprintf(name, sizeof name, "net-%d", (id * 7919) % (n / 3 + 1));
    snapshot.push_back(testing::Observation(static_cast<unsigned>(id), name, -40 - id % 50));
    snapshot.back().bssid[2] = static_cast<uint8_t>(id >> 16);
  }
  AdvanceHistory(table);
  MergeBssList(table, snapshot);
  UpdateActivity(table);

  QTreeView view;
  view.resize(820, 470);
  view.show();
  QtListView list(view);
  MemoryLabel status;
  SetUpColumns(list);
  for (auto _ : state) {
    RefreshList(table, list, status);
    // Let the view lay out and paint what changed, as the event loop would after the cycle.
    QApplication::processEvents();
  }
  state.counters["rows"] = list.RowCount();
}

BENCHMARK(BM_RefreshListQt)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvan

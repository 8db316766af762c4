// One whole tracking cycle (AdvanceHistory, merge, UpdateActivity, SortBySsid) over n tracked
// BSSes, for the indexed table and for the literal transcription of the rules.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "tests/support/literal_tracking.h"
#include "tests/support/observations.h"
#include "ui/memory_list_view.h"
#include "ui/network_list.h"

namespace quorvan {
namespace {

// Ten snapshots to rotate through. Each omits a different tenth of the population, so every
// cycle a tenth of the BSSes drop out and the tenth missed last time comes back: 10% churn.
// Names repeat (a third as many names as BSSes), as in any building with one SSID per floor.
std::vector<BssSnapshot> Snapshots(int n) {
  std::vector<BssSnapshot> snapshots(10);
  for (int k = 0; k < 10; ++k) {
    for (int id = 0; id < n; ++id) {
      if (id % 10 == k) continue;
      char name[32];
      std::snprintf(name, sizeof name, "net-%d", (id * 7919) % (n / 3 + 1));
      BssObservation o = testing::Observation(static_cast<unsigned>(id), name, -40 - id % 50);
      o.bssid[2] = static_cast<uint8_t>(id >> 16);
      snapshots[k].push_back(o);
    }
  }
  return snapshots;
}

void BM_ScanCycle(benchmark::State& state) {
  const auto snapshots = Snapshots(static_cast<int>(state.range(0)));
  NetworkTable table;
  for (const auto& s : snapshots) MergeBssList(table, s);
  std::size_t k = 0;
  for (auto _ : state) {
    AdvanceHistory(table);
    MergeBssList(table, snapshots[k++ % snapshots.size()]);
    UpdateActivity(table);
    table.SortBySsid();
    benchmark::DoNotOptimize(table.begin()->activity);
  }
  state.counters["records"] = static_cast<double>(table.size());
}

void BM_ScanCycleLiteral(benchmark::State& state) {
  const auto snapshots = Snapshots(static_cast<int>(state.range(0)));
  testing::LiteralTable table;
  for (const auto& s : snapshots) testing::LiteralMergeBssList(table, s);
  std::size_t k = 0;
  for (auto _ : state) {
    testing::LiteralAdvanceHistory(table);
    testing::LiteralMergeBssList(table, snapshots[k++ % snapshots.size()]);
    testing::LiteralUpdateActivity(table);
    table.SortBySsid();
    benchmark::DoNotOptimize(table.records.front()->activity);
  }
  state.counters["records"] = static_cast<double>(table.records.size());
}

// A refresh of the in-memory list, which the terminal view and --list print from: sort, rows,
// cell texts.
void BM_RefreshListMemory(benchmark::State& state) {
  const auto snapshots = Snapshots(static_cast<int>(state.range(0)));
  NetworkTable table;
  MergeBssList(table, snapshots[0]);
  MemoryListView list;
  MemoryLabel status;
  SetUpColumns(list);
  for (auto _ : state) RefreshList(table, list, status);
  state.counters["rows"] = list.RowCount();
}

BENCHMARK(BM_RefreshListMemory)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanCycle)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScanCycleLiteral)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quorvan

BENCHMARK_MAIN();

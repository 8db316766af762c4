// The scan cycle with the details store beside the table (AdvanceHistory, merge, Record,
// UpdateActivity, Retain) over n BSSes that carry the elements a real access point sends.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "details/details_store.h"
#include "tests/ieee80211/sample_beacons.h"
#include "tests/support/observations.h"

namespace quorvan {
namespace {

// Ten snapshots to rotate through, each missing a different tenth of the BSSes (10% churn), as
// the cycle's own benchmark has them. Every BSS sends about 150 bytes of elements; one in ten
// reports a BSS load that moves from snapshot to snapshot, so its elements are decoded again
// every cycle, as on a busy channel.
std::vector<BssSnapshot> Snapshots(int n) {
  using testing::Concat;
  std::vector<BssSnapshot> snapshots(10);
  for (int k = 0; k < 10; ++k) {
    for (int id = 0; id < n; ++id) {
      if (id % 10 == k) continue;
      char name[32];
      std::snprintf(name, sizeof name, "net-%d", (id * 7919) % (n / 3 + 1));
      BssObservation o = testing::Observation(static_cast<unsigned>(id), name, -40 - id % 50);
      o.bssid[2] = static_cast<uint8_t>(id >> 16);
      testing::Bytes load = testing::kBssLoad;
      if (id % 10 == 3) load[4] = static_cast<uint8_t>(k * 20);
      o.ies = Concat({testing::SsidElement(name), testing::kRates24, testing::DsElement(6),
                      testing::kTim, testing::kCountryDe, load,
                      id % 2 == 0 ? testing::kRsnPsk : testing::kRsnSae, testing::kHtCapabilities,
                      testing::kWmm});
      o.capability = testing::kCapabilityEssPrivacy;
      snapshots[k].push_back(std::move(o));
    }
  }
  return snapshots;
}

// One scan cycle as the program runs it, the details kept beside the table.
void CycleWithDetails(NetworkTable& table, DetailsStore& store, const BssSnapshot& snapshot) {
  AdvanceHistory(table);
  MergeBssList(table, snapshot);
  store.Record(QueryOutcome::kListed, snapshot);
  UpdateActivity(table);
  store.Retain(table);
}

void BM_ScanCycleWithDetails(benchmark::State& state) {
  const auto snapshots = Snapshots(static_cast<int>(state.range(0)));
  NetworkTable table;
  DetailsStore store;
  for (const auto& s : snapshots) CycleWithDetails(table, store, s);
  std::size_t k = 0;
  const uint64_t decodesBefore = store.DecodeCount();
  for (auto _ : state) {
    const BssSnapshot& snapshot = snapshots[k++ % snapshots.size()];
    CycleWithDetails(table, store, snapshot);
    benchmark::DoNotOptimize(store.size());
  }
  state.counters["records"] = static_cast<double>(table.size());
  state.counters["bsses"] = static_cast<double>(store.size());
  state.counters["decodes/cycle"] = benchmark::Counter(
      static_cast<double>(store.DecodeCount() - decodesBefore) / static_cast<double>(k));
}

// The same, with each query's observations fresh as the query has just made them (copied from
// the snapshot outside the timing), as the program hands them over: above, the ten snapshots
// (22 MB of elements at 10,000 BSSes) are read cold from memory every cycle.
void BM_ScanCycleWithDetailsFreshQuery(benchmark::State& state) {
  const auto snapshots = Snapshots(static_cast<int>(state.range(0)));
  NetworkTable table;
  DetailsStore store;
  for (const auto& s : snapshots) CycleWithDetails(table, store, s);
  std::size_t k = 0;
  BssSnapshot fresh;
  for (auto _ : state) {
    state.PauseTiming();
    fresh = snapshots[k++ % snapshots.size()];
    state.ResumeTiming();
    CycleWithDetails(table, store, fresh);
    benchmark::DoNotOptimize(store.size());
  }
  state.counters["bsses"] = static_cast<double>(store.size());
}

// The same cycle without the store, for its share.
void BM_ScanCycleWithoutDetails(benchmark::State& state) {
  const auto snapshots = Snapshots(static_cast<int>(state.range(0)));
  NetworkTable table;
  for (const auto& s : snapshots) MergeBssList(table, s);
  std::size_t k = 0;
  for (auto _ : state) {
    AdvanceHistory(table);
    MergeBssList(table, snapshots[k++ % snapshots.size()]);
    UpdateActivity(table);
    benchmark::DoNotOptimize(table.size());
  }
  state.counters["records"] = static_cast<double>(table.size());
}

// The store's share alone: Record and Retain against a table that does not change.
void BM_DetailsStoreOnly(benchmark::State& state) {
  const auto snapshots = Snapshots(static_cast<int>(state.range(0)));
  NetworkTable table;
  DetailsStore store;
  for (const auto& s : snapshots) {
    MergeBssList(table, s);
    store.Record(QueryOutcome::kListed, s);
  }
  std::size_t k = 0;
  for (auto _ : state) {
    store.Record(QueryOutcome::kListed, snapshots[k++ % snapshots.size()]);
    store.Retain(table);
    benchmark::DoNotOptimize(store.size());
  }
  state.counters["bsses"] = static_cast<double>(store.size());
}

BENCHMARK(BM_ScanCycleWithDetails)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScanCycleWithDetailsFreshQuery)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScanCycleWithoutDetails)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DetailsStoreOnly)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quorvan

BENCHMARK_MAIN();

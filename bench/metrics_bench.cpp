// What the metrics cost: a scrape's exposition of n BSSes, written on the server's thread, and
// the snapshot the cycle publishes after every eviction (the table's rows copied, the security
// looked up in the details store), which is all the cycle pays for them.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "details/details_store.h"
#include "metrics/exposition.h"
#include "metrics/sensor_metrics.h"
#include "tests/support/observations.h"

namespace quorvan {
namespace {

// n BSSes, one in ten with a name that needs escaping.
BssSnapshot Heard(int n) {
  BssSnapshot heard;
  for (int id = 0; id < n; ++id) {
    char name[33];
    std::snprintf(name, sizeof name, id % 10 == 0 ? "say \"hi\"\\\x01\xff %d" : "net-%d", id);
    BssObservation o = testing::Observation(static_cast<unsigned>(id), name, -40 - id % 50,
                                            id % 3 == 0 ? 2437000 : 5180000);
    o.bssid[2] = static_cast<uint8_t>(id >> 16);
    heard.push_back(std::move(o));
  }
  return heard;
}

struct Sensor {
  explicit Sensor(int n) : sensor(board, {"1.0.0.1", "wlan0", "nl80211"}, &store) {
    const BssSnapshot heard = Heard(n);
    AdvanceHistory(table);
    MergeBssList(table, heard);
    store.Record(QueryOutcome::kListed, heard);
    sensor.QueryEnded(QueryOutcome::kListed, "wlan0", 1796245802.25);
    UpdateActivity(table);
    store.Retain(table);
    sensor.TableUpdated(table);
  }
  NetworkTable table;
  DetailsStore store;
  MetricsBoard board;
  SensorMetrics sensor;
};

void Scrape(benchmark::State& state, ExpositionFormat format) {
  const Sensor sensor(static_cast<int>(state.range(0)));
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string text;
    WriteExposition(*sensor.board.Latest(), format, text);
    bytes = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
  state.SetBytesProcessed(static_cast<int64_t>(bytes * state.iterations()));
}

void BM_ScrapeText(benchmark::State& state) { Scrape(state, ExpositionFormat::kPrometheusText); }
void BM_ScrapeOpenMetrics(benchmark::State& state) {
  Scrape(state, ExpositionFormat::kOpenMetrics);
}
BENCHMARK(BM_ScrapeText)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrapeOpenMetrics)->Arg(10000)->Unit(benchmark::kMillisecond);

// The cycle's share: the rows and the snapshot, published, with the old one freed.
void BM_PublishSnapshot(benchmark::State& state) {
  Sensor sensor(static_cast<int>(state.range(0)));
  for (auto _ : state) sensor.sensor.TableUpdated(sensor.table);
}
BENCHMARK(BM_PublishSnapshot)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quorvan

BENCHMARK_MAIN();

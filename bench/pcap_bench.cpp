// Reading a capture of a busy channel: beacons of 1,000 BSSes with radiotap headers as Linux
// writes them (FCS at the end, two antennas), about 300 bytes each. The frame parser alone;
// the whole load of a 100,000-frame capture file through libpcap into query windows; and what
// `quorvan --pcap FILE --list` does with captures of 10 and 100 MB: read a window at a time,
// replayed through the WLAN functions into the table and the details, and the list formatted.
// Its rss_growth_MB counter is how far the run raised the process's peak memory: flat in the
// capture's size when the 100 MB run, which follows the 10 MB one, raises it by about nothing.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/linux/linux_extras.h"
#include "app/linux/list_format.h"
#include "app/linux/list_mode.h"
#include "ieee80211/frames.h"
#include "tests/ieee80211/capture_frames.h"
#include "wlan/linux/pcap_capture.h"
#include "wlan/linux/scenario_service.h"
#include "wlan/linux/wlanapi.h"

namespace quorvan {
namespace {

using namespace quorvan::testing;

std::vector<FrameBytes> Records(int n) {
  std::vector<FrameBytes> records;
  records.reserve(static_cast<std::size_t>(n));
  FrameBytes padding(260, 0);
  padding[0] = 0xdd;
  padding[1] = 0xfe;
  for (int i = 0; i < n; ++i) {
    const std::array<uint8_t, 6> bssid = {
        0x02, 0, 0, 0, static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)};
    const FrameBytes elements =
        Join({SsidBytes("network-" + std::to_string(i % 1000)), DsBytes(1 + i % 11), padding});
    records.push_back(Join({RadiotapHeader({0x10,
                                            static_cast<uint16_t>(2412 + 5 * (i % 11)),
                                            {static_cast<int8_t>(-40 - i % 50), -60},
                                            true}),
                            ManagementFrame(bssid, static_cast<uint64_t>(i), 100, 0x0431, elements),
                            {1, 2, 3, 4}}));
  }
  return records;
}

void BM_ParseCapturedFrame(benchmark::State& state) {
  const std::vector<FrameBytes> records = Records(1000);
  std::size_t at = 0;
  for (auto _ : state) {
    ieee80211::CapturedFrame frame;
    const auto result =
        ieee80211::ParseCapturedFrame(ieee80211::CaptureHeader::kRadiotap, records[at], frame);
    benchmark::DoNotOptimize(result);
    benchmark::DoNotOptimize(frame);
    at = at + 1 == records.size() ? 0 : at + 1;
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_ParseCapturedFrame);

// Writes beacon records, 6 ms apart (a window holds about 3,300 frames of the 1,000 BSSes),
// straight to a file, so that the capture is never in this process's memory: `frames` of them,
// or as many as fill `bytes`.
bool WriteCapture(const char* path, std::size_t bytes, int64_t& frames) {
  const std::vector<FrameBytes> records = Records(1000);
  std::FILE* out = std::fopen(path, "wb");
  if (out == nullptr) return false;
  FrameBytes chunk;
  PutPcapHeader(chunk, 127);  // 802.11 with radiotap
  const int64_t limit = frames;
  std::size_t written = 0;
  bool ok = true;
  for (frames = 0; ok && written < bytes && (limit == 0 || frames < limit); ++frames) {
    const FrameBytes& record = records[static_cast<std::size_t>(frames) % records.size()];
    const uint64_t us = 1'750'000'000ULL * 1'000'000 + static_cast<uint64_t>(frames) * 6'000;
    PutLe(chunk, us / 1'000'000, 4);
    PutLe(chunk, us % 1'000'000, 4);
    PutLe(chunk, record.size(), 4);
    PutLe(chunk, record.size(), 4);
    chunk.insert(chunk.end(), record.begin(), record.end());
    if (chunk.size() >= (1u << 20)) {
      ok = std::fwrite(chunk.data(), 1, chunk.size(), out) == chunk.size();
      written += chunk.size();
      chunk.clear();
    }
  }
  ok = ok && std::fwrite(chunk.data(), 1, chunk.size(), out) == chunk.size();
  return std::fclose(out) == 0 && ok;
}

// A temporary capture file, gone with it.
struct TemporaryCapture {
  char path[40] = "/tmp/quorvan-pcap-bench-XXXXXX";
  bool ok = false;
  int64_t frames = 0;
  TemporaryCapture(std::size_t bytes, int64_t maxFrames) : frames(maxFrames) {
    const int fd = mkstemp(path);
    ok = fd >= 0 && close(fd) == 0 && WriteCapture(path, bytes, frames);
  }
  ~TemporaryCapture() { std::remove(path); }
};

// 100,000 frames over 10 minutes of capture time: 30 windows of about 1,000 BSSes.
void BM_LoadCapture(benchmark::State& state) {
  const TemporaryCapture file(SIZE_MAX, 100'000);
  const char* path = file.path;
  if (!file.ok) {
    state.SkipWithError("cannot write the capture");
    return;
  }
  for (auto _ : state) {
    PcapCapture capture;
    std::string error;
    if (!LoadPcapCapture(path, path, capture, error)) {
      state.SkipWithError(error.c_str());
      break;
    }
    benchmark::DoNotOptimize(capture);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * file.frames);
}

long PeakRssKib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void BM_ListCapture(benchmark::State& state) {
  const TemporaryCapture file(static_cast<std::size_t>(state.range(0)) << 20, 0);
  const char* path = file.path;
  if (!file.ok) {
    state.SkipWithError("cannot write the capture");
    return;
  }
  const long before = PeakRssKib();
  std::size_t rows = 0;
  for (auto _ : state) {
    std::string error;
    std::shared_ptr<CaptureReader> reader = CaptureReader::Open(path, path, error);
    if (!reader) {
      state.SkipWithError(error.c_str());
      break;
    }
    auto service = std::make_unique<ScenarioService>(
        [reader](ScenarioLine& window) { return reader->Next(window); }, path);
    const QueryListener replay = service->QueryEndListener();
    const std::function<bool()> more = service->MoreAfterNextQuery();
    SetWlanService(std::move(service));
    LinuxExtras extras;
    const ListResult result = RunListMode(
        [&more](int) { return !more(); },
        [&replay, &extras](QueryOutcome outcome, std::span<const BssObservation> observations,
                           std::string_view interfaceName) {
          replay(outcome, observations, interfaceName);
          extras.Heard(outcome, observations);
        },
        {},
        [&extras](const MemoryListView& list, std::span<const TrackedNetwork* const> records) {
          return FormatList(list, records, ListFormat::kTsv, &extras.Store());
        },
        extras.TableWatcher());
    rows = static_cast<std::size_t>(std::count(result.text.begin(), result.text.end(), '\n'));
    benchmark::DoNotOptimize(result);
  }
  if (rows != 1001) state.SkipWithError("the list does not have the capture's 1,000 rows");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * file.frames);
  state.counters["rss_growth_MB"] = static_cast<double>(PeakRssKib() - before) / 1024.0;
}
BENCHMARK(BM_ListCapture)
    ->Arg(10)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();
// After the list runs: it holds every window, and would raise the peak they measure.
BENCHMARK(BM_LoadCapture)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvan

BENCHMARK_MAIN();

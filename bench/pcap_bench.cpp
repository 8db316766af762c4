// Reading a capture of a busy channel: beacons of 1,000 BSSes with radiotap headers as Linux
// writes them (FCS at the end, two antennas), about 300 bytes each. The frame parser alone,
// and the whole load of a 100,000-frame capture file through libpcap into query windows.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "ieee80211/frames.h"
#include "tests/ieee80211/capture_frames.h"
#include "wlan/linux/pcap_capture.h"

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

// 100,000 frames over 10 minutes of capture time: 30 windows of about 1,000 BSSes.
void BM_LoadCapture(benchmark::State& state) {
  constexpr int kFrames = 100'000;
  const std::vector<FrameBytes> records = Records(1000);
  FrameBytes file;
  PutPcapHeader(file, 127);  // 802.11 with radiotap
  for (int i = 0; i < kFrames; ++i) {
    const FrameBytes& record = records[static_cast<std::size_t>(i) % records.size()];
    const uint64_t us = 1'750'000'000ULL * 1'000'000 + static_cast<uint64_t>(i) * 6'000;
    PutLe(file, us / 1'000'000, 4);
    PutLe(file, us % 1'000'000, 4);
    PutLe(file, record.size(), 4);
    PutLe(file, record.size(), 4);
    file.insert(file.end(), record.begin(), record.end());
  }
  char path[] = "/tmp/quorvan-pcap-bench-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0 || write(fd, file.data(), file.size()) != static_cast<ssize_t>(file.size())) {
    state.SkipWithError("cannot write the capture");
    return;
  }
  close(fd);
  for (auto _ : state) {
    PcapCapture capture;
    std::string error;
    if (!LoadPcapCapture(path, path, capture, error)) {
      state.SkipWithError(error.c_str());
      break;
    }
    benchmark::DoNotOptimize(capture);
  }
  std::remove(path);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kFrames);
}
BENCHMARK(BM_LoadCapture)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvan

BENCHMARK_MAIN();

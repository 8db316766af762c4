// Decoding the information elements of every BSS a busy scan reports: 10,000 beacons of a
// mix of bands, generations and securities, about 300 bytes each, as hostapd sends them.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ieee80211/elements.h"
#include "tests/ieee80211/sample_beacons.h"

namespace quorvan::ieee80211 {
namespace {

using namespace quorvan::testing;

struct Bss {
  Bytes ies;
  uint16_t capability;
  uint32_t primaryKhz;
};

// What real beacons carry besides: RM capabilities, an interworking element and a vendor's.
const Bytes kPadding = {0x46, 0x05, 0x72, 0x08, 0x01, 0x00, 0x00, 0x6b, 0x01, 0x00, 0xdd,
                        0x09, 0x00, 0x10, 0x18, 0x02, 0x00, 0x00, 0x1c, 0x00, 0x00};

// A chip vendor's element of the length they commonly run to.
Bytes VendorBlob() {
  Bytes element = {0xdd, 0x4e, 0x00, 0x03, 0x7f, 0x01, 0x01};
  element.resize(2 + 0x4e, 0x5a);
  return element;
}

std::vector<Bss> Population(int n) {
  const Bytes vendor = VendorBlob();
  const Bytes securities[] = {kRsnPsk, kRsnSaePsk, kRsnSae, kRsnEap, kRsnOwe, kWpaPsk, {}};
  std::vector<Bss> population;
  population.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const Bytes& security = securities[i % std::size(securities)];
    const uint16_t capability = security.empty() ? kCapabilityEss : kCapabilityEssPrivacy;
    switch (i % 4) {
      case 0:
        population.push_back({Concat({Beacon24(security, static_cast<uint8_t>(1 + i % 11)),
                                      kWpsConfigured, kPadding, vendor}),
                              capability, static_cast<uint32_t>(2412000 + 5000 * (i % 11))});
        break;
      case 1:
        population.push_back(
            {Concat({Beacon5(security), kHeCapabilities, kHeOperation, kPadding, vendor}),
             capability, 5180000});
        break;
      case 2:
        population.push_back(
            {Concat({Beacon5(security), kPadding, kPadding, vendor}), capability, 5180000});
        break;
      default:
        population.push_back({Concat({Beacon6(kRsnSae), kEhtCapabilities, EhtOperation(4, 15, 31),
                                      kPadding, kPadding, kPadding, vendor}),
                              kCapabilityEssPrivacy, 5975000});
        break;
    }
  }
  return population;
}

void BM_DecodeElements(benchmark::State& state) {
  const std::vector<Bss> population = Population(static_cast<int>(state.range(0)));
  std::size_t bytes = 0;
  for (const Bss& bss : population) bytes += bss.ies.size();
  for (auto _ : state) {
    for (const Bss& bss : population) {
      BssDetails details = DecodeElements(bss.ies, bss.capability, bss.primaryKhz);
      benchmark::DoNotOptimize(details);
    }
  }
  state.counters["bytes_per_bss"] =
      static_cast<double>(bytes) / static_cast<double>(population.size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_DecodeElements)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_ListElements(benchmark::State& state) {
  const std::vector<Bss> population = Population(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    for (const Bss& bss : population) {
      std::vector<ElementInfo> list = ListElements(bss.ies);
      benchmark::DoNotOptimize(list);
    }
  }
}
BENCHMARK(BM_ListElements)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvan::ieee80211

BENCHMARK_MAIN();

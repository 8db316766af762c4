// libFuzzer target for the captured-frame parser: the first byte picks the capture header
// (radiotap, Prism, PPI or none), the rest is one record as a capture file hands it over, which
// anyone in radio range, or anyone who sends a capture file, controls.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>

#include "ieee80211/frames.h"

namespace {

using namespace quorvan::ieee80211;

constexpr CaptureHeader kHeaders[] = {CaptureHeader::kRadiotap, CaptureHeader::kNone,
                                      CaptureHeader::kPrism, CaptureHeader::kPpi};

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const CaptureHeader header = kHeaders[data[0] % std::size(kHeaders)];
  const std::span<const uint8_t> record(data + 1, size - 1);
  CapturedFrame frame;
  if (ParseCapturedFrame(header, record, frame) == FrameResult::kBeacon) {
    // The elements are a view into the record, never outside it.
    Check(frame.elements.data() >= record.data());
    Check(frame.elements.data() + frame.elements.size() <= record.data() + record.size());
    const uint32_t kHz = FrequencyFromElements(frame.elements);
    Check(kHz == 0 || (kHz >= 2412000 && kHz <= 7115000));
  }
  return 0;
}

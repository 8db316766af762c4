// libFuzzer target for the information element decoder: the first byte picks the primary
// frequency (one of each band, or none), the second the capability field's privacy bit, and
// the rest is the element blob, exactly as a beacon from anyone in radio range may carry it.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <string_view>

#include "ieee80211/elements.h"
#include "ieee80211/oui_registry.h"

namespace {

using namespace quorvan::ieee80211;

constexpr uint32_t kPrimaries[] = {0,       2412000, 2484000, 4920000, 5180000,
                                   5825000, 5935000, 5975000, 7115000};

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const uint32_t primary = kPrimaries[data[0] % std::size(kPrimaries)];
  if (data[0] == 0xff) {
    // Now and then the registry's CSV reader instead: every byte must land in some field.
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::size_t fieldBytes = 0;
    for (const auto& record : ParseCsv(text)) {
      for (const auto& field : record) fieldBytes += field.size();
    }
    Check(fieldBytes <= text.size());
    return 0;
  }
  const uint16_t capability = (data[1] & 1) ? 0x0411 : 0x0401;
  const std::span<const uint8_t> ies(data + 2, size - 2);

  const BssDetails details = DecodeElements(ies, capability, primary);
  const int width = details.channelWidthMhz;
  Check(width == 20 || width == 40 || width == 80 || width == 160 || width == 320);
  Check(details.ssid.size() <= 32);
  Check(!details.channelUtilization ||
        (*details.channelUtilization >= 0 && *details.channelUtilization <= 100));
  Check(details.country.empty() || details.country.size() == 2);
  Check(!SecurityLabel(details.security).empty());
  Check(!GenerationLabel(details).empty());
  if (details.band == Band::kUnknown) Check(details.centerFrequencyKhz == 0);
  if (details.centerFrequencyKhz != 0) {
    Check(details.centerFrequencyKhz >= 2400000 && details.centerFrequencyKhz <= 7200000);
  }
  if (details.rsn) Check(details.rsn->akmSuites.size() <= ies.size() / 4);

  // The listing covers the blob exactly: whole elements end to end, or a cut one last.
  std::size_t covered = 0;
  bool sawTruncated = false;
  for (const ElementInfo& info : ListElements(ies)) {
    Check(!sawTruncated);
    sawTruncated = info.truncated;
    Check(!info.name.empty());
    covered += (info.truncated && info.data.empty() && covered + 1 == ies.size() ? 1 : 2) +
               info.data.size();
  }
  Check(sawTruncated == details.truncated);
  Check(covered == ies.size());
  return 0;
}

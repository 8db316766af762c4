#include "wlan/linux/frame_observation.h"

#include <algorithm>
#include <utility>

#include "ieee80211/elements.h"
#include "scenario/scenario_file.h"
#include "wlan/link_quality.h"
#include "wlan/linux/file_time.h"

namespace quorvan {

ieee80211::FrameResult ParseCapturedRecord(ieee80211::CaptureHeader header,
                                           std::span<const uint8_t> captured, uint32_t length,
                                           ieee80211::CapturedFrame& frame) {
  if (captured.size() < length) return ieee80211::FrameResult::kTruncated;
  const ieee80211::FrameResult result = ieee80211::ParseCapturedFrame(header, captured, frame);
  if (result == ieee80211::FrameResult::kBeacon &&
      frame.elements.size() > kScenarioMaxElementBytes) {
    return ieee80211::FrameResult::kMalformed;
  }
  return result;
}

BssObservation ObservationOfFrame(int64_t timeUs, const ieee80211::CapturedFrame& frame) {
  BssObservation bss;
  bss.bssid = frame.bssid;
  ieee80211::ElementReader reader(frame.elements);
  ieee80211::Element element;
  while (reader.Next(element)) {
    if (element.id == ieee80211::kElementSsid) {
      std::copy_n(element.data.begin(), std::min(element.data.size(), bss.ssid.size()),
                  bss.ssid.begin());
      break;
    }
  }
  // Without a signal the frame says nothing of strength: 0 dBm, as a scenario BSS without
  // "rssi" has, and the quality that follows from it.
  bss.rssi = frame.signalDbm.value_or(0);
  bss.linkQuality = LinkQualityFromRssi(bss.rssi);
  bss.timestamp = frame.timestamp;
  bss.hostTimestamp = static_cast<uint64_t>(static_cast<int64_t>(kFileTimeUnixEpoch) + timeUs * 10);
  bss.centerFrequency = frame.frequencyKhz != 0 ? frame.frequencyKhz
                                                : ieee80211::FrequencyFromElements(frame.elements);
  bss.beaconPeriod = frame.beaconInterval;
  bss.capability = frame.capability;
  bss.ies.assign(frame.elements.begin(), frame.elements.end());
  return bss;
}

void HeardBsses::Add(int64_t timeUs, const ieee80211::CapturedFrame& frame) {
  uint64_t key = 0;
  for (uint8_t byte : frame.bssid) key = (key << 8) | byte;
  const auto [at, inserted] = positions_.try_emplace(key, bsses_.size());
  if (inserted) {
    bsses_.push_back(ObservationOfFrame(timeUs, frame));
  } else {
    bsses_[at->second] = ObservationOfFrame(timeUs, frame);
  }
}

std::vector<BssObservation> HeardBsses::Take() {
  positions_.clear();
  return std::exchange(bsses_, {});
}

}  // namespace quorvan

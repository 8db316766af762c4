#pragma once

// What a captured beacon or probe response says of its BSS, and the BSSes heard over a stretch
// of time: shared by the replay of captures (wlan/linux/pcap_capture.h) and the live monitor
// interface (wlan/linux/monitor_service.h), so that both list a frame alike. Portable.

#include <cstddef>
#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

#include "ieee80211/frames.h"
#include "tracking/scan_cycle.h"

namespace quorvan {

// The entry a query lists for `frame`, captured at `timeUs` (microseconds since 1970): its
// BSSID, SSID, signal, frequency (the capture header's, else the elements'), timers and
// elements.
BssObservation ObservationOfFrame(int64_t timeUs, const ieee80211::CapturedFrame& frame);

// What a captured record holds: `captured`, the bytes kept of a record `length` bytes long.
// A record cut by the capture's snapshot length is truncated; a beacon whose elements are longer
// than any frame body is malformed, since a recording of it could not be replayed.
ieee80211::FrameResult ParseCapturedRecord(ieee80211::CaptureHeader header,
                                           std::span<const uint8_t> captured, uint32_t length,
                                           ieee80211::CapturedFrame& frame);

// Every BSS heard once, with the fields of its last frame, in the order first heard.
class HeardBsses {
 public:
  void Add(int64_t timeUs, const ieee80211::CapturedFrame& frame);
  bool Empty() const { return bsses_.empty(); }
  // What was heard; the next stretch starts empty.
  std::vector<BssObservation> Take();

 private:
  std::vector<BssObservation> bsses_;
  std::unordered_map<uint64_t, std::size_t> positions_;  // BSSID -> its place in bsses_
};

}  // namespace quorvan

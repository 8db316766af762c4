#pragma once

// Beacons and probe responses as a capture holds them: the capture header a monitor interface
// puts in front (radiotap, Prism, PPI, or none), then the 802.11 management frame. Portable:
// no platform header and no capture library; the caller hands over one record's bytes.
//
// Units: frequencies in kHz, signals in dBm, the TSF in microseconds.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace quorvan::ieee80211 {

// What precedes the 802.11 frame in each record (the capture's link type).
enum class CaptureHeader {
  kNone,      // plain 802.11 (LINKTYPE_IEEE802_11, 105)
  kRadiotap,  // LINKTYPE_IEEE802_11_RADIOTAP, 127
  kPrism,     // LINKTYPE_PRISM_HEADER, 119
  kPpi,       // LINKTYPE_PPI, 192, with an 802.11 frame inside
};

// What became of one record.
enum class FrameResult {
  kBeacon,     // a beacon or probe response: `frame` holds it
  kOther,      // a well-formed frame of another kind (data, control, other management)
  kTruncated,  // the record ends before a header, a field or the fixed fields do
  kMalformed,  // a header that cannot be read: unknown version, a length that contradicts itself
  kBadFcs,     // the capture header says the frame check sequence failed
};
inline constexpr int kFrameResultCount = 5;

// A beacon or probe response. `elements` views the caller's bytes, without any FCS.
struct CapturedFrame {
  std::array<uint8_t, 6> bssid = {};  // address 3
  uint64_t timestamp = 0;             // the Timestamp field, the BSS's timer in us
  uint16_t beaconInterval = 0;        // time units
  uint16_t capability = 0;
  std::span<const uint8_t> elements;
  std::optional<int32_t> signalDbm;  // the capture header's first dBm signal
  uint32_t frequencyKhz = 0;         // the capture header's channel; 0 when it has none
};

// Parses one record. Never reads outside `record`. `frame` is meaningful for kBeacon only.
FrameResult ParseCapturedFrame(CaptureHeader header, std::span<const uint8_t> record,
                               CapturedFrame& frame);

// The primary channel's frequency as the elements tell it: the HE Operation element's 6 GHz
// information (5950 + 5n MHz), else the DS Parameter Set (1-13: 2407 + 5n, 14: 2484, 32-177:
// 5000 + 5n MHz). 0 when neither tells. kHz.
uint32_t FrequencyFromElements(std::span<const uint8_t> elements);

// The frequency of a 2.4 or 5 GHz channel number as the DS Parameter Set uses them; 0 for
// any other number. kHz.
uint32_t FrequencyOfDsChannel(int channel);

}  // namespace quorvan::ieee80211

#include "ieee80211/frames.h"

#include <cstddef>
#include <iterator>

#include "ieee80211/elements.h"

namespace quorvan::ieee80211 {
namespace {

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint64_t Le64(const uint8_t* p) { return Le32(p) | (static_cast<uint64_t>(Le32(p + 4)) << 32); }

// What a capture header tells about the frame behind it.
struct HeaderInfo {
  std::size_t length = 0;  // bytes before the 802.11 frame
  bool fcsAtEnd = false;
  bool badFcs = false;
  std::optional<int32_t> signalDbm;
  uint32_t frequencyKhz = 0;
};

// Radiotap fields in the default namespace, by presence bit: alignment and size in bytes
// (radiotap.org's field list). A set bit past the known ones has an unknown size, so the walk
// stops there; the frame still starts where the header's length says.
struct RadiotapField {
  uint8_t align;
  uint8_t size;
};
constexpr RadiotapField kRadiotapFields[] = {
    {8, 8},   // 0 TSFT
    {1, 1},   // 1 Flags
    {1, 1},   // 2 Rate
    {2, 4},   // 3 Channel: frequency (MHz), flags
    {2, 2},   // 4 FHSS
    {1, 1},   // 5 dBm antenna signal
    {1, 1},   // 6 dBm antenna noise
    {2, 2},   // 7 Lock quality
    {2, 2},   // 8 TX attenuation
    {2, 2},   // 9 dB TX attenuation
    {1, 1},   // 10 dBm TX power
    {1, 1},   // 11 Antenna
    {1, 1},   // 12 dB antenna signal
    {1, 1},   // 13 dB antenna noise
    {2, 2},   // 14 RX flags
    {2, 2},   // 15 TX flags
    {1, 1},   // 16 RTS retries
    {1, 1},   // 17 data retries
    {4, 8},   // 18 XChannel
    {1, 3},   // 19 MCS
    {4, 8},   // 20 A-MPDU status
    {2, 12},  // 21 VHT
    {8, 12},  // 22 timestamp
    {2, 12},  // 23 HE
    {2, 12},  // 24 HE-MU
    {2, 6},   // 25 HE-MU-other-user
    {1, 1},   // 26 0-length PSDU
    {2, 4},   // 27 L-SIG
};
constexpr int kRadiotapFlags = 1;
constexpr int kRadiotapChannel = 3;
constexpr int kRadiotapDbmSignal = 5;
constexpr int kRadiotapNamespace = 29;
constexpr int kRadiotapVendorNamespace = 30;
constexpr int kRadiotapExtended = 31;
constexpr uint8_t kFlagFcsAtEnd = 0x10;
constexpr uint8_t kFlagBadFcs = 0x40;

FrameResult ReadRadiotap(std::span<const uint8_t> record, HeaderInfo& info) {
  if (record.size() < 8) return FrameResult::kTruncated;
  if (record[0] != 0) return FrameResult::kMalformed;
  const std::size_t length = Le16(&record[2]);
  if (length < 8) return FrameResult::kMalformed;
  if (length > record.size()) return FrameResult::kTruncated;
  const std::span<const uint8_t> header = record.first(length);
  info.length = length;

  // The presence words come first, one after another while bit 31 is set.
  std::size_t words = 1;
  while (Le32(&header[4 + 4 * (words - 1)]) & (1u << kRadiotapExtended)) {
    if (4 + 4 * (words + 1) > header.size()) return FrameResult::kMalformed;
    ++words;
  }

  std::size_t at = 4 + 4 * words;
  bool defaultNamespace = true;  // the first word is always radiotap's own
  bool haveFlags = false, haveChannel = false;
  std::size_t vendorSkip = 0;
  for (std::size_t w = 0; w < words; ++w) {
    const uint32_t present = Le32(&header[4 + 4 * w]);
    if (!defaultNamespace) {
      // A vendor namespace's fields are opaque: its header said how many bytes they take.
      if (vendorSkip > header.size() - at) return FrameResult::kMalformed;
      at += vendorSkip;
      vendorSkip = 0;
    } else {
      for (int bit = 0; bit < kRadiotapNamespace; ++bit) {
        if (!(present & (1u << bit))) continue;
        // Fields numbered past the first word in one namespace are not defined: unknown size.
        if (w > 0 && !(Le32(&header[4 + 4 * (w - 1)]) &
                       ((1u << kRadiotapNamespace) | (1u << kRadiotapVendorNamespace)))) {
          return FrameResult::kBeacon;  // fields so far stand; the frame is where length says
        }
        if (bit >= static_cast<int>(std::size(kRadiotapFields))) return FrameResult::kBeacon;
        const RadiotapField field = kRadiotapFields[bit];
        at = (at + field.align - 1) / field.align * field.align;
        if (at > header.size() || field.size > header.size() - at) return FrameResult::kMalformed;
        const uint8_t* p = &header[at];
        if (bit == kRadiotapFlags && !haveFlags) {
          haveFlags = true;
          info.fcsAtEnd = (p[0] & kFlagFcsAtEnd) != 0;
          info.badFcs = (p[0] & kFlagBadFcs) != 0;
        } else if (bit == kRadiotapChannel && !haveChannel) {
          haveChannel = true;
          info.frequencyKhz = static_cast<uint32_t>(Le16(p)) * 1000;
        } else if (bit == kRadiotapDbmSignal && !info.signalDbm) {
          info.signalDbm = static_cast<int8_t>(p[0]);
        }
        at += field.size;
      }
    }
    if (present & (1u << kRadiotapVendorNamespace)) {
      // OUI (3), sub-namespace (1), skip length (2), aligned to 2.
      at = (at + 1) / 2 * 2;
      if (at > header.size() || 6 > header.size() - at) return FrameResult::kMalformed;
      vendorSkip = Le16(&header[at + 4]);
      at += 6;
      defaultNamespace = false;
    } else if (present & (1u << kRadiotapNamespace)) {
      defaultNamespace = true;
    }
  }
  return FrameResult::kBeacon;
}

// The Prism monitor header (wlan-ng): message code, length, device name (16), then ten items
// of DID (4), status (2), length (2), data (4), in the capturing host's order, little endian
// on every host that wrote one.
constexpr std::size_t kPrismLength = 144;
constexpr std::size_t kPrismItems = 24;
constexpr std::size_t kPrismItemSize = 12;
constexpr int kPrismChannelItem = 2;
constexpr int kPrismSignalItem = 5;

FrameResult ReadPrism(std::span<const uint8_t> record, HeaderInfo& info) {
  if (record.size() < kPrismLength) return FrameResult::kTruncated;
  if (Le32(&record[4]) != kPrismLength) return FrameResult::kMalformed;
  info.length = kPrismLength;
  const auto item = [&](int index) -> std::optional<uint32_t> {
    const uint8_t* p = &record[kPrismItems + index * kPrismItemSize];
    if (Le16(p + 4) != 0) return std::nullopt;  // status 0: the item holds a value
    return Le32(p + 8);
  };
  if (const auto channel = item(kPrismChannelItem)) {
    info.frequencyKhz = *channel <= 200 ? FrequencyOfDsChannel(static_cast<int>(*channel)) : 0;
  }
  if (const auto signal = item(kPrismSignalItem)) {
    info.signalDbm = static_cast<int32_t>(*signal);
  }
  return FrameResult::kBeacon;
}

// PPI: version (1), flags (1), length (2), link type (4), then fields of type (2), length (2),
// data; the 802.11-Common field (type 2) carries the FCS flags, channel and signal.
constexpr uint32_t kPpiLinkIeee80211 = 105;
constexpr uint16_t kPpiCommon = 2;
constexpr std::size_t kPpiCommonSize = 20;

FrameResult ReadPpi(std::span<const uint8_t> record, HeaderInfo& info) {
  if (record.size() < 8) return FrameResult::kTruncated;
  if (record[0] != 0) return FrameResult::kMalformed;
  const std::size_t length = Le16(&record[2]);
  if (length < 8) return FrameResult::kMalformed;
  if (length > record.size()) return FrameResult::kTruncated;
  if (Le32(&record[4]) != kPpiLinkIeee80211) return FrameResult::kOther;
  info.length = length;
  std::size_t at = 8;
  while (length - at >= 4) {
    const uint16_t type = Le16(&record[at]);
    const std::size_t size = Le16(&record[at + 2]);
    at += 4;
    if (size > length - at) return FrameResult::kMalformed;
    if (type == kPpiCommon && size >= kPpiCommonSize) {
      const uint8_t* p = &record[at];
      const uint16_t flags = Le16(p + 8);
      info.fcsAtEnd = (flags & 0x1) != 0;
      info.badFcs = (flags & 0x4) != 0;
      info.frequencyKhz = static_cast<uint32_t>(Le16(p + 12)) * 1000;
      info.signalDbm = static_cast<int8_t>(p[18]);
    }
    at += size;
  }
  return FrameResult::kBeacon;
}

// The management header: frame control (2), duration (2), three addresses, sequence control
// (2), and the HT Control field (4) when the Order bit is set; then the fixed fields of a beacon
// or probe response: timestamp (8), beacon interval (2), capability (2).
constexpr std::size_t kManagementHeader = 24;
constexpr std::size_t kFixedFields = 12;
constexpr uint8_t kSubtypeProbeResponse = 5;
constexpr uint8_t kSubtypeBeacon = 8;

FrameResult ReadManagement(std::span<const uint8_t> frame, CapturedFrame& out) {
  if (frame.size() < 2) return FrameResult::kTruncated;
  if ((frame[0] & 0x03) != 0) return FrameResult::kMalformed;  // protocol version 0 only
  const uint8_t type = (frame[0] >> 2) & 0x03;
  const uint8_t subtype = frame[0] >> 4;
  if (type != 0 || (subtype != kSubtypeBeacon && subtype != kSubtypeProbeResponse)) {
    return FrameResult::kOther;
  }
  const std::size_t header = kManagementHeader + ((frame[1] & 0x80) ? 4 : 0);
  if (frame.size() < header + kFixedFields) return FrameResult::kTruncated;
  for (std::size_t i = 0; i < 6; ++i) out.bssid[i] = frame[16 + i];
  const uint8_t* fixed = &frame[header];
  out.timestamp = Le64(fixed);
  out.beaconInterval = Le16(fixed + 8);
  out.capability = Le16(fixed + 10);
  out.elements = frame.subspan(header + kFixedFields);
  return FrameResult::kBeacon;
}

}  // namespace

FrameResult ParseCapturedFrame(CaptureHeader header, std::span<const uint8_t> record,
                               CapturedFrame& frame) {
  frame = CapturedFrame{};
  HeaderInfo info;
  FrameResult result = FrameResult::kBeacon;
  switch (header) {
    case CaptureHeader::kNone:
      break;
    case CaptureHeader::kRadiotap:
      result = ReadRadiotap(record, info);
      break;
    case CaptureHeader::kPrism:
      result = ReadPrism(record, info);
      break;
    case CaptureHeader::kPpi:
      result = ReadPpi(record, info);
      break;
  }
  if (result != FrameResult::kBeacon) return result;
  if (info.badFcs) return FrameResult::kBadFcs;
  std::span<const uint8_t> body = record.subspan(info.length);
  if (info.fcsAtEnd) {
    if (body.size() < 4) return FrameResult::kTruncated;
    body = body.first(body.size() - 4);
  }
  result = ReadManagement(body, frame);
  if (result != FrameResult::kBeacon) return result;
  frame.signalDbm = info.signalDbm;
  frame.frequencyKhz = info.frequencyKhz;
  return FrameResult::kBeacon;
}

uint32_t FrequencyOfDsChannel(int channel) {
  if (channel >= 1 && channel <= 13) return static_cast<uint32_t>(2407 + 5 * channel) * 1000;
  if (channel == 14) return 2484000;
  if (channel >= 32 && channel <= 177) return static_cast<uint32_t>(5000 + 5 * channel) * 1000;
  return 0;
}

uint32_t FrequencyFromElements(std::span<const uint8_t> elements) {
  // A 6 GHz BSS names its channel in the HE Operation element; the DS Parameter Set, where a
  // 6 GHz beacon carries one at all, is not about that band.
  std::optional<int> dsChannel;
  ElementReader reader(elements);
  Element element;
  while (reader.Next(element)) {
    if (element.truncated) break;
    if (element.id == kElementDsParameterSet && !dsChannel && !element.data.empty()) {
      dsChannel = element.data[0];
    }
    if (element.id == kElementExtension && element.extensionId == kExtensionHeOperation) {
      // HE Operation: parameters (3), BSS colour (1), basic HE-MCS and NSS set (2), then the
      // optional parts bits 14, 15 and 17 announce; the 6 GHz information begins with the
      // primary channel.
      const std::span<const uint8_t> data = element.data;
      if (data.size() < 6) continue;
      const uint32_t parameters = data[0] | (data[1] << 8) | (data[2] << 16);
      std::size_t at = 6;
      if (parameters & (1u << 14)) at += 3;
      if (parameters & (1u << 15)) at += 1;
      if ((parameters & (1u << 17)) && at + 5 <= data.size()) {
        const int primary = data[at];
        if (primary >= 1 && primary <= 233) return static_cast<uint32_t>(5950 + 5 * primary) * 1000;
      }
    }
  }
  return dsChannel ? FrequencyOfDsChannel(*dsChannel) : 0;
}

}  // namespace quorvan::ieee80211

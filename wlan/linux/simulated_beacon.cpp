#include "wlan/linux/simulated_beacon.h"

#include <initializer_list>

namespace quorvan {
namespace {

// Element IDs (IEEE 802.11-2020, 9.4.2) and the extension IDs behind ID 255.
enum : uint8_t {
  kSsid = 0,
  kSupportedRates = 1,
  kDsParameterSet = 3,
  kTim = 5,
  kCountry = 7,
  kBssLoad = 11,
  kErp = 42,
  kHtCapabilities = 45,
  kRsn = 48,
  kExtendedRates = 50,
  kHtOperation = 61,
  kExtendedCapabilities = 127,
  kVhtCapabilities = 191,
  kVhtOperation = 192,
  kVendorSpecific = 221,
  kExtension = 255,
  kHeCapabilities = 35,
  kHeOperation = 36,
  kEhtOperation = 106,
  kEhtCapabilities = 108,
};

// Capability Information bits.
constexpr uint16_t kEss = 0x0001, kPrivacy = 0x0010, kShortPreamble = 0x0020,
                   kSpectrumManagement = 0x0100, kShortSlotTime = 0x0400;

// AKM suite types under 00-0F-AC.
constexpr uint8_t kAkm8021X = 1, kAkmPsk = 2, kAkmSae = 8, kAkmOwe = 18;

enum class Band { k2g, k5g, k6g };

Band BandOf(uint32_t mhz) { return mhz < 3000 ? Band::k2g : mhz < 5925 ? Band::k5g : Band::k6g; }

class Elements {
 public:
  explicit Elements(std::vector<uint8_t>& out) : out_(out) {}

  // One element; returns where its body starts.
  std::size_t Add(uint8_t id, std::initializer_list<uint8_t> body) {
    return Add(id, std::vector<uint8_t>(body));
  }
  std::size_t Add(uint8_t id, const std::vector<uint8_t>& body) {
    out_.push_back(id);
    out_.push_back(static_cast<uint8_t>(body.size()));
    const std::size_t at = out_.size();
    out_.insert(out_.end(), body.begin(), body.end());
    return at;
  }
  void AddExtension(uint8_t extensionId, std::vector<uint8_t> body) {
    body.insert(body.begin(), extensionId);
    Add(kExtension, body);
  }

 private:
  std::vector<uint8_t>& out_;
};

void Append(std::vector<uint8_t>& to, std::initializer_list<uint8_t> bytes) {
  to.insert(to.end(), bytes.begin(), bytes.end());
}

void AppendLe16(std::vector<uint8_t>& to, uint16_t value) {
  Append(to, {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)});
}

void AppendLe32(std::vector<uint8_t>& to, uint32_t value) {
  for (int i = 0; i < 4; ++i) to.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

std::vector<uint8_t> Rsn(Security security) {
  std::vector<uint8_t> body = {0x01, 0x00, 0x00, 0x0F, 0xAC, 0x04,   // version 1, group CCMP
                               0x01, 0x00, 0x00, 0x0F, 0xAC, 0x04};  // one pairwise: CCMP
  std::vector<uint8_t> akms;
  uint16_t capabilities = 0;
  constexpr uint16_t kMfpRequired = 0x0040, kMfpCapable = 0x0080;
  switch (security) {
    case Security::kWpa2Psk:
      akms = {kAkmPsk};
      break;
    case Security::kWpa3Sae:
      akms = {kAkmSae};
      capabilities = kMfpRequired | kMfpCapable;
      break;
    case Security::kSaePsk:
      akms = {kAkmPsk, kAkmSae};
      capabilities = kMfpCapable;
      break;
    case Security::kWpa2Enterprise:
      akms = {kAkm8021X};
      capabilities = kMfpCapable;
      break;
    case Security::kOwe:
      akms = {kAkmOwe};
      capabilities = kMfpRequired | kMfpCapable;
      break;
    case Security::kOpen:
      return {};
  }
  AppendLe16(body, static_cast<uint16_t>(akms.size()));
  for (const uint8_t akm : akms) Append(body, {0x00, 0x0F, 0xAC, akm});
  AppendLe16(body, capabilities);
  if ((capabilities & kMfpCapable) != 0) {
    Append(body, {0x00, 0x00, 0x00, 0x0F, 0xAC, 0x06});  // no PMKIDs; management frames BIP-CMAC
  }
  return body;
}

std::vector<uint8_t> Country(Band band) {
  // "DE", all environments, then (first channel, channels, dBm) triplets, padded to an even
  // length; 6 GHz names its operating class instead.
  switch (band) {
    case Band::k2g:
      return {'D', 'E', 0x20, 1, 13, 20};
    case Band::k5g:
      return {'D', 'E', 0x20, 36, 4, 23, 52, 4, 20, 100, 11, 27, 149, 4, 14, 0};
    case Band::k6g:
      return {'D', 'E', 0x04, 201, 131, 0};
  }
  return {};
}

std::vector<uint8_t> HtCapabilities(uint16_t width) {
  // LDPC, SM power save off, short GI for 20 (and 40) MHz, Rx STBC of one stream.
  uint16_t info = 0x0001 | 0x000C | 0x0020 | 0x0100;
  if (width >= 40) info |= 0x0002 | 0x0040;
  std::vector<uint8_t> body;
  AppendLe16(body, info);
  body.push_back(0x17);  // A-MPDU: 64 KiB, 8 us spacing
  // Rx MCS 0-15 (two streams), Tx set as Rx.
  Append(body, {0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0, 0, 0});
  Append(body, {0, 0, 0, 0, 0, 0, 0});  // extended, beamforming and antenna selection
  return body;
}

std::vector<uint8_t> HtOperation(int primary, uint16_t width, uint32_t mhz) {
  uint8_t secondary = 0;  // none
  if (width >= 40) {
    // 2.4 GHz: above up to channel 7; elsewhere the other half of the 40 MHz pair.
    const bool above = BandOf(mhz) == Band::k2g ? primary <= 7 : ((primary / 4) % 2) == 1;
    secondary = above ? 1 : 3;
  }
  std::vector<uint8_t> body = {static_cast<uint8_t>(primary),
                               static_cast<uint8_t>(secondary | (width >= 40 ? 0x04 : 0)),
                               0,
                               0,
                               0,
                               0};
  Append(body, {0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});  // basic MCS 0-7
  return body;
}

std::vector<uint8_t> VhtCapabilities(uint16_t width) {
  // 11454-byte MPDUs, Rx LDPC, short GI for 80 (and 160) MHz, A-MPDU 1 MiB.
  uint32_t info = 0x00000002 | 0x00000010 | 0x00000020 | (7u << 23);
  if (width >= 160) info |= 0x00000004 | 0x00000040;
  std::vector<uint8_t> body;
  AppendLe32(body, info);
  Append(body, {0xFA, 0xFF, 0, 0, 0xFA, 0xFF, 0, 0});  // MCS 0-9 on two streams
  return body;
}

std::vector<uint8_t> VhtOperation(uint32_t mhz, uint16_t width) {
  if (width < 80) return {0, 0, 0, 0xFC, 0xFF};
  // 160 MHz as 802.11-2016 signals it: the 80 MHz segment, then the whole channel.
  const auto segment = static_cast<uint8_t>(CentreChannel(mhz, 80));
  const auto whole = static_cast<uint8_t>(width >= 160 ? CentreChannel(mhz, 160) : 0);
  return {1, segment, whole, 0xFC, 0xFF};
}

std::vector<uint8_t> HeCapabilities(Band band, uint16_t width) {
  std::vector<uint8_t> body = {0x09, 0x00, 0x08, 0x12, 0x00, 0x10};  // MAC: +HTC, TWT responder
  uint8_t widths = 0;
  if (band == Band::k2g) {
    if (width >= 40) widths |= 0x02;
  } else {
    widths |= 0x04;
    if (width >= 160) widths |= 0x08;
  }
  Append(body, {widths, 0x20, 0x20, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
  Append(body, {0xFA, 0xFF, 0xFA, 0xFF});  // MCS 0-11 on two streams, up to 80 MHz
  if (band != Band::k2g && width >= 160) Append(body, {0xFA, 0xFF, 0xFA, 0xFF});
  return body;
}

std::vector<uint8_t> HeOperation(Band band, uint32_t mhz, uint16_t width, uint8_t color,
                                 int primary) {
  uint32_t parameters = 0x3FF << 4;  // no RTS threshold
  if (band == Band::k6g) parameters |= 1u << 17;
  std::vector<uint8_t> body = {static_cast<uint8_t>(parameters),
                               static_cast<uint8_t>(parameters >> 8),
                               static_cast<uint8_t>(parameters >> 16),
                               color,
                               0xFC,
                               0xFF};
  if (band == Band::k6g) {
    // HE tells at most 160 MHz; EHT Operation carries a 320 MHz channel.
    const uint16_t shown = width > 160 ? 160 : width;
    const uint8_t code = shown == 20 ? 0 : shown == 40 ? 1 : shown == 80 ? 2 : 3;
    const auto first = static_cast<uint8_t>(shown == 160 ? CentreChannel(mhz, 80)
                                            : shown > 20 ? CentreChannel(mhz, shown)
                                                         : primary);
    const auto second = static_cast<uint8_t>(shown == 160 ? CentreChannel(mhz, 160) : 0);
    Append(body, {static_cast<uint8_t>(primary), code, first, second, 6});  // minimum 6 Mb/s
  }
  return body;
}

std::vector<uint8_t> EhtCapabilities(uint16_t width) {
  std::vector<uint8_t> body = {0x00, 0x00};  // MAC
  Append(body, {static_cast<uint8_t>(width >= 320 ? 0x02 : 0x00), 0, 0, 0, 0, 0, 0, 0, 0});
  Append(body, {0x22, 0x22, 0x22});  // MCS 0-13 on two streams up to 80 MHz
  if (width >= 160) Append(body, {0x22, 0x22, 0x22});
  if (width >= 320) Append(body, {0x22, 0x22, 0x22});
  return body;
}

std::vector<uint8_t> EhtOperation(uint32_t mhz, uint16_t width, int primary) {
  const uint8_t code = width == 20 ? 0 : width == 40 ? 1 : width == 80 ? 2 : width == 160 ? 3 : 4;
  // The whole channel in the second centre, the half holding the primary in the first.
  uint8_t first = static_cast<uint8_t>(width > 20 ? CentreChannel(mhz, width) : primary);
  uint8_t second = 0;
  if (width >= 160) {
    first = static_cast<uint8_t>(CentreChannel(mhz, static_cast<uint16_t>(width / 2)));
    second = static_cast<uint8_t>(CentreChannel(mhz, width));
  }
  return {0x01, 0x11, 0x11, 0x11, 0x11, code, first, second};
}

std::vector<uint8_t> VendorElement(Vendor vendor) {
  switch (vendor) {
    case Vendor::kBroadcom:
      return {0x00, 0x10, 0x18, 0x02, 0x00, 0x00, 0x1C, 0x00, 0x00};
    case Vendor::kQualcomm:
      return {0x00, 0x03, 0x7F, 0x01, 0x01, 0x00, 0x00, 0xFF, 0x7F};
    case Vendor::kMediatek:
      return {0x00, 0x0C, 0xE7, 0x08, 0x00, 0x00, 0x00};
    case Vendor::kAvm:
      return {0x00, 0x04, 0x0E, 0x01, 0x01, 0x02, 0x01, 0x00};
    case Vendor::kApple:
      return {0x00, 0x17, 0xF2, 0x0A, 0x00, 0x01, 0x04, 0x00, 0x00, 0x00, 0x00};
    case Vendor::kNone:
      break;
  }
  return {};
}

}  // namespace

int ChannelOfMhz(uint32_t mhz) {
  if (mhz == 2484) return 14;
  if (mhz < 3000) return static_cast<int>(mhz - 2407) / 5;
  if (mhz < 5925) return static_cast<int>(mhz - 5000) / 5;
  return static_cast<int>(mhz - 5950) / 5;
}

int CentreChannel(uint32_t mhz, uint16_t widthMhz) {
  const int channel = ChannelOfMhz(mhz);
  const int span = widthMhz / 5;  // channel numbers the wide channel covers
  // Wide channels are laid from channel 36 (and from 149 above it) at 5 GHz, from 1 at 6 GHz.
  const int origin = BandOf(mhz) == Band::k6g ? 1 : channel >= 149 ? 149 : 36;
  const int first = origin + ((channel - origin) / span) * span;
  return first + span / 2 - 2;
}

Beacon BuildBeacon(const BeaconShape& shape) {
  const Band band = BandOf(shape.mhz);
  const int primary = ChannelOfMhz(shape.mhz);
  const uint16_t width = shape.widthMhz;
  Beacon beacon;
  beacon.capability = kEss;
  if (shape.security != Security::kOpen) beacon.capability |= kPrivacy;
  if (band == Band::k2g) beacon.capability |= kShortPreamble | kShortSlotTime;
  if (band == Band::k5g && primary >= 52 && primary <= 144) {
    beacon.capability |= kSpectrumManagement;  // radar channels
  }

  Elements elements(beacon.ies);
  elements.Add(kSsid, std::vector<uint8_t>(shape.ssid.begin(), shape.ssid.end()));
  if (band == Band::k2g) {
    elements.Add(kSupportedRates, {0x82, 0x84, 0x8B, 0x96, 0x0C, 0x12, 0x18, 0x24});
    elements.Add(kDsParameterSet, {static_cast<uint8_t>(primary)});
  } else {
    elements.Add(kSupportedRates, {0x8C, 0x12, 0x98, 0x24, 0xB0, 0x48, 0x60, 0x6C});
  }
  elements.Add(kTim, {0x00, 0x01, 0x00, 0x00});
  elements.Add(kCountry, Country(band));
  if (shape.bssLoad) beacon.bssLoadAt = elements.Add(kBssLoad, {0, 0, 0, 0x00, 0x00});
  if (band == Band::k2g) elements.Add(kErp, {0x00});
  if (band != Band::k6g) elements.Add(kHtCapabilities, HtCapabilities(width));
  if (shape.security != Security::kOpen) elements.Add(kRsn, Rsn(shape.security));
  if (band == Band::k2g) elements.Add(kExtendedRates, {0x30, 0x48, 0x60, 0x6C});
  if (band != Band::k6g) elements.Add(kHtOperation, HtOperation(primary, width, shape.mhz));
  elements.Add(kExtendedCapabilities, {0x04, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x40});
  if (band == Band::k5g && shape.phy >= Phy::kVht) {
    elements.Add(kVhtCapabilities, VhtCapabilities(width));
    elements.Add(kVhtOperation, VhtOperation(shape.mhz, width));
  }
  if (shape.phy >= Phy::kHe) {
    elements.AddExtension(kHeCapabilities, HeCapabilities(band, width));
    elements.AddExtension(kHeOperation,
                          HeOperation(band, shape.mhz, width, shape.bssColor, primary));
  }
  if (shape.phy >= Phy::kEht) {
    elements.AddExtension(kEhtOperation, EhtOperation(shape.mhz, width, primary));
    elements.AddExtension(kEhtCapabilities, EhtCapabilities(width));
  }
  // Microsoft's OUI: WMM parameters, as every QoS access point sends them, and WPS.
  elements.Add(kVendorSpecific,
               {0x00, 0x50, 0xF2, 0x02, 0x01, 0x01, 0x00, 0x00, 0x03, 0xA4, 0x00, 0x00,
                0x27, 0xA4, 0x00, 0x00, 0x42, 0x43, 0x5E, 0x00, 0x62, 0x32, 0x2F, 0x00});
  if (shape.wps) {
    elements.Add(kVendorSpecific, {0x00, 0x50, 0xF2, 0x04,                    // WPS
                                   0x10, 0x4A, 0x00, 0x01, 0x10,              // version 1.0
                                   0x10, 0x44, 0x00, 0x01, 0x02,              // configured
                                   0x10, 0x49, 0x00, 0x06, 0x00, 0x37, 0x2A,  // WFA extension:
                                   0x00, 0x01, 0x20});                        // version 2.0
  }
  if (shape.vendor != Vendor::kNone) elements.Add(kVendorSpecific, VendorElement(shape.vendor));
  return beacon;
}

void SetBssLoad(std::vector<uint8_t>& ies, std::size_t bodyAt, uint16_t stations,
                uint8_t utilisation) {
  if (bodyAt == 0 || bodyAt + 5 > ies.size()) return;
  ies[bodyAt] = static_cast<uint8_t>(stations);
  ies[bodyAt + 1] = static_cast<uint8_t>(stations >> 8);
  ies[bodyAt + 2] = utilisation;
  // Admission capacity left, in 32 us units per second, shrinking as the channel fills.
  const auto capacity = static_cast<uint16_t>((255 - utilisation) * 120);
  ies[bodyAt + 3] = static_cast<uint8_t>(capacity);
  ies[bodyAt + 4] = static_cast<uint8_t>(capacity >> 8);
}

}  // namespace quorvan

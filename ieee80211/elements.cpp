#include "ieee80211/elements.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace quorvan::ieee80211 {
namespace {

// Bit 4 of the capability field (IEEE 802.11-2020 9.4.1.4).
constexpr uint16_t kCapabilityPrivacy = 0x0010;

constexpr uint32_t Suite(uint32_t oui, uint8_t type) { return (oui << 8) | type; }

uint16_t ReadLe16(std::span<const uint8_t> bytes, std::size_t at) {
  return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

uint32_t ReadSuite(std::span<const uint8_t> bytes, std::size_t at) {
  return (static_cast<uint32_t>(bytes[at]) << 24) | (static_cast<uint32_t>(bytes[at + 1]) << 16) |
         (static_cast<uint32_t>(bytes[at + 2]) << 8) | bytes[at + 3];
}

struct NamedId {
  uint8_t id;
  std::string_view name;
};

// IEEE 802.11-2020 Table 9-92, the elements a beacon or probe response commonly carries.
constexpr NamedId kElementNames[] = {
    {0, "SSID"},
    {1, "Supported Rates"},
    {3, "DS Parameter Set"},
    {4, "CF Parameter Set"},
    {5, "TIM"},
    {6, "IBSS Parameter Set"},
    {7, "Country"},
    {11, "BSS Load"},
    {12, "EDCA Parameter Set"},
    {32, "Power Constraint"},
    {35, "TPC Report"},
    {37, "Channel Switch Announcement"},
    {42, "ERP Information"},
    {45, "HT Capabilities"},
    {48, "RSN"},
    {50, "Extended Supported Rates"},
    {54, "Mobility Domain"},
    {59, "Supported Operating Classes"},
    {61, "HT Operation"},
    {62, "Secondary Channel Offset"},
    {70, "RM Enabled Capabilities"},
    {71, "Multiple BSSID"},
    {72, "20/40 BSS Coexistence"},
    {74, "Overlapping BSS Scan Parameters"},
    {107, "Interworking"},
    {108, "Advertisement Protocol"},
    {111, "Roaming Consortium"},
    {113, "Mesh Configuration"},
    {114, "Mesh ID"},
    {127, "Extended Capabilities"},
    {191, "VHT Capabilities"},
    {192, "VHT Operation"},
    {193, "Extended BSS Load"},
    {194, "Wide Bandwidth Channel Switch"},
    {195, "Transmit Power Envelope"},
    {196, "Channel Switch Wrapper"},
    {199, "Operating Mode Notification"},
    {201, "Reduced Neighbor Report"},
    {221, "Vendor Specific"},
    {244, "RSN Extension"},
    {255, "Element ID Extension"},
};

// Table 9-92, the extensions (ID 255) of 802.11ax and 802.11be.
constexpr NamedId kExtensionNames[] = {
    {35, "HE Capabilities"},
    {36, "HE Operation"},
    {37, "UORA Parameter Set"},
    {38, "MU EDCA Parameter Set"},
    {39, "Spatial Reuse Parameter Set"},
    {55, "Multiple BSSID Configuration"},
    {59, "HE 6 GHz Band Capabilities"},
    {106, "EHT Operation"},
    {107, "Multi-Link"},
    {108, "EHT Capabilities"},
};

struct NamedVendor {
  uint32_t oui;
  uint8_t type;
  std::string_view name;
};

constexpr NamedVendor kVendorNames[] = {
    {kOuiMicrosoft, 1, "Vendor Specific (Microsoft WPA)"},
    {kOuiMicrosoft, 2, "Vendor Specific (Microsoft WMM)"},
    {kOuiMicrosoft, 4, "Vendor Specific (WPS)"},
    {kOuiWifiAlliance, 0x09, "Vendor Specific (Wi-Fi Alliance P2P)"},
    {kOuiWifiAlliance, 0x10, "Vendor Specific (Wi-Fi Alliance Hotspot 2.0)"},
    {kOuiWifiAlliance, 0x16, "Vendor Specific (Wi-Fi Alliance MBO-OCE)"},
    {kOuiWifiAlliance, 0x1C, "Vendor Specific (Wi-Fi Alliance OWE Transition)"},
};

template <std::size_t N>
std::string_view FindName(const NamedId (&table)[N], uint8_t id) {
  for (const NamedId& entry : table) {
    if (entry.id == id) return entry.name;
  }
  return "Unknown";
}

// What an AKM suite says about the BSS's security, IEEE 802.11-2020 Table 9-151 (00-0F-AC),
// the Wi-Fi Alliance's OSEN and DPP (50-6F-9A), and WPA's two (00-50-F2).
enum class AkmKind { kOther, kPsk, kSae, kOwe, kEap, kEapSha256, kSuiteB };

struct AkmClass {
  uint32_t suite;
  AkmKind kind;
};

constexpr AkmClass kAkmClasses[] = {
    {Suite(kOuiIeee80211, 1), AkmKind::kEap},         // 802.1X
    {Suite(kOuiIeee80211, 2), AkmKind::kPsk},         // PSK
    {Suite(kOuiIeee80211, 3), AkmKind::kEap},         // FT over 802.1X
    {Suite(kOuiIeee80211, 4), AkmKind::kPsk},         // FT-PSK
    {Suite(kOuiIeee80211, 5), AkmKind::kEapSha256},   // 802.1X with SHA-256
    {Suite(kOuiIeee80211, 6), AkmKind::kPsk},         // PSK with SHA-256
    {Suite(kOuiIeee80211, 8), AkmKind::kSae},         // SAE
    {Suite(kOuiIeee80211, 9), AkmKind::kSae},         // FT over SAE
    {Suite(kOuiIeee80211, 11), AkmKind::kSuiteB},     // 802.1X Suite B (SHA-256)
    {Suite(kOuiIeee80211, 12), AkmKind::kSuiteB},     // 802.1X Suite B 192-bit (SHA-384)
    {Suite(kOuiIeee80211, 13), AkmKind::kSuiteB},     // FT over 802.1X, SHA-384
    {Suite(kOuiIeee80211, 14), AkmKind::kEap},        // FILS SHA-256
    {Suite(kOuiIeee80211, 15), AkmKind::kEap},        // FILS SHA-384
    {Suite(kOuiIeee80211, 16), AkmKind::kEap},        // FT over FILS SHA-256
    {Suite(kOuiIeee80211, 17), AkmKind::kEap},        // FT over FILS SHA-384
    {Suite(kOuiIeee80211, 18), AkmKind::kOwe},        // OWE
    {Suite(kOuiIeee80211, 19), AkmKind::kPsk},        // FT-PSK SHA-384
    {Suite(kOuiIeee80211, 20), AkmKind::kPsk},        // PSK SHA-384
    {Suite(kOuiIeee80211, 23), AkmKind::kEapSha256},  // 802.1X with SHA-384
    {Suite(kOuiIeee80211, 24), AkmKind::kSae},        // SAE with group-dependent hash
    {Suite(kOuiIeee80211, 25), AkmKind::kSae},        // FT over SAE, group-dependent hash
    {Suite(kOuiWifiAlliance, 1), AkmKind::kEap},      // OSEN (Hotspot 2.0 sign-up)
    {Suite(kOuiWifiAlliance, 2), AkmKind::kSae},      // DPP: a WPA3-Personal network's
    {Suite(kOuiMicrosoft, 1), AkmKind::kEap},         // WPA 802.1X
    {Suite(kOuiMicrosoft, 2), AkmKind::kPsk},         // WPA PSK
};

AkmKind ClassifyAkm(uint32_t suite) {
  for (const AkmClass& entry : kAkmClasses) {
    if (entry.suite == suite) return entry.kind;
  }
  return AkmKind::kOther;
}

struct AkmSummary {
  bool psk = false;
  bool sae = false;
  bool owe = false;
  bool eap = false;
  bool eapSha256 = false;
  bool suiteB = false;
};

AkmSummary Summarize(const RsnInfo& info) {
  AkmSummary summary;
  for (uint32_t suite : info.akmSuites) {
    switch (ClassifyAkm(suite)) {
      case AkmKind::kPsk:
        summary.psk = true;
        break;
      case AkmKind::kSae:
        summary.sae = true;
        break;
      case AkmKind::kOwe:
        summary.owe = true;
        break;
      case AkmKind::kEap:
        summary.eap = true;
        break;
      case AkmKind::kEapSha256:
        summary.eapSha256 = true;
        break;
      case AkmKind::kSuiteB:
        summary.suiteB = true;
        break;
      case AkmKind::kOther:
        break;
    }
  }
  return summary;
}

Security RsnSecurity(const RsnInfo& rsn) {
  const AkmSummary akm = Summarize(rsn);
  // Transition mode: a WPA3 station uses SAE, a WPA2 one PSK, on the same BSS.
  if (akm.sae && akm.psk) return Security::kWpa2Wpa3Personal;
  if (akm.sae) return Security::kWpa3Personal;
  if (akm.psk) return Security::kWpa2Personal;
  // WPA3-Enterprise: Suite B, or 802.1X with a SHA-256 (or stronger) key hierarchy and
  // management frame protection required; without MFP required it is the transition mode,
  // which a WPA2 station joins as WPA2-Enterprise.
  if (akm.suiteB || (akm.eapSha256 && rsn.mfpRequired)) return Security::kWpa3Enterprise;
  if (akm.eap || akm.eapSha256) return Security::kWpa2Enterprise;
  if (akm.owe) return Security::kOwe;
  // No AKM this table knows: the element's own default AKM is 802.1X.
  return Security::kWpa2Enterprise;
}

Security WpaSecurity(const RsnInfo& wpa) {
  return Summarize(wpa).psk ? Security::kWpaPersonal : Security::kWpaEnterprise;
}

// Reads a suite count and that many suites. A count larger than what follows reads the whole
// suites there are and marks the element malformed.
bool ReadSuiteList(std::span<const uint8_t> data, std::size_t& at, std::vector<uint32_t>& suites,
                   RsnInfo& info) {
  if (data.size() - at < 2) {
    info.malformed = true;
    at = data.size();
    return false;
  }
  const std::size_t count = ReadLe16(data, at);
  at += 2;
  const std::size_t fit = (data.size() - at) / 4;
  const std::size_t take = std::min(count, fit);
  suites.reserve(take);
  for (std::size_t i = 0; i < take; ++i, at += 4) suites.push_back(ReadSuite(data, at));
  if (take < count) {
    info.malformed = true;
    at = data.size();
    return false;
  }
  return true;
}

// The width and centre of a channel described by a channel-width code and two centre
// frequency segments, as VHT Operation carries them (IEEE 802.11-2020 Table 9-274): width 1
// with CCFS1 zero is 80 MHz at CCFS0; with CCFS1 8 channels from CCFS0 it is 160 MHz centred
// at CCFS1; with CCFS1 more than 16 away it is 80+80. Widths 2 and 3 are the deprecated ways
// of saying 160 and 80+80, with the centres in CCFS0 and CCFS1.
struct Channel {
  int widthMhz = 20;
  int center = 0;   // channel number
  int center2 = 0;  // the second segment of 80+80, channel number
};

std::optional<Channel> VhtChannel(uint8_t width, uint8_t ccfs0, uint8_t ccfs1) {
  const int difference = std::abs(static_cast<int>(ccfs1) - static_cast<int>(ccfs0));
  switch (width) {
    case 1:
      if (ccfs1 == 0) return Channel{80, ccfs0, 0};
      if (difference == 8) return Channel{160, ccfs1, 0};
      if (difference > 16) return Channel{160, ccfs0, ccfs1};
      return Channel{80, ccfs0, 0};
    case 2:
      return Channel{160, ccfs0, 0};
    case 3:
      return Channel{160, ccfs0, ccfs1};
    default:
      return std::nullopt;  // 0: 20 or 40 MHz, as HT Operation says
  }
}

// 6 GHz Operation Information width 3 (IEEE 802.11ax-2021 9.4.2.249): 160 MHz centred at
// CCFS1 when CCFS1 is 8 channels from CCFS0 (the primary 80), 80+80 when farther; early
// access points leave CCFS1 zero and give the 160 MHz centre in CCFS0.
Channel SixGhz160(uint8_t ccfs0, uint8_t ccfs1) {
  const int difference = std::abs(static_cast<int>(ccfs1) - static_cast<int>(ccfs0));
  if (ccfs1 != 0 && difference == 8) return Channel{160, ccfs1, 0};
  if (ccfs1 != 0 && difference > 16) return Channel{160, ccfs0, ccfs1};
  return Channel{160, ccfs0, 0};
}

void ReadRates(std::span<const uint8_t> data, BssDetails& details) {
  constexpr std::array<uint8_t, 8> kOfdmRates = {12, 18, 24, 36, 48, 72, 96, 108};
  for (uint8_t byte : data) {
    const uint8_t rate = byte & 0x7F;  // 500 kb/s
    const bool basic = (byte & 0x80) != 0;
    // 121..127 with the basic bit are BSS membership selectors (HT PHY, VHT PHY, SAE H2E
    // only, HE PHY, ...; Table 9-80), not rates.
    if (basic && rate >= 121) continue;
    if (rate == 0) continue;
    const double mbps = rate / 2.0;
    details.highestSupportedRateMbps = std::max(details.highestSupportedRateMbps, mbps);
    if (basic) details.highestBasicRateMbps = std::max(details.highestBasicRateMbps, mbps);
    if (std::find(kOfdmRates.begin(), kOfdmRates.end(), rate) != kOfdmRates.end()) {
      details.hasOfdmRate = true;
    }
  }
}

// The Wi-Fi Simple Configuration attributes: type and length big-endian, 16 bits each.
WpsState ReadWps(std::span<const uint8_t> attributes) {
  constexpr uint16_t kAttributeState = 0x1044;
  std::size_t at = 0;
  while (attributes.size() - at >= 4) {
    const uint16_t type = static_cast<uint16_t>((attributes[at] << 8) | attributes[at + 1]);
    const std::size_t length =
        static_cast<std::size_t>((attributes[at + 2] << 8) | attributes[at + 3]);
    at += 4;
    if (length > attributes.size() - at) break;
    if (type == kAttributeState && length >= 1) {
      if (attributes[at] == 1) return WpsState::kNotConfigured;
      if (attributes[at] == 2) return WpsState::kConfigured;
      return WpsState::kPresent;
    }
    at += length;
  }
  return WpsState::kPresent;
}

bool IsPrintableAscii(uint8_t c) { return c >= 0x20 && c <= 0x7E; }

}  // namespace

bool ElementReader::Next(Element& element) {
  if (rest_.empty() || truncated_) return false;
  element = Element{};
  element.id = rest_[0];
  if (rest_.size() < 2) {
    element.truncated = true;
    truncated_ = true;
    rest_ = {};
    return true;
  }
  const std::size_t length = rest_[1];
  std::span<const uint8_t> data = rest_.subspan(2);
  if (length > data.size()) {
    element.truncated = true;
    truncated_ = true;
    rest_ = {};
  } else {
    data = data.first(length);
    rest_ = rest_.subspan(2 + length);
  }
  if (element.id == kElementExtension && !data.empty()) {
    element.extensionId = data[0];
    data = data.subspan(1);
  }
  element.data = data;
  return true;
}

std::optional<VendorTag> ReadVendorTag(std::span<const uint8_t> data) {
  if (data.size() < 3) return std::nullopt;
  VendorTag tag;
  tag.oui =
      (static_cast<uint32_t>(data[0]) << 16) | (static_cast<uint32_t>(data[1]) << 8) | data[2];
  if (data.size() >= 4) tag.type = data[3];
  return tag;
}

std::string_view ElementName(uint8_t id) { return FindName(kElementNames, id); }

std::string_view ExtensionName(std::optional<uint8_t> extensionId) {
  if (!extensionId) return "Element ID Extension";
  return FindName(kExtensionNames, *extensionId);
}

std::string_view ElementDisplayName(const Element& element) {
  if (element.id == kElementExtension) return ExtensionName(element.extensionId);
  if (element.id != kElementVendorSpecific) return ElementName(element.id);
  const std::optional<VendorTag> tag = ReadVendorTag(element.data);
  if (tag && tag->type) {
    for (const NamedVendor& vendor : kVendorNames) {
      if (vendor.oui == tag->oui && vendor.type == *tag->type) return vendor.name;
    }
  }
  return "Vendor Specific";
}

std::vector<ElementInfo> ListElements(std::span<const uint8_t> ies) {
  std::vector<ElementInfo> list;
  ElementReader reader(ies);
  Element element;
  while (reader.Next(element)) {
    ElementInfo info;
    info.id = element.id;
    info.extensionId = element.extensionId;
    info.name = ElementDisplayName(element);
    if (element.id == kElementVendorSpecific) info.vendor = ReadVendorTag(element.data);
    info.data.reserve(element.data.size() + 1);
    if (element.extensionId) info.data.push_back(*element.extensionId);
    info.data.insert(info.data.end(), element.data.begin(), element.data.end());
    info.truncated = element.truncated;
    list.push_back(std::move(info));
  }
  return list;
}

std::string_view SecurityLabel(Security security) {
  switch (security) {
    case Security::kOpen:
      return "Open";
    case Security::kOwe:
      return "OWE";
    case Security::kWep:
      return "WEP";
    case Security::kWpaPersonal:
      return "WPA-Personal";
    case Security::kWpa2Personal:
      return "WPA2-Personal";
    case Security::kWpa2Wpa3Personal:
      return "WPA2/WPA3-Personal";
    case Security::kWpa3Personal:
      return "WPA3-Personal";
    case Security::kWpaEnterprise:
      return "WPA-Enterprise";
    case Security::kWpa2Enterprise:
      return "WPA2-Enterprise";
    case Security::kWpa3Enterprise:
      return "WPA3-Enterprise";
  }
  return "Open";
}

std::string_view StandardLabel(Standard standard) {
  switch (standard) {
    case Standard::kLegacy:
      return "802.11a/b/g";
    case Standard::kHt:
      return "802.11n";
    case Standard::kVht:
      return "802.11ac";
    case Standard::kHe:
      return "802.11ax";
    case Standard::kEht:
      return "802.11be";
  }
  return "802.11a/b/g";
}

Band BandOfFrequency(uint32_t frequencyKhz) {
  if (frequencyKhz >= 2400000 && frequencyKhz < 2500000) return Band::k2400;
  if (frequencyKhz >= 4900000 && frequencyKhz < 5000000) return Band::k4900;
  if (frequencyKhz >= 5000000 && frequencyKhz < 5935000) return Band::k5000;
  if (frequencyKhz >= 5935000 && frequencyKhz <= 7125000) return Band::k6000;
  return Band::kUnknown;
}

// IEEE 802.11-2020 Annex E (Table E-4) and 802.11ax: channel starting frequencies 2407, 4000,
// 5000 and 5950 MHz; channel 14 is 2484 MHz and 6 GHz channel 2 is 5935 MHz, off the grid.
uint32_t ChannelCenterKhz(Band band, int channel) {
  switch (band) {
    case Band::k2400:
      if (channel == 14) return 2484000;
      if (channel >= 1 && channel <= 13) return static_cast<uint32_t>(2407 + 5 * channel) * 1000;
      return 0;
    case Band::k4900:
      if (channel >= 1 && channel <= 200) return static_cast<uint32_t>(4000 + 5 * channel) * 1000;
      return 0;
    case Band::k5000:
      if (channel >= 1 && channel <= 200) return static_cast<uint32_t>(5000 + 5 * channel) * 1000;
      return 0;
    case Band::k6000:
      if (channel == 2) return 5935000;
      if (channel >= 1 && channel <= 233) return static_cast<uint32_t>(5950 + 5 * channel) * 1000;
      return 0;
    case Band::kUnknown:
      return 0;
  }
  return 0;
}

RsnInfo DecodeRsn(std::span<const uint8_t> data, bool wpa) {
  const uint32_t oui = wpa ? kOuiMicrosoft : kOuiIeee80211;
  const uint32_t defaultCipher = wpa ? Suite(oui, 2) : Suite(oui, 4);  // TKIP : CCMP-128
  const uint32_t defaultAkm = Suite(oui, 1);                           // 802.1X

  RsnInfo info;
  info.groupCipher = defaultCipher;
  if (data.size() < 2) {  // the version is never optional
    info.malformed = true;
    return info;
  }
  std::size_t at = 2;
  // Each optional field may be absent only with all that follows it (IEEE 802.11-2020
  // 9.4.2.24.1); a field cut in half is a fault.
  if (at == data.size()) {
    info.pairwiseCiphers.push_back(defaultCipher);
    info.akmSuites.push_back(defaultAkm);
    return info;
  }
  if (data.size() - at < 4) {
    info.malformed = true;
    return info;
  }
  info.groupCipher = ReadSuite(data, at);
  at += 4;
  if (at == data.size()) {
    info.pairwiseCiphers.push_back(defaultCipher);
    info.akmSuites.push_back(defaultAkm);
    return info;
  }
  if (!ReadSuiteList(data, at, info.pairwiseCiphers, info)) return info;
  if (at == data.size()) {
    info.akmSuites.push_back(defaultAkm);
    return info;
  }
  if (!ReadSuiteList(data, at, info.akmSuites, info)) return info;
  if (wpa || at == data.size()) return info;
  if (data.size() - at < 2) {
    info.malformed = true;
    return info;
  }
  const uint16_t capabilities = ReadLe16(data, at);
  info.mfpRequired = (capabilities & 0x0040) != 0;  // bit 6, Table 9-152
  info.mfpCapable = (capabilities & 0x0080) != 0;   // bit 7
  return info;
}

BssDetails DecodeElements(std::span<const uint8_t> ies, uint16_t capability,
                          uint32_t primaryFrequencyKhz) {
  BssDetails details;
  details.band = BandOfFrequency(primaryFrequencyKhz);
  const bool on24 = details.band == Band::k2400;

  bool seen[256] = {};
  bool seenExtension[256] = {};
  bool haveHt = false, haveVht = false, haveHe = false, haveEht = false;
  std::optional<Channel> htChannel;   // offsets in MHz from the primary in `center`
  std::optional<Channel> vhtChannel;  // from VHT Operation, or the VHT part of HE Operation
  std::optional<Channel> heChannel;   // 6 GHz Operation Information
  std::optional<Channel> ehtChannel;
  std::vector<uint8_t> wpsAttributes;
  bool sawWps = false;

  ElementReader reader(ies);
  Element element;
  while (reader.Next(element)) {
    if (element.truncated) break;  // only what the blob holds whole is believed
    const std::span<const uint8_t> data = element.data;
    if (element.id == kElementExtension) {
      if (!element.extensionId) continue;
      const uint8_t ext = *element.extensionId;
      const bool first = !seenExtension[ext];
      seenExtension[ext] = true;
      if (ext == kExtensionHeCapabilities) haveHe = true;
      if (ext == kExtensionEhtCapabilities) haveEht = true;
      if (ext == kExtensionHeOperation && first) {
        haveHe = true;
        // HE Operation (IEEE 802.11ax-2021 9.4.2.249): parameters (3), BSS colour (1), basic
        // HE-MCS and NSS set (2), then optional parts as bits 14, 15 and 17 announce them.
        if (data.size() < 6) continue;
        const uint32_t parameters = data[0] | (data[1] << 8) | (data[2] << 16);
        std::size_t at = 6;
        if (parameters & (1u << 14)) {  // VHT Operation Information: width, CCFS0, CCFS1
          if (data.size() - at < 3) continue;
          if (!on24) vhtChannel = VhtChannel(data[at], data[at + 1], data[at + 2]);
          at += 3;
        }
        if (parameters & (1u << 15)) {  // Max Co-Hosted BSSID Indicator
          if (data.size() - at < 1) continue;
          at += 1;
        }
        if (parameters & (1u << 17)) {
          // 6 GHz Operation Information: primary channel, control (width in bits 0-1),
          // CCFS0, CCFS1, minimum rate. Width 3 is 160 or 80+80 by the VHT rule.
          if (data.size() - at < 5) continue;
          const uint8_t width = data[at + 1] & 0x03;
          const uint8_t ccfs0 = data[at + 2];
          const uint8_t ccfs1 = data[at + 3];
          heChannel = width == 3 ? SixGhz160(ccfs0, ccfs1) : Channel{20 << width, ccfs0, 0};
        }
      }
      if (ext == kExtensionEhtOperation && first) {
        haveEht = true;
        // EHT Operation (IEEE 802.11be-2024 9.4.2.311): parameters (1), basic EHT-MCS and NSS
        // set (4), then, if bit 0 says so, control (width in bits 0-2), CCFS0, CCFS1. For 160
        // and 320 MHz CCFS0 is the centre of the primary half and CCFS1 of the whole channel.
        if (data.size() < 5 || (data[0] & 0x01) == 0 || data.size() < 8) continue;
        const uint8_t width = data[5] & 0x07;
        const uint8_t ccfs0 = data[6];
        const uint8_t ccfs1 = data[7];
        if (width <= 2) ehtChannel = Channel{20 << width, ccfs0, 0};
        if (width == 3) ehtChannel = Channel{160, ccfs1, 0};
        if (width == 4) ehtChannel = Channel{320, ccfs1, 0};
      }
      continue;
    }

    const bool first = !seen[element.id];
    seen[element.id] = true;
    switch (element.id) {
      case kElementSsid:
        // A name holds at most 32 bytes; a longer element is cut to that.
        if (first)
          details.ssid.assign(data.begin(), data.begin() + std::min<std::size_t>(data.size(), 32));
        break;
      case kElementSupportedRates:
      case kElementExtendedSupportedRates:
        ReadRates(data, details);
        break;
      case kElementDsParameterSet:
        if (first && !data.empty()) details.dsChannel = data[0];
        break;
      case kElementCountry:
        // Country string (IEEE 802.11-2020 9.4.2.8): two letters and the environment.
        if (first && data.size() >= 2 && IsPrintableAscii(data[0]) && IsPrintableAscii(data[1])) {
          details.country.assign(reinterpret_cast<const char*>(data.data()), 2);
          if (data.size() >= 3) details.countryEnvironment = static_cast<char>(data[2]);
        }
        break;
      case kElementBssLoad:
        // Station count (2, little-endian), channel utilisation (1, of 255), capacity (2).
        if (first && data.size() >= 3) {
          details.stationCount = ReadLe16(data, 0);
          details.channelUtilization = (data[2] * 100 + 127) / 255;
        }
        break;
      case kElementHtCapabilities:
        haveHt = true;
        break;
      case kElementHtOperation:
        haveHt = true;
        // Primary channel, then HT Operation Information: secondary channel offset in bits
        // 0-1 (1 above, 3 below), STA channel width in bit 2 (IEEE 802.11-2020 9.4.2.56).
        if (first && data.size() >= 2 && (data[1] & 0x04) != 0) {
          const uint8_t offset = data[1] & 0x03;
          if (offset == 1) htChannel = Channel{40, 10, 0};
          if (offset == 3) htChannel = Channel{40, -10, 0};
        }
        break;
      case kElementRsn:
        if (first) details.rsn = DecodeRsn(data, false);
        break;
      case kElementVhtCapabilities:
        if (!on24) haveVht = true;
        break;
      case kElementVhtOperation:
        if (on24) break;  // VHT is a 5 GHz PHY; some 2.4 GHz chips announce it all the same
        haveVht = true;
        if (first && data.size() >= 3) vhtChannel = VhtChannel(data[0], data[1], data[2]);
        break;
      case kElementVendorSpecific: {
        const std::optional<VendorTag> tag = ReadVendorTag(data);
        if (!tag || tag->oui != kOuiMicrosoft || !tag->type) break;
        if (*tag->type == 1 && !details.wpa) details.wpa = DecodeRsn(data.subspan(4), true);
        if (*tag->type == 4) {
          // A long WPS element is split over several; its attributes run on across them.
          sawWps = true;
          wpsAttributes.insert(wpsAttributes.end(), data.begin() + 4, data.end());
        }
        break;
      }
      default:
        break;
    }
  }
  details.truncated = reader.truncated();

  if (sawWps) details.wps = ReadWps(wpsAttributes);

  if (details.rsn) {
    details.security = RsnSecurity(*details.rsn);
  } else if (details.wpa) {
    details.security = WpaSecurity(*details.wpa);
  } else {
    details.security = (capability & kCapabilityPrivacy) ? Security::kWep : Security::kOpen;
  }

  if (haveEht) {
    details.standard = Standard::kEht;
  } else if (haveHe) {
    details.standard = Standard::kHe;
  } else if (haveVht) {
    details.standard = Standard::kVht;
  } else if (haveHt) {
    details.standard = Standard::kHt;
  }

  // The most precise description wins: EHT, then HE's 6 GHz information, then VHT, then HT.
  if (primaryFrequencyKhz != 0) details.centerFrequencyKhz = primaryFrequencyKhz;
  const std::optional<Channel>& wide = ehtChannel ? ehtChannel : heChannel ? heChannel : vhtChannel;
  if (wide) {
    details.channelWidthMhz = wide->widthMhz;
    details.centerFrequencyKhz = ChannelCenterKhz(details.band, wide->center);
    details.centerFrequency2Khz = ChannelCenterKhz(details.band, wide->center2);
  } else if (htChannel) {
    details.channelWidthMhz = 40;
    if (primaryFrequencyKhz != 0 && details.band != Band::kUnknown) {
      details.centerFrequencyKhz = static_cast<uint32_t>(static_cast<int64_t>(primaryFrequencyKhz) +
                                                         htChannel->center * 1000);
    } else {
      details.centerFrequencyKhz = 0;
    }
  }
  if (details.band == Band::kUnknown) details.centerFrequencyKhz = 0;
  return details;
}

std::string_view GenerationLabel(const BssDetails& details) {
  switch (details.standard) {
    case Standard::kEht:
      return "Wi-Fi 7 (802.11be)";
    case Standard::kHe:
      return details.band == Band::k6000 ? "Wi-Fi 6E (802.11ax)" : "Wi-Fi 6 (802.11ax)";
    case Standard::kVht:
      return "Wi-Fi 5 (802.11ac)";
    case Standard::kHt:
      return "Wi-Fi 4 (802.11n)";
    case Standard::kLegacy:
      break;
  }
  if (details.band == Band::k5000 || details.band == Band::k4900) return "802.11a";
  const bool dsssOnly = details.highestSupportedRateMbps > 0 && !details.hasOfdmRate;
  if (details.band == Band::k2400) {
    if (details.hasOfdmRate) return "802.11g";
    if (dsssOnly) return "802.11b";
  }
  // CCK rates exist only at 2.4 GHz, so a BSS with nothing else is 802.11b wherever heard.
  if (details.band == Band::kUnknown && dsssOnly) return "802.11b";
  return "802.11a/b/g";
}

}  // namespace quorvan::ieee80211

#pragma once

// The information elements of a beacon or probe response, read from the raw bytes the air (or
// the driver) hands over: a walker that never reads past the blob, a name for every element,
// and the decoded fields a details view shows. Portable: no platform header, no toolkit.
//
// Units: frequencies in kHz, widths in MHz, rates in Mb/s, utilisation in percent (0..100).
// Nothing here owns the input blob beyond the call, except ElementInfo, which copies its bytes.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvan::ieee80211 {

// Element IDs (IEEE 802.11-2020 Table 9-92) that the decoder reads.
inline constexpr uint8_t kElementSsid = 0;
inline constexpr uint8_t kElementSupportedRates = 1;
inline constexpr uint8_t kElementDsParameterSet = 3;
inline constexpr uint8_t kElementCountry = 7;
inline constexpr uint8_t kElementBssLoad = 11;
inline constexpr uint8_t kElementHtCapabilities = 45;
inline constexpr uint8_t kElementRsn = 48;
inline constexpr uint8_t kElementExtendedSupportedRates = 50;
inline constexpr uint8_t kElementHtOperation = 61;
inline constexpr uint8_t kElementVhtCapabilities = 191;
inline constexpr uint8_t kElementVhtOperation = 192;
inline constexpr uint8_t kElementVendorSpecific = 221;
inline constexpr uint8_t kElementExtension = 255;

// Element ID Extensions (the byte after the length when the ID is 255).
inline constexpr uint8_t kExtensionHeCapabilities = 35;
inline constexpr uint8_t kExtensionHeOperation = 36;
inline constexpr uint8_t kExtensionEhtOperation = 106;
inline constexpr uint8_t kExtensionEhtCapabilities = 108;

// One element as the walker finds it. `data` views the caller's blob: for an extension element
// it starts after the extension ID, for any other after the length byte.
struct Element {
  uint8_t id = 0;
  std::optional<uint8_t> extensionId;  // only for ID 255 with at least one byte of data
  std::span<const uint8_t> data;
  // The length ran past the end of the blob (data holds what was there), or the blob ended
  // after the ID byte. The walk stops after a truncated element.
  bool truncated = false;
};

// Walks the elements of a blob in order. Stops at the end, or after reporting a truncated
// element; never reads outside the blob.
class ElementReader {
 public:
  explicit ElementReader(std::span<const uint8_t> ies) : rest_(ies) {}

  // The next element, or false at the end.
  bool Next(Element& element);

  // Whether the walk met an element cut short by the end of the blob.
  bool truncated() const { return truncated_; }

 private:
  std::span<const uint8_t> rest_;
  bool truncated_ = false;
};

// A vendor-specific element's organisation identifier and its first byte after it (the type
// for the OUIs that use one), when the element is long enough to hold them.
struct VendorTag {
  uint32_t oui = 0;  // 00:50:F2 is 0x0050F2
  std::optional<uint8_t> type;
};
std::optional<VendorTag> ReadVendorTag(std::span<const uint8_t> data);

inline constexpr uint32_t kOuiMicrosoft = 0x0050F2;
inline constexpr uint32_t kOuiWifiAlliance = 0x506F9A;
inline constexpr uint32_t kOuiIeee80211 = 0x000FAC;  // the suite selectors of RSN

// The element for the details view: what it is, its bytes (a copy, without ID and length), and
// whether it was cut short.
struct ElementInfo {
  uint8_t id = 0;
  std::optional<uint8_t> extensionId;
  std::optional<VendorTag> vendor;
  std::string_view name;      // a literal, see ElementDisplayName
  std::vector<uint8_t> data;  // for an extension element: from the extension ID byte on
  bool truncated = false;
};

std::vector<ElementInfo> ListElements(std::span<const uint8_t> ies);

// "SSID", "HT Operation", ..., "Unknown" for an ID the table does not know.
std::string_view ElementName(uint8_t id);
// "HE Capabilities", ..., "Unknown"; "Element ID Extension" for an ID 255 without its byte.
std::string_view ExtensionName(std::optional<uint8_t> extensionId);
// "Vendor Specific (Microsoft WPA)", "Vendor Specific (WPS)", ..., or "Vendor Specific".
// Every name is a literal: the view stays valid for the life of the program.
std::string_view ElementDisplayName(const Element& element);

// The security of a BSS, one label each: what its RSN (or WPA) element offers, or, without
// either, the privacy bit of the capability field.
enum class Security {
  kOpen,
  kOwe,
  kWep,
  kWpaPersonal,
  kWpa2Personal,
  kWpa2Wpa3Personal,
  kWpa3Personal,
  kWpaEnterprise,
  kWpa2Enterprise,
  kWpa3Enterprise,
};
std::string_view SecurityLabel(Security security);

// The newest PHY that the BSS announces.
enum class Standard { kLegacy, kHt, kVht, kHe, kEht };
// "802.11a/b/g", "802.11n", "802.11ac", "802.11ax", "802.11be".
std::string_view StandardLabel(Standard standard);

enum class Band { kUnknown, k2400, k4900, k5000, k6000 };
// The band of a primary channel's frequency, kHz.
Band BandOfFrequency(uint32_t frequencyKhz);
// The centre of channel `channel` in `band`, kHz; 0 where the band has no such channel.
uint32_t ChannelCenterKhz(Band band, int channel);

// What an RSN element or the WPA vendor element carries. Suites are 32-bit selectors, the
// OUI in the high three bytes: 00-0F-AC:8 is 0x000FAC08.
struct RsnInfo {
  uint32_t groupCipher = 0;
  std::vector<uint32_t> pairwiseCiphers;
  std::vector<uint32_t> akmSuites;
  bool mfpRequired = false;
  bool mfpCapable = false;
  // A count promised more suites than the element holds, or a field was cut in half: what
  // came before the fault is kept.
  bool malformed = false;
};

// Decodes the body of an RSN element (ID 48), or of the WPA vendor element after its OUI and
// type (`wpa` true: 00-50-F2 suites and no capability field). Absent trailing fields take the
// defaults of IEEE 802.11-2020 9.4.2.24.1 (CCMP-128 and 802.1X for RSN; TKIP and 802.1X for WPA).
RsnInfo DecodeRsn(std::span<const uint8_t> data, bool wpa);

// Simple configuration state of a WPS element (attribute 0x1044).
enum class WpsState { kAbsent, kPresent, kNotConfigured, kConfigured };

struct BssDetails {
  std::vector<uint8_t> ssid;               // raw bytes, as the element holds them
  std::optional<int> dsChannel;            // DS Parameter Set: the current channel
  std::string country;                     // two characters, or empty
  std::optional<char> countryEnvironment;  // ' ' any, 'O' outdoor, 'I' indoor, 'X' non-country
  Security security = Security::kOpen;
  std::optional<RsnInfo> rsn;
  std::optional<RsnInfo> wpa;
  Standard standard = Standard::kLegacy;
  Band band = Band::kUnknown;  // of the primary frequency given
  int channelWidthMhz = 20;
  // Centre of the whole channel, kHz; 0 when the primary frequency was not known or lies in
  // none of the bands above. For 80+80 MHz, the centre of the segment CCFS0 names (the one
  // that holds the primary channel), and in centerFrequency2Khz that of the other segment.
  uint32_t centerFrequencyKhz = 0;
  uint32_t centerFrequency2Khz = 0;
  std::optional<int> stationCount;        // BSS Load
  std::optional<int> channelUtilization;  // BSS Load, percent of 255, rounded
  WpsState wps = WpsState::kAbsent;
  double highestBasicRateMbps = 0;      // 0 when no basic rate is announced
  double highestSupportedRateMbps = 0;  // 0 when no rate is announced
  bool hasOfdmRate = false;             // any rate above 11 Mb/s or of 6 or 9 Mb/s
  bool truncated = false;               // the walk met an element cut short
};

// Decodes a beacon's or probe response's elements. `capability` is the capability field of
// the frame (its privacy bit tells WEP from open); `primaryFrequencyKhz` is the BSS's primary
// channel, 0 when unknown (then no centre frequency is computed).
BssDetails DecodeElements(std::span<const uint8_t> ies, uint16_t capability,
                          uint32_t primaryFrequencyKhz);

// "Wi-Fi 4 (802.11n)" ... "Wi-Fi 7 (802.11be)", "Wi-Fi 6E (802.11ax)" on 6 GHz; for legacy
// BSSes "802.11a", "802.11b" or "802.11g" where band and rates tell, else "802.11a/b/g".
std::string_view GenerationLabel(const BssDetails& details);

}  // namespace quorvan::ieee80211

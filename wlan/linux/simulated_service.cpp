#include "wlan/linux/simulated_service.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "wlan/bss_entry.h"
#include "wlan/link_quality.h"
#include "wlan/linux/file_time.h"
#include "wlan/linux/simulated_beacon.h"

namespace quorvan {
namespace {

enum class Motion { kSteady, kFlaky, kPassingBy };

struct Template {
  std::string_view ssid;  // may hold zero bytes: a hidden network's zero-filled name
  uint32_t mhz;
  int32_t rssi;        // dBm around which the signal wanders
  int64_t appearStep;  // first scan step at which it can be heard
  int64_t vanishStep;  // first scan step at which it is gone for good; 0 for never
  uint16_t beaconPeriod;
  Motion motion;
  // What its beacons say beside the name.
  uint16_t widthMhz;
  Security security;
  Phy phy;
  bool bssLoad;
  bool wps;
  Vendor vendor;
};

using enum Security;
using enum Phy;
using enum Vendor;
constexpr bool kLoad = true, kWps = true, kNo = false;

using namespace std::string_view_literals;

constexpr std::string_view kLongName = "Hotel Grand Europa Lobby 2nd Flr";
static_assert(kLongName.size() == DOT11_SSID_MAX_LENGTH);

// 6 GHz channel n lies at 5950 + 5n MHz.
// 6 GHz takes only WPA3 and OWE, and no access point before Wi-Fi 6.
constexpr Template kRoster[] = {
    {"HomeNet", 2412, -48, 0, 0, 100, Motion::kSteady, 40, kSaePsk, kHe, kLoad, kWps, kBroadcom},
    {"HomeNet", 5180, -55, 0, 0, 100, Motion::kSteady, 160, kSaePsk, kHe, kLoad, kNo, kBroadcom},
    {"HomeNet", 5975, -63, 0, 0, 100, Motion::kSteady, 320, kWpa3Sae, kEht, kLoad, kNo, kBroadcom},
    {"CafeLibre", 2437, -67, 0, 0, 100, Motion::kSteady, 20, kOpen, kHt, kNo, kNo, kNone},
    {"CafeLibre", 5240, -72, 0, 0, 100, Motion::kSteady, 40, kOpen, kVht, kNo, kNo, kNone},
    {"", 2462, -70, 0, 0, 100, Motion::kSteady, 20, kWpa2Psk, kHt, kNo, kNo, kMediatek},
    {"\0\0\0\0\0\0\0"sv, 5745, -78, 0, 0, 100, Motion::kSteady, 80, kWpa2Enterprise, kVht, kNo, kNo,
     kQualcomm},
    {kLongName, 2427, -74, 0, 0, 100, Motion::kSteady, 20, kWpa2Psk, kHt, kLoad, kNo, kNone},
    {"Café Müller", 2442, -58, 0, 0, 100, Motion::kSteady, 20, kOwe, kHe, kNo, kNo, kNone},
    {"北京咖啡馆", 5500, -77, 0, 0, 100, Motion::kSteady, 160, kWpa2Psk, kHe, kNo, kNo, kNone},
    {"Ελληνικό WiFi", 2417, -81, 0, 0, 102, Motion::kSteady, 40, kWpa2Psk, kHt, kNo, kNo, kNone},
    {"Bad\xFF\xFEUTF8", 2452, -84, 0, 0, 100, Motion::kSteady, 20, kWpa2Psk, kHt, kNo, kNo, kNone},
    {"Tab\there\x07", 5200, -79, 0, 0, 100, Motion::kSteady, 40, kWpa3Sae, kHe, kNo, kNo, kNone},
    {"eduroam", 2412, -80, 0, 0, 100, Motion::kSteady, 20, kWpa2Enterprise, kHe, kLoad, kNo,
     kQualcomm},
    {"eduroam", 5260, -76, 0, 0, 100, Motion::kSteady, 80, kWpa2Enterprise, kHe, kLoad, kNo,
     kQualcomm},
    {"Office-Guest", 6115, -70, 0, 0, 100, Motion::kSteady, 160, kOwe, kHe, kLoad, kNo, kQualcomm},
    {"FRITZ!Box 7590 XQ", 2437, -83, 0, 0, 100, Motion::kSteady, 40, kSaePsk, kHe, kNo, kWps, kAvm},
    {"Vodafone-A1B2", 2462, -88, 0, 0, 100, Motion::kFlaky, 20, kWpa2Psk, kHt, kNo, kWps,
     kMediatek},
    {"TP-Link_5G_3F2A", 5320, -74, 0, 0, 100, Motion::kSteady, 80, kWpa2Psk, kVht, kNo, kNo,
     kBroadcom},
    {"Printer-HP-LaserJet", 2412, -60, 0, 0, 200, Motion::kSteady, 20, kWpa2Psk, kHt, kNo, kWps,
     kNone},
    {"Neighbour 5G", 5785, -86, 0, 0, 100, Motion::kFlaky, 80, kWpa3Sae, kHe, kNo, kNo, kNone},
    {"iPhone von Anna", 2437, -65, 6, 30, 100, Motion::kPassingBy, 20, kWpa2Psk, kHe, kNo, kNo,
     kApple},
    {"Library", 6435, -81, 8, 0, 100, Motion::kSteady, 160, kWpa3Sae, kEht, kLoad, kNo, kNone},
    {"Pop-up Market", 2427, -69, 4, 14, 100, Motion::kSteady, 20, kOpen, kHt, kNo, kNo, kNone},
    {"Train WiFi", 5180, -75, 10, 18, 100, Motion::kSteady, 40, kOpen, kVht, kLoad, kNo, kNone},
};

// 2025-03-01 08:00:00 UTC, where simulated time starts.
constexpr uint64_t kStartFileTime = kFileTimeUnixEpoch + 1740816000ULL * 10000000ULL;
constexpr uint64_t kStepFileTime = SimulatedRadio::kStepSeconds * 10000000ULL;

// splitmix64: small, fast and good enough for made-up signals.
uint64_t Mix(uint64_t& state) {
  uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

int32_t Between(uint64_t random, int32_t low, int32_t high) {
  return low + static_cast<int32_t>(random % static_cast<uint64_t>(high - low + 1));
}

}  // namespace

struct SimulatedRadio::Bss {
  Template shape;
  Beacon beacon;
  uint64_t loadState = 0;  // draws the BSS Load, apart from the readings' random values
  uint8_t bssid[6] = {};
  int32_t baseRssi = 0;
  int32_t rssi = 0;
  int64_t appearStep = 0;
  int64_t vanishStep = 0;
  uint64_t tsfStartUs = 0;
};

SimulatedRadio::SimulatedRadio(uint64_t seed) : random_(seed) {
  uint64_t setup = seed ^ 0x5157A11ED0C0FFEEULL;
  // Its own stream, so that the beacons leave every other value of a seed as it was.
  uint64_t beacons = seed ^ 0xBEAC0500E1E3E475ULL;
  for (const Template& shape : kRoster) {
    Bss bss;
    bss.shape = shape;
    const std::size_t nameLength = std::min<std::size_t>(shape.ssid.size(), DOT11_SSID_MAX_LENGTH);
    bss.beacon = BuildBeacon({shape.ssid.substr(0, nameLength), shape.mhz, shape.widthMhz,
                              shape.security, shape.phy, shape.bssLoad, shape.wps, shape.vendor,
                              static_cast<uint8_t>(1 + Mix(beacons) % 63)});
    bss.loadState = Mix(beacons);
    const uint64_t mac = Mix(setup);
    for (int i = 0; i < 6; ++i) bss.bssid[i] = static_cast<uint8_t>(mac >> (8 * i));
    bss.bssid[0] &= 0xFE;  // a unicast address
    bss.baseRssi = shape.rssi + Between(Mix(setup), -5, 5);
    bss.rssi = bss.baseRssi;
    // Late and leaving ones shift by a step or two per seed, never to before the start.
    const int32_t shift = Between(Mix(setup), 0, 2);
    bss.appearStep = shape.appearStep == 0 ? 0 : shape.appearStep + shift;
    bss.vanishStep = shape.vanishStep == 0 ? 0 : shape.vanishStep + shift;
    bss.tsfStartUs = Mix(setup) % (30ULL * 24 * 3600 * 1000000);  // up for under 30 days
    roster_.push_back(bss);
  }
  TakeReadings();
}

SimulatedRadio::~SimulatedRadio() = default;

std::size_t SimulatedRadio::RosterSize() const { return roster_.size(); }

GUID SimulatedRadio::InterfaceGuid() {
  return {0x51A7ED00, 0x0001, 0x4000, {'s', 'i', 'm', 'r', 'a', 'd', 'i', 'o'}};
}

uint64_t SimulatedRadio::NextRandom() { return Mix(random_); }

void SimulatedRadio::Scan() {
  ++step_;
  TakeReadings();
}

std::vector<WlanBss> SimulatedRadio::Query() {
  ++step_;
  if (step_ - lastScanStep_ >= kBackgroundScanSteps) TakeReadings();
  return readings_;
}

void SimulatedRadio::TakeReadings() {
  lastScanStep_ = step_;
  readings_.clear();
  const uint64_t now = kStartFileTime + static_cast<uint64_t>(step_) * kStepFileTime;
  for (Bss& bss : roster_) {
    // Every BSS draws the same number of random values whether heard or not, so that one
    // BSS's presence never changes another's readings.
    const uint64_t walk = NextRandom();
    const uint64_t chance = NextRandom();
    const uint64_t delay = NextRandom();

    if (bss.shape.motion == Motion::kPassingBy) {
      // Walks up to the receiver and away again: strongest half way through its visit.
      const int64_t length = std::max<int64_t>(bss.vanishStep - bss.appearStep, 2);
      const int64_t half = length / 2;
      const int64_t distance = std::abs(step_ - bss.appearStep - half);
      bss.rssi = static_cast<int32_t>(-45 - (40 * distance) / std::max<int64_t>(half, 1));
    } else {
      bss.rssi = std::clamp(bss.rssi + Between(walk, -3, 3), bss.baseRssi - 8, bss.baseRssi + 8);
    }
    bss.rssi = std::clamp(bss.rssi, -95, -30);

    const bool present = step_ >= bss.appearStep && (bss.vanishStep == 0 || step_ < bss.vanishStep);
    const bool heard = bss.shape.motion != Motion::kFlaky || chance % 10 < 6;
    if (!present || !heard) continue;

    BssObservation observation;
    std::copy_n(bss.bssid, observation.bssid.size(), observation.bssid.begin());
    const std::size_t length = std::min(bss.shape.ssid.size(), observation.ssid.size());
    std::copy_n(bss.shape.ssid.begin(), length, observation.ssid.begin());
    observation.rssi = bss.rssi;
    observation.linkQuality = LinkQualityFromRssi(bss.rssi);
    observation.beaconPeriod = bss.shape.beaconPeriod;
    // Heard up to two seconds into the scan.
    const uint64_t heardAfter = delay % 20000000ULL;  // 100 ns units
    observation.hostTimestamp = now + heardAfter;
    observation.timestamp =
        bss.tsfStartUs + static_cast<uint64_t>(step_) * kStepSeconds * 1000000ULL + heardAfter / 10;
    observation.centerFrequency = bss.shape.mhz * 1000;
    observation.capability = bss.beacon.capability;
    WLAN_BSS_ENTRY entry = EntryFrom(observation);
    // A hidden network's name is zeros of the real name's length, as its beacons carry it.
    entry.dot11Ssid.uSSIDLength = static_cast<ULONG>(length);
    std::vector<uint8_t> ies = bss.beacon.ies;
    if (bss.shape.bssLoad) {
      const uint64_t load = Mix(bss.loadState);
      SetBssLoad(ies, bss.beacon.bssLoadAt, static_cast<uint16_t>(load % 24),
                 static_cast<uint8_t>(20 + (load >> 8) % 200));
    }
    readings_.emplace_back(entry, std::move(ies));
  }
}

namespace {

class SimulatedSession : public WlanSession {
 public:
  explicit SimulatedSession(std::shared_ptr<SimulatedRadio> radio) : radio_(std::move(radio)) {}

  DWORD EnumInterfaces(std::vector<WlanInterface>& out) override {
    out.push_back({SimulatedRadio::InterfaceGuid(), "sim0"});
    return ERROR_SUCCESS;
  }
  DWORD Scan(const GUID& interfaceGuid, const DOT11_SSID*, const WLAN_RAW_DATA*) override {
    if (!IsOurs(interfaceGuid)) return ERROR_INVALID_PARAMETER;
    radio_->Scan();
    return ERROR_SUCCESS;
  }
  DWORD GetBssList(const GUID& interfaceGuid, const DOT11_SSID*, DOT11_BSS_TYPE, bool,
                   std::vector<WlanBss>& out) override {
    if (!IsOurs(interfaceGuid)) return ERROR_INVALID_PARAMETER;
    out = radio_->Query();
    return ERROR_SUCCESS;
  }

 private:
  static bool IsOurs(const GUID& guid) {
    const GUID ours = SimulatedRadio::InterfaceGuid();
    return guid == ours;
  }
  std::shared_ptr<SimulatedRadio> radio_;
};

}  // namespace

SimulatedService::SimulatedService(uint64_t seed)
    : seed_(seed), radio_(std::make_shared<SimulatedRadio>(seed)) {}

SimulatedService::~SimulatedService() = default;

std::string SimulatedService::Name() const {
  return "simulated radio (seed " + std::to_string(seed_) + ")";
}

DWORD SimulatedService::Open(DWORD, std::unique_ptr<WlanSession>& session, WlanFailure&) {
  session = std::make_unique<SimulatedSession>(radio_);
  return ERROR_SUCCESS;
}

}  // namespace quorvan

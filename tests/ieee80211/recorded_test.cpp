// The element decoder on what a real kernel reported for real access points: hostapd on
// mac80211_hwsim radios, recorded by `quorvan --list --record` in the radio VM. Each BSS must
// decode to what its hostapd configuration (written at the top of the data file) makes of it.
// The file goes through the scenario reader, as a replayed recording does.

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "ieee80211/elements.h"
#include "scenario/scenario_file.h"

namespace quorvan::ieee80211 {
namespace {

const char* const kRecording = QUORVAN_IEEE80211_DATA "/hostapd_vm.jsonl";

struct Expected {
  const char* ssid;
  uint32_t primaryKhz;
  const char* security;
  const char* standard;
  const char* generation;
  int widthMhz;
  uint32_t centerKhz;
  const char* country;
  bool mfpRequired;  // ieee80211w=2
  bool mfpCapable;   // ieee80211w=1 or 2
};

const Expected kAccessPoints[] = {
    {"qv-psk", 2412000, "WPA2-Personal", "802.11n", "Wi-Fi 4 (802.11n)", 40, 2422000, "DE", false,
     false},
    {"qv-sae", 5180000, "WPA3-Personal", "802.11ac", "Wi-Fi 5 (802.11ac)", 80, 5210000, "DE", true,
     true},
    {"qv-transition", 2462000, "WPA2/WPA3-Personal", "802.11n", "Wi-Fi 4 (802.11n)", 20, 2462000,
     "", false, true},
    {"qv-eap", 5220000, "WPA2-Enterprise", "802.11n", "Wi-Fi 4 (802.11n)", 40, 5230000, "", false,
     false},
    {"qv-owe", 5955000, "OWE", "802.11ax", "Wi-Fi 6E (802.11ax)", 80, 5985000, "", true, true},
    {"qv-open", 2462000, "Open", "802.11a/b/g", "802.11g", 20, 2462000, "", false, false},
    {"qv-eap3", 2462000, "WPA3-Enterprise", "802.11ax", "Wi-Fi 6 (802.11ax)", 20, 2462000, "", true,
     true},
};

std::string Name(const BssObservation& bss) {
  const auto end = std::find(bss.ssid.begin(), bss.ssid.end(), uint8_t{0});
  return std::string(bss.ssid.begin(), end);
}

class Recorded : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    ScenarioFile file;
    ASSERT_TRUE(LoadScenarioFile(kRecording, kRecording, file, error)) << error;
    ASSERT_TRUE(file.linesKept);
    ASSERT_EQ(file.lines.size(), 1u);
    bsses_ = new std::vector<BssObservation>(file.lines[0].bsses);
  }
  static void TearDownTestSuite() {
    delete bsses_;
    bsses_ = nullptr;
  }
  static const BssObservation* Find(const std::string& ssid) {
    for (const BssObservation& bss : *bsses_) {
      if (Name(bss) == ssid) return &bss;
    }
    return nullptr;
  }
  static std::vector<BssObservation>* bsses_;
};
std::vector<BssObservation>* Recorded::bsses_ = nullptr;

// Every access point of the recording, and nothing else, so that none goes unchecked.
TEST_F(Recorded, EachDecodesAsConfigured) {
  ASSERT_NE(bsses_, nullptr);
  ASSERT_EQ(bsses_->size(), std::size(kAccessPoints));
  for (const Expected& ap : kAccessPoints) {
    SCOPED_TRACE(ap.ssid);
    const BssObservation* bss = Find(ap.ssid);
    ASSERT_NE(bss, nullptr);
    ASSERT_EQ(bss->centerFrequency, ap.primaryKhz);
    const BssDetails details = DecodeElements(bss->ies, bss->capability, bss->centerFrequency);
    EXPECT_EQ(SecurityLabel(details.security), ap.security);
    EXPECT_EQ(StandardLabel(details.standard), ap.standard);
    EXPECT_EQ(GenerationLabel(details), ap.generation);
    EXPECT_EQ(details.channelWidthMhz, ap.widthMhz);
    EXPECT_EQ(details.centerFrequencyKhz, ap.centerKhz);
    EXPECT_EQ(details.centerFrequency2Khz, 0u);
    EXPECT_EQ(details.country, ap.country);
    // hostapd's country string ends in a space: any environment.
    EXPECT_EQ(details.countryEnvironment,
              *ap.country ? std::optional<char>(' ') : std::optional<char>());
    EXPECT_EQ(std::string(details.ssid.begin(), details.ssid.end()), ap.ssid);
    EXPECT_FALSE(details.truncated);
    // No bss_load_update_period, no WPS in any configuration.
    EXPECT_FALSE(details.stationCount.has_value());
    EXPECT_FALSE(details.channelUtilization.has_value());
    EXPECT_EQ(details.wps, WpsState::kAbsent);
    // The protected ones carry an RSN element of CCMP-128 for both ciphers, and the privacy bit.
    const bool open = std::string(ap.security) == "Open";
    EXPECT_EQ((bss->capability & 0x0010) != 0, !open);
    EXPECT_EQ(details.rsn.has_value(), !open);
    EXPECT_FALSE(details.wpa.has_value());
    if (details.rsn) {
      EXPECT_FALSE(details.rsn->malformed);
      EXPECT_EQ(details.rsn->groupCipher, 0x000FAC04u);
      EXPECT_EQ(details.rsn->pairwiseCiphers, std::vector<uint32_t>{0x000FAC04u});
      EXPECT_EQ(details.rsn->mfpRequired, ap.mfpRequired);
      EXPECT_EQ(details.rsn->mfpCapable, ap.mfpCapable);
    }
    // Every band's beacons carry the DS Parameter Set with the primary channel.
    ASSERT_TRUE(details.dsChannel.has_value());
    EXPECT_EQ(ChannelCenterKhz(details.band, *details.dsChannel), ap.primaryKhz);
    // The walk over the same bytes covers the blob exactly, element by element.
    std::size_t bytes = 0;
    for (const ElementInfo& element : ListElements(bss->ies)) {
      EXPECT_FALSE(element.truncated);
      EXPECT_NE(element.name, "Unknown");
      bytes += 2 + element.data.size();
    }
    EXPECT_EQ(bytes, bss->ies.size());
  }
}

}  // namespace
}  // namespace quorvan::ieee80211

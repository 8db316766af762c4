// The simulated radio's beacons, read back by the element decoder: every access point says
// what it was made to say (name, channel, country, security and privacy bit, generation,
// width and centre of its channel, BSS load, WPS), and says it the same way for the same seed.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ieee80211/elements.h"
#include "wlan/linux/simulated_beacon.h"
#include "wlan/linux/simulated_service.h"

namespace quorvan {
namespace {

using ieee80211::Standard;
using Label = ieee80211::Security;

struct Expected {
  std::string ssid;  // the element's bytes
  uint32_t mhz;
  Label security;
  Standard standard;
  int widthMhz;
  uint32_t centreMhz;
  bool load, wps;
};

// The roster as a reader should understand it: centres worked out by hand from the channel
// plans (2.4 GHz 40 MHz above up to channel 7; 5 GHz blocks from 36 and 149; 6 GHz from 1).
const std::vector<Expected>& Roster() {
  using enum Label;
  using enum Standard;
  static const std::vector<Expected> roster = {
      {"HomeNet", 2412, kWpa2Wpa3Personal, kHe, 40, 2422, true, true},
      {"HomeNet", 5180, kWpa2Wpa3Personal, kHe, 160, 5250, true, false},
      {"HomeNet", 5975, kWpa3Personal, kEht, 320, 6105, true, false},
      {"CafeLibre", 2437, kOpen, kHt, 20, 2437, false, false},
      {"CafeLibre", 5240, kOpen, kVht, 40, 5230, false, false},
      {"", 2462, kWpa2Personal, kHt, 20, 2462, false, false},
      {std::string(7, '\0'), 5745, kWpa2Enterprise, kVht, 80, 5775, false, false},
      {"Hotel Grand Europa Lobby 2nd Flr", 2427, kWpa2Personal, kHt, 20, 2427, true, false},
      {"Café Müller", 2442, kOwe, kHe, 20, 2442, false, false},
      {"北京咖啡馆", 5500, kWpa2Personal, kHe, 160, 5570, false, false},
      {"Ελληνικό WiFi", 2417, kWpa2Personal, kHt, 40, 2427, false, false},
      {"Bad\xFF\xFEUTF8", 2452, kWpa2Personal, kHt, 20, 2452, false, false},
      {"Tab\there\x07", 5200, kWpa3Personal, kHe, 40, 5190, false, false},
      {"eduroam", 2412, kWpa2Enterprise, kHe, 20, 2412, true, false},
      {"eduroam", 5260, kWpa2Enterprise, kHe, 80, 5290, true, false},
      {"Office-Guest", 6115, kOwe, kHe, 160, 6185, true, false},
      {"FRITZ!Box 7590 XQ", 2437, kWpa2Wpa3Personal, kHe, 40, 2447, false, true},
      {"Vodafone-A1B2", 2462, kWpa2Personal, kHt, 20, 2462, false, true},
      {"TP-Link_5G_3F2A", 5320, kWpa2Personal, kVht, 80, 5290, false, false},
      {"Printer-HP-LaserJet", 2412, kWpa2Personal, kHt, 20, 2412, false, true},
      {"Neighbour 5G", 5785, kWpa3Personal, kHe, 80, 5775, false, false},
      {"iPhone von Anna", 2437, kWpa2Personal, kHe, 20, 2437, false, false},
      {"Library", 6435, kWpa3Personal, kEht, 160, 6505, true, false},
      {"Pop-up Market", 2427, kOpen, kHt, 20, 2427, false, false},
      {"Train WiFi", 5180, kOpen, kVht, 40, 5190, true, false},
  };
  return roster;
}

// Every BSS the radio lets hear in `scans` scans, by name bytes and MHz, with its last reading.
std::map<std::pair<std::string, uint32_t>, WlanBss> Heard(uint64_t seed, int scans) {
  SimulatedRadio radio(seed);
  std::map<std::pair<std::string, uint32_t>, WlanBss> heard;
  for (int i = 0; i < scans; ++i, radio.Scan()) {
    for (WlanBss& bss : radio.Query()) {
      const ULONG length = bss.entry.dot11Ssid.uSSIDLength;
      const std::string name(bss.entry.dot11Ssid.ucSSID, bss.entry.dot11Ssid.ucSSID + length);
      heard[{name, bss.entry.ulChCenterFrequency / 1000}] = std::move(bss);
    }
  }
  return heard;
}

TEST(SimulatedBeacons, EveryAccessPointSaysWhatItIs) {
  const auto heard = Heard(1, 30);
  ASSERT_EQ(heard.size(), Roster().size());
  for (const Expected& e : Roster()) {
    SCOPED_TRACE(e.ssid + " " + std::to_string(e.mhz));
    const auto found = heard.find({e.ssid, e.mhz});
    ASSERT_NE(found, heard.end());
    const WlanBss& bss = found->second;
    const uint16_t capability = bss.entry.usCapabilityInformation;
    const ieee80211::BssDetails details =
        ieee80211::DecodeElements(bss.ies, capability, e.mhz * 1000);
    EXPECT_FALSE(details.truncated);
    EXPECT_EQ(std::string(details.ssid.begin(), details.ssid.end()), e.ssid);
    EXPECT_EQ(details.country, "DE");
    EXPECT_EQ(details.dsChannel,
              e.mhz < 3000 ? std::optional<int>(ChannelOfMhz(e.mhz)) : std::nullopt);
    EXPECT_EQ(ieee80211::SecurityLabel(details.security), ieee80211::SecurityLabel(e.security));
    EXPECT_EQ((capability & 0x0010) != 0, e.security != Label::kOpen);  // privacy
    EXPECT_EQ(capability & 0x0001, 0x0001);                             // an access point
    EXPECT_EQ(ieee80211::StandardLabel(details.standard), ieee80211::StandardLabel(e.standard));
    EXPECT_EQ(details.channelWidthMhz, e.widthMhz);
    EXPECT_EQ(details.centerFrequencyKhz, e.centreMhz * 1000);
    EXPECT_EQ(details.stationCount.has_value(), e.load);
    if (e.load) {
      EXPECT_LT(*details.stationCount, 24);
      EXPECT_GE(*details.channelUtilization, 7);
    }
    EXPECT_EQ(details.wps == ieee80211::WpsState::kConfigured, e.wps);
  }
}

// The same seed, the same bytes; another seed draws other BSS colours and loads, and the same
// networks. The BSS load changes from one reading to the next, as a busy channel's does.
TEST(SimulatedBeacons, SameSeedSameBytesAndALoadThatMoves) {
  const auto first = Heard(7, 30), again = Heard(7, 30), other = Heard(8, 30);
  ASSERT_EQ(first.size(), again.size());
  ASSERT_EQ(first.size(), other.size());
  for (const auto& [key, bss] : first) {
    SCOPED_TRACE(key.first);
    EXPECT_EQ(again.at(key).ies, bss.ies);
    EXPECT_EQ(again.at(key).entry.usCapabilityInformation, bss.entry.usCapabilityInformation);
    const auto details = ieee80211::DecodeElements(bss.ies, 0, key.second * 1000);
    const auto otherDetails = ieee80211::DecodeElements(other.at(key).ies, 0, key.second * 1000);
    EXPECT_EQ(details.security, otherDetails.security);
    EXPECT_EQ(details.channelWidthMhz, otherDetails.channelWidthMhz);
    EXPECT_EQ(details.centerFrequencyKhz, otherDetails.centerFrequencyKhz);
  }

  SimulatedRadio radio(7);
  std::set<std::pair<int, int>> loads;
  for (int i = 0; i < 10; ++i, radio.Scan()) {
    for (const WlanBss& bss : radio.Query()) {
      const std::string name(bss.entry.dot11Ssid.ucSSID, bss.entry.dot11Ssid.ucSSID + 7);
      if (bss.entry.ulChCenterFrequency != 2412000 || name != "HomeNet") continue;
      const auto details = ieee80211::DecodeElements(bss.ies, 0, 2412000);
      ASSERT_TRUE(details.stationCount.has_value());
      loads.insert({*details.stationCount, *details.channelUtilization});
    }
  }
  EXPECT_GT(loads.size(), 5u);
}

// Centres the roster does not reach: other blocks of 80, 160 and 320 MHz, by the channel plans.
TEST(SimulatedBeacons, CentreChannelsOfWideChannels) {
  const struct {
    uint32_t mhz;
    uint16_t width;
    int centre;
  } cases[] = {
      {5240, 80, 42},  {5825, 80, 171}, {6435, 80, 103},
      {5975, 160, 15}, {5955, 320, 31}, {6275, 320, 95},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CentreChannel(c.mhz, c.width), c.centre) << c.mhz << " " << c.width;
  }
}

}  // namespace
}  // namespace quorvan

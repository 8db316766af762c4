// The element decoder against beacons as hostapd sends them, and against every way the bytes
// can be cut or lie about their counts. Cases that differ only in values are tables.

#include "ieee80211/elements.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/ieee80211/sample_beacons.h"

namespace quorvan::ieee80211 {
namespace {

using namespace testing;  // the sample elements

std::string Text(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// ---------------------------------------------------------------------------------------------
// Security: one label per configuration. Open, WPA2 and WPA3 Personal and their transition,
// WPA2-Enterprise and OWE are labelled from real access points in the radio VM
// (Radio.ListDecodesEveryKind); here the rest.

struct SecurityCase {
  const char* name;
  Bytes ies;
  uint16_t capability;
  std::string_view label;  // as the user reads it
};

class SecurityTest : public ::testing::TestWithParam<SecurityCase> {};

TEST_P(SecurityTest, LabelsTheConfiguration) {
  const SecurityCase& c = GetParam();
  const BssDetails details = DecodeElements(c.ies, c.capability, 2437000);
  EXPECT_EQ(SecurityLabel(details.security), c.label);
  EXPECT_FALSE(details.truncated);
}

const Bytes kNone;

INSTANTIATE_TEST_SUITE_P(
    Hostapd, SecurityTest,
    ::testing::Values(
        SecurityCase{"Wep", Beacon24(kNone), kCapabilityEssPrivacy, "WEP"},
        SecurityCase{"SaeExtKey", Beacon24(kRsnSaeExt), kCapabilityEssPrivacy, "WPA3-Personal"},
        SecurityCase{"EapSha256MfpRequired", Beacon24(kRsnEapSha256Required), kCapabilityEssPrivacy,
                     "WPA3-Enterprise"},
        SecurityCase{"EapTransitionMfpCapable", Beacon24(kRsnEapTransition), kCapabilityEssPrivacy,
                     "WPA2-Enterprise"},
        SecurityCase{"SuiteB192", Beacon24(kRsnSuiteB192), kCapabilityEssPrivacy,
                     "WPA3-Enterprise"},
        SecurityCase{"WpaPskOnly", Beacon24(kWpaPsk), kCapabilityEssPrivacy, "WPA-Personal"},
        SecurityCase{"WpaEapOnly", Beacon24(kWpaEap), kCapabilityEssPrivacy, "WPA-Enterprise"},
        // Mixed WPA/WPA2: the RSN element decides.
        SecurityCase{"WpaAndWpa2", Beacon24(Concat({kWpaPsk, kRsnPsk})), kCapabilityEssPrivacy,
                     "WPA2-Personal"},
        // An RSN element of only its version: the defaults are CCMP and 802.1X.
        SecurityCase{"RsnVersionOnly", Bytes{0x30, 0x02, 0x01, 0x00}, kCapabilityEssPrivacy,
                     "WPA2-Enterprise"},
        // The privacy bit alone does not make an RSN BSS WEP, nor its absence open.
        SecurityCase{"RsnWithoutPrivacyBit", Beacon24(kRsnPsk), kCapabilityEss, "WPA2-Personal"}),
    [](const ::testing::TestParamInfo<SecurityCase>& param) { return param.param.name; });

// The fields behind the labels: suites, AKMs and MFP bits, and WPA's Microsoft defaults.
TEST(RsnDecode, ReadsSuitesAkmsAndMfp) {
  const struct {
    Bytes body;  // after ID and length (and the WPA element's OUI and type)
    bool wpa;
    uint32_t group;
    std::vector<uint32_t> pairwise, akms;
    bool mfpRequired, mfpCapable;
  } cases[] = {
      {Bytes(kRsnSuiteB192.begin() + 2, kRsnSuiteB192.end()),
       false,
       0x000FAC09,
       {0x000FAC09},
       {0x000FAC0C},
       true,
       true},
      {Bytes(kRsnSaePsk.begin() + 2, kRsnSaePsk.end()),
       false,
       0x000FAC04,
       {0x000FAC04},
       {0x000FAC02, 0x000FAC08},
       false,
       true},
      {Bytes(kWpaPsk.begin() + 6, kWpaPsk.end()),
       true,
       0x0050F202,
       {0x0050F202},
       {0x0050F202},
       false,
       false},
      {{0x01, 0x00}, true, 0x0050F202, {0x0050F202}, {0x0050F201}, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.body));
    const RsnInfo rsn = DecodeRsn(c.body, c.wpa);
    EXPECT_FALSE(rsn.malformed);
    EXPECT_EQ(rsn.groupCipher, c.group);
    EXPECT_EQ(rsn.pairwiseCiphers, c.pairwise);
    EXPECT_EQ(rsn.akmSuites, c.akms);
    EXPECT_EQ(rsn.mfpRequired, c.mfpRequired);
    EXPECT_EQ(rsn.mfpCapable, c.mfpCapable);
  }
}

// The transition body cut inside each of its fields, and a count past everything there is: each
// copy is exactly its size, so a read past it trips ASan; what came before the cut is kept.
TEST(RsnDecode, KeepsWhatCameBeforeTheFault) {
  const Bytes whole(kRsnSaePsk.begin() + 2, kRsnSaePsk.end());
  const uint32_t kCcmp = 0x000FAC04, kPsk = 0x000FAC02, kSae = 0x000FAC08;
  const struct {
    std::size_t cut;  // bytes kept of the body
    std::vector<uint32_t> pairwise, akms;
  } cases[] = {
      {0, {}, {}},           {1, {}, {}},                  // the version
      {4, {}, {}},           {7, {}, {}},                  // the group cipher, the pairwise count
      {10, {}, {}},          {13, {kCcmp}, {}},            // a pairwise suite, the AKM count
      {18, {kCcmp}, {kPsk}}, {23, {kCcmp}, {kPsk, kSae}},  // the second AKM, the capabilities
  };
  for (const auto& c : cases) {
    const std::vector<uint8_t> exact(whole.begin(), whole.begin() + c.cut);
    const RsnInfo rsn = DecodeRsn(exact, false);
    EXPECT_TRUE(rsn.malformed) << c.cut;
    EXPECT_EQ(rsn.pairwiseCiphers, c.pairwise) << c.cut;
    EXPECT_EQ(rsn.akmSuites, c.akms) << c.cut;
    EXPECT_FALSE(rsn.mfpRequired) << c.cut;
  }
  const std::vector<uint8_t> huge = {0x01, 0x00, 0x00, 0x0f, 0xac, 0x04, 0xff,
                                     0xff, 0x00, 0x0f, 0xac, 0x04, 0x00, 0x0f};
  const RsnInfo rsn = DecodeRsn(huge, false);
  EXPECT_TRUE(rsn.malformed);
  EXPECT_EQ(rsn.pairwiseCiphers, std::vector<uint32_t>{kCcmp});
}

// ---------------------------------------------------------------------------------------------
// Standard, width and centre of the whole channel. VHT80 on 5 GHz, HE80 on 6 GHz, HE on 2.4 GHz
// and 802.11g come from real access points in Radio.ListDecodesEveryKind.

struct ChannelCase {
  const char* name;
  Bytes ies;
  uint32_t primaryKhz;
  Standard standard;
  int widthMhz;
  uint32_t centerKhz;
  uint32_t center2Khz;
  std::string_view generation;
};

class ChannelTest : public ::testing::TestWithParam<ChannelCase> {};

TEST_P(ChannelTest, DecodesStandardWidthAndCentre) {
  const ChannelCase& c = GetParam();
  const BssDetails details = DecodeElements(c.ies, kCapabilityEssPrivacy, c.primaryKhz);
  EXPECT_EQ(details.standard, c.standard) << StandardLabel(details.standard);
  EXPECT_EQ(details.channelWidthMhz, c.widthMhz);
  EXPECT_EQ(details.centerFrequencyKhz, c.centerKhz);
  EXPECT_EQ(details.centerFrequency2Khz, c.center2Khz);
  EXPECT_EQ(GenerationLabel(details), c.generation);
}

INSTANTIATE_TEST_SUITE_P(
    Hostapd, ChannelTest,
    ::testing::Values(
        ChannelCase{"Ht40MinusChannel11",
                    Concat({kRates24, DsElement(11), kHtCapabilities, HtOperation(11, 0x07)}),
                    2462000, Standard::kHt, 40, 2452000, 0, "Wi-Fi 4 (802.11n)"},
        // An offset without the STA channel width bit keeps the BSS at 20 MHz.
        ChannelCase{"HtOffsetWithoutWidthBit",
                    Concat({kRates24, kHtCapabilities, HtOperation(1, 0x01)}), 2412000,
                    Standard::kHt, 20, 2412000, 0, "Wi-Fi 4 (802.11n)"},
        // 160 MHz as 802.11-2016 on says it: CCFS0 the primary 80 (42), CCFS1 the whole (50).
        ChannelCase{"Vht160Channel36",
                    Concat({kRates5, kHtCapabilities, HtOperation(36, 0x05), kVhtCapabilities,
                            VhtOperation(1, 42, 50)}),
                    5180000, Standard::kVht, 160, 5250000, 0, "Wi-Fi 5 (802.11ac)"},
        // The primary in the upper half: CCFS0 58, CCFS1 still 50.
        ChannelCase{"Vht160Channel60",
                    Concat({kRates5, kHtCapabilities, HtOperation(60, 0x05), kVhtCapabilities,
                            VhtOperation(1, 58, 50)}),
                    5300000, Standard::kVht, 160, 5250000, 0, "Wi-Fi 5 (802.11ac)"},
        ChannelCase{"Vht160Deprecated",
                    Concat({kRates5, kHtCapabilities, HtOperation(36, 0x05), kVhtCapabilities,
                            VhtOperation(2, 50, 0)}),
                    5180000, Standard::kVht, 160, 5250000, 0, "Wi-Fi 5 (802.11ac)"},
        ChannelCase{"Vht80Plus80",
                    Concat({kRates5, kHtCapabilities, HtOperation(36, 0x05), kVhtCapabilities,
                            VhtOperation(1, 42, 155)}),
                    5180000, Standard::kVht, 160, 5210000, 5775000, "Wi-Fi 5 (802.11ac)"},
        // VHT width 0 leaves the width to HT Operation.
        ChannelCase{"VhtWidth0Ht40",
                    Concat({kRates5, kHtCapabilities, HtOperation(36, 0x05), kVhtCapabilities,
                            VhtOperation(0, 0, 0)}),
                    5180000, Standard::kVht, 40, 5190000, 0, "Wi-Fi 5 (802.11ac)"},
        ChannelCase{"He5GhzVht80", Concat({Beacon5(kRsnSae), kHeCapabilities, kHeOperation}),
                    5180000, Standard::kHe, 80, 5210000, 0, "Wi-Fi 6 (802.11ax)"},
        ChannelCase{"He6GhzChannel37Width160",
                    Concat({kRates6, kHeCapabilities, HeOperation6Ghz(37, 3, 39, 47)}), 6135000,
                    Standard::kHe, 160, 6185000, 0, "Wi-Fi 6E (802.11ax)"},
        ChannelCase{"He6GhzChannel2",
                    Concat({kRates6, kHeCapabilities, HeOperation6Ghz(2, 0, 2, 0)}), 5935000,
                    Standard::kHe, 20, 5935000, 0, "Wi-Fi 6E (802.11ax)"},
        // 320 MHz on 6 GHz channel 1: the whole channel covers 1..61, centre 31 (6105 MHz);
        // CCFS0 is the primary 160's centre (15), CCFS1 the whole channel's.
        ChannelCase{"Eht320Channel1",
                    Concat({kRates6, kHeCapabilities, HeOperation6Ghz(1, 3, 7, 15),
                            kEhtCapabilities, EhtOperation(4, 15, 31)}),
                    5955000, Standard::kEht, 320, 6105000, 0, "Wi-Fi 7 (802.11be)"},
        ChannelCase{"Eht160On5Ghz",
                    Concat({Beacon5(kRsnSae), kHeCapabilities, kHeOperation, kEhtCapabilities,
                            EhtOperation(3, 42, 50)}),
                    5180000, Standard::kEht, 160, 5250000, 0, "Wi-Fi 7 (802.11be)"},
        // EHT Operation without its information part: the width stays HE's (or VHT's).
        ChannelCase{"EhtWithoutOperationInformation",
                    Concat({Beacon5(kRsnSae), kHeCapabilities, kHeOperation, kEhtCapabilities,
                            Bytes{0xff, 0x06, 0x6a, 0x00, 0x44, 0x44, 0x44, 0x44}}),
                    5180000, Standard::kEht, 80, 5210000, 0, "Wi-Fi 7 (802.11be)"},
        ChannelCase{"Legacy24B", Concat({SsidElement("b"), kRates11b, DsElement(6)}), 2437000,
                    Standard::kLegacy, 20, 2437000, 0, "802.11b"},
        ChannelCase{"Legacy5A", Concat({SsidElement("a"), kRates5}), 5180000, Standard::kLegacy, 20,
                    5180000, 0, "802.11a"},
        ChannelCase{"LegacyNoRates", Concat({SsidElement("?")}), 2437000, Standard::kLegacy, 20,
                    2437000, 0, "802.11a/b/g"},
        // Without the primary frequency no centre is computed, whatever the elements say.
        ChannelCase{"UnknownPrimary", Beacon5(kRsnPsk), 0, Standard::kVht, 80, 0, 0,
                    "Wi-Fi 5 (802.11ac)"},
        // VHT elements on 2.4 GHz (vendor extensions) do not make the BSS 802.11ac.
        ChannelCase{"VhtOn24Ghz",
                    Concat({kRates24, kHtCapabilities, HtOperation(1, 0x05), kVhtCapabilities,
                            VhtOperation(1, 42, 0)}),
                    2412000, Standard::kHt, 40, 2422000, 0, "Wi-Fi 4 (802.11n)"}),
    [](const ::testing::TestParamInfo<ChannelCase>& param) { return param.param.name; });

struct CenterCase {
  Band band;
  int channel;
  uint32_t expectedKhz;
};

TEST(ChannelCenter, FollowsEachBandsGrid) {
  const CenterCase cases[] = {
      {Band::k2400, 1, 2412000},   {Band::k2400, 13, 2472000},  {Band::k2400, 14, 2484000},
      {Band::k2400, 15, 0},        {Band::k2400, 0, 0},         {Band::k5000, 36, 5180000},
      {Band::k5000, 165, 5825000}, {Band::k5000, 177, 5885000}, {Band::k4900, 184, 4920000},
      {Band::k6000, 1, 5955000},   {Band::k6000, 2, 5935000},   {Band::k6000, 233, 7115000},
      {Band::k6000, 234, 0},       {Band::kUnknown, 36, 0},
  };
  for (const CenterCase& c : cases) {
    EXPECT_EQ(ChannelCenterKhz(c.band, c.channel), c.expectedKhz)
        << "band " << static_cast<int>(c.band) << " channel " << c.channel;
  }
}

TEST(ChannelCenter, BandsMeetAtTheirEdges) {
  EXPECT_EQ(BandOfFrequency(2399999), Band::kUnknown);
  EXPECT_EQ(BandOfFrequency(2412000), Band::k2400);
  EXPECT_EQ(BandOfFrequency(2484000), Band::k2400);
  EXPECT_EQ(BandOfFrequency(4920000), Band::k4900);
  EXPECT_EQ(BandOfFrequency(5180000), Band::k5000);
  EXPECT_EQ(BandOfFrequency(5885000), Band::k5000);
  EXPECT_EQ(BandOfFrequency(5935000), Band::k6000);
  EXPECT_EQ(BandOfFrequency(7115000), Band::k6000);
  EXPECT_EQ(BandOfFrequency(58320000), Band::kUnknown);
  EXPECT_EQ(BandOfFrequency(0), Band::kUnknown);
}

// ---------------------------------------------------------------------------------------------
// The other fields.

TEST(Details, ReadTheFieldsOfAFullBeacon) {
  const BssDetails details = DecodeElements(Concat({Beacon24(kRsnPsk, 11), kWpsConfigured}),
                                            kCapabilityEssPrivacy, 2462000);
  EXPECT_EQ(Text(details.ssid), "quorvan-lab");
  EXPECT_EQ(details.dsChannel, 11);
  EXPECT_EQ(details.country, "DE");
  EXPECT_EQ(details.countryEnvironment, ' ');
  EXPECT_EQ(details.stationCount, 3);
  EXPECT_EQ(details.channelUtilization, 50);
  EXPECT_EQ(details.wps, WpsState::kConfigured);
  EXPECT_DOUBLE_EQ(details.highestBasicRateMbps, 11.0);
  EXPECT_DOUBLE_EQ(details.highestSupportedRateMbps, 54.0);
  ASSERT_TRUE(details.rsn.has_value());
  EXPECT_FALSE(details.wpa.has_value());
  EXPECT_FALSE(details.truncated);
}

TEST(Details, AbsentFieldsStayAbsent) {
  const BssDetails details = DecodeElements(Concat({SsidElement(""), kRates5}), 0, 5180000);
  EXPECT_TRUE(details.ssid.empty());
  EXPECT_FALSE(details.dsChannel.has_value());
  EXPECT_EQ(details.country, "");
  EXPECT_FALSE(details.countryEnvironment.has_value());
  EXPECT_FALSE(details.stationCount.has_value());
  EXPECT_FALSE(details.channelUtilization.has_value());
  EXPECT_EQ(details.wps, WpsState::kAbsent);
  EXPECT_DOUBLE_EQ(details.highestBasicRateMbps, 24.0);
  EXPECT_DOUBLE_EQ(details.highestSupportedRateMbps, 54.0);
}

TEST(Details, CountryKeepsItsEnvironment) {
  const struct {
    Bytes element;
    std::string country;
    std::optional<char> environment;
  } cases[] = {
      {kCountryDe, "DE", ' '},
      {kCountryUsOutdoor, "US", 'O'},
      {{0x07, 0x02, 'J', 'P'}, "JP", std::nullopt},
      {{0x07, 0x01, 'J'}, "", std::nullopt},
      {{0x07, 0x03, 0x01, 'P', ' '}, "", std::nullopt},  // not text
  };
  for (const auto& c : cases) {
    const BssDetails details = DecodeElements(c.element, 0, 2412000);
    EXPECT_EQ(details.country, c.country);
    EXPECT_EQ(details.countryEnvironment, c.environment) << c.country;
  }
}

TEST(Details, BssLoadUtilisationIsAPercentOf255Rounded) {
  const struct {
    uint8_t raw;
    int percent;
  } cases[] = {{1, 0}, {2, 1}, {128, 50}, {255, 100}};
  for (const auto& c : cases) {
    const Bytes load = {0x0b, 0x05, 0x10, 0x01, c.raw, 0x00, 0x00};
    const BssDetails details = DecodeElements(load, 0, 2412000);
    EXPECT_EQ(details.channelUtilization, c.percent) << int{c.raw};
    EXPECT_EQ(details.stationCount, 0x0110);
  }
}

TEST(Details, WpsState) {
  const struct {
    Bytes ies;
    WpsState expected;
  } cases[] = {
      {kWpsConfigured, WpsState::kConfigured},
      {kWpsUnconfigured, WpsState::kNotConfigured},
      {{0xdd, 0x04, 0x00, 0x50, 0xf2, 0x04}, WpsState::kPresent},
      // An attribute whose length runs past the element: present, state unknown.
      {{0xdd, 0x0b, 0x00, 0x50, 0xf2, 0x04, 0x10, 0x4a, 0x00, 0x09, 0x10, 0x10, 0x44},
       WpsState::kPresent},
      // The attributes of a WPS element split over two run on across them.
      {{0xdd, 0x0c, 0x00, 0x50, 0xf2, 0x04, 0x10, 0x4a, 0x00, 0x01, 0x10, 0x10,
        0x44, 0x00, 0xdd, 0x07, 0x00, 0x50, 0xf2, 0x04, 0x01, 0x02, 0x00},
       WpsState::kConfigured},
      {kWmm, WpsState::kAbsent},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecodeElements(c.ies, 0, 2412000).wps, c.expected);
  }
}

TEST(Details, MembershipSelectorsAreNotRates) {
  // 6 Mb/s basic, 54 supported, and the HT, VHT, SAE H2E and HE selectors.
  const Bytes rates = {0x01, 0x06, 0x8c, 0x6c, 0xff, 0xfe, 0xfb, 0xfa};
  const BssDetails details = DecodeElements(rates, 0, 5180000);
  EXPECT_DOUBLE_EQ(details.highestBasicRateMbps, 6.0);
  EXPECT_DOUBLE_EQ(details.highestSupportedRateMbps, 54.0);
}

TEST(Details, SsidLongerThan32BytesIsCut) {
  const BssDetails details = DecodeElements(SsidElement(std::string(40, 'n')), 0, 2412000);
  EXPECT_EQ(details.ssid.size(), 32u);
}

TEST(Details, FirstOfARepeatedElementCounts) {
  const BssDetails details =
      DecodeElements(Concat({SsidElement("first"), DsElement(1), SsidElement("second"),
                             DsElement(11), kRsnSae, kRsnPsk}),
                     kCapabilityEssPrivacy, 2412000);
  EXPECT_EQ(Text(details.ssid), "first");
  EXPECT_EQ(details.dsChannel, 1);
  EXPECT_EQ(details.security, Security::kWpa3Personal);
}

// ---------------------------------------------------------------------------------------------
// The walker and the names.

TEST(ElementList, NamesEveryElementOfAFullBeacon) {
  const Bytes ies = Concat({Beacon5(kRsnSae), kHeCapabilities, kHeOperation, kEhtCapabilities,
                            EhtOperation(2, 42, 0), kWpaPsk, kWpsConfigured,
                            Bytes{0xdd, 0x05, 0x50, 0x6f, 0x9a, 0x1c, 0x00},
                            Bytes{0xdd, 0x04, 0x00, 0x10, 0x18, 0x02},
                            Bytes{0xff, 0x02, 0xc8, 0x00}, Bytes{0x99, 0x00}});
  std::string names;
  for (const ElementInfo& info : ListElements(ies)) {
    EXPECT_FALSE(info.truncated) << info.name;
    names += std::string(info.name) + "|";
  }
  EXPECT_EQ(names,
            "SSID|Supported Rates|DS Parameter Set|TIM|Country|RSN|BSS Load|HT Capabilities|"
            "HT Operation|Extended Capabilities|VHT Capabilities|VHT Operation|"
            "Vendor Specific (Microsoft WMM)|HE Capabilities|HE Operation|EHT Capabilities|"
            "EHT Operation|Vendor Specific (Microsoft WPA)|Vendor Specific (WPS)|"
            "Vendor Specific (Wi-Fi Alliance OWE Transition)|Vendor Specific|Unknown|Unknown|");
}

TEST(ElementList, KeepsIdsExtensionIdsVendorTagsAndBytes) {
  const Bytes ies = Concat({SsidElement("ab"), kHeOperation, kWpsConfigured, Bytes{0xff, 0x00},
                            Bytes{0xdd, 0x02, 0x00, 0x50}});
  const std::vector<ElementInfo> list = ListElements(ies);
  ASSERT_EQ(list.size(), 5u);
  EXPECT_EQ(list[0].id, 0);
  EXPECT_EQ(list[0].data, (Bytes{'a', 'b'}));
  EXPECT_FALSE(list[0].extensionId.has_value());

  EXPECT_EQ(list[1].id, 255);
  EXPECT_EQ(list[1].extensionId, 36);
  EXPECT_EQ(list[1].data, Bytes(kHeOperation.begin() + 2, kHeOperation.end()));

  ASSERT_TRUE(list[2].vendor.has_value());
  EXPECT_EQ(list[2].vendor->oui, 0x0050F2u);
  EXPECT_EQ(list[2].vendor->type, 4);

  // An extension element too short to hold its extension ID.
  EXPECT_EQ(list[3].name, "Element ID Extension");
  EXPECT_FALSE(list[3].extensionId.has_value());
  EXPECT_TRUE(list[3].data.empty());

  // A vendor element too short for its OUI.
  EXPECT_EQ(list[4].name, "Vendor Specific");
  EXPECT_FALSE(list[4].vendor.has_value());
}

TEST(ElementWalker, ZeroLengthElementsAreWhole) {
  const Bytes ies = {0x00, 0x00, 0x30, 0x00, 0xdd, 0x00, 0xff, 0x00, 0x3d, 0x00};
  ElementReader reader(ies);
  Element element;
  int count = 0;
  while (reader.Next(element)) {
    ++count;
    EXPECT_FALSE(element.truncated);
    EXPECT_TRUE(element.data.empty());
  }
  EXPECT_EQ(count, 5);
  EXPECT_FALSE(reader.truncated());

  const BssDetails details = DecodeElements(ies, kCapabilityEssPrivacy, 2412000);
  EXPECT_TRUE(details.ssid.empty());
  ASSERT_TRUE(details.rsn.has_value());
  EXPECT_TRUE(details.rsn->malformed);
  EXPECT_EQ(details.channelWidthMhz, 20);
}

// Elements cut short inside, with a length that fits the blob: each reads nothing it lacks.
TEST(Details, ShortElementsOfEveryKindAreIgnored) {
  const Bytes cases[] = {
      {0x03, 0x00},                                                  // DS without a channel
      {0x07, 0x00},                                                  // Country
      {0x0b, 0x02, 0x03, 0x00},                                      // BSS Load without utilisation
      {0x3d, 0x01, 0x01},                                            // HT Operation, no info byte
      {0xc0, 0x02, 0x01, 0x2a},                                      // VHT Operation
      {0xff, 0x05, 0x24, 0xf0, 0x3f, 0x02, 0x01},                    // HE Operation, fixed part cut
      {0xff, 0x07, 0x24, 0xf0, 0x3f, 0x02, 0x01, 0xfc, 0xff},        // 6 GHz information missing
      {0xff, 0x08, 0x24, 0xf0, 0x7f, 0x00, 0x01, 0xfc, 0xff, 0x01},  // VHT information cut
      {0xff, 0x07, 0x24, 0xf0, 0xbf, 0x00, 0x01, 0xfc, 0xff},        // co-hosted indicator missing
      {0xff, 0x07, 0x6a, 0x01, 0x44, 0x44, 0x44, 0x44, 0x04},        // EHT information cut
      {0xff, 0x02, 0x6a, 0x01},                                      // EHT parameters only
      {0xdd, 0x02, 0x00, 0x50},                                      // vendor without its OUI
      {0xdd, 0x03, 0x00, 0x50, 0xf2},                                // vendor without its type
      {0xdd, 0x05, 0x00, 0x50, 0xf2, 0x01, 0x01},                    // WPA with half a version
      {0xdd, 0x07, 0x00, 0x50, 0xf2, 0x04, 0x10, 0x44, 0x00},        // WPS attribute header cut
  };
  for (const Bytes& c : cases) {
    const std::vector<uint8_t> exact(c.begin(), c.end());
    const BssDetails details = DecodeElements(exact, 0, 5955000);
    EXPECT_FALSE(details.truncated);
    EXPECT_EQ(details.channelWidthMhz, 20) << ListElements(exact).front().name;
    EXPECT_FALSE(details.stationCount.has_value());
    EXPECT_EQ(details.country, "");
  }
}

// Every prefix of a full beacon, in a buffer of exactly its size: no read past it (ASan), a
// truncation reported exactly when the cut falls inside an element, and what lies before the
// cut still decoded.
TEST(Details, EveryPrefixOfABeaconDecodesWhatItHolds) {
  const Bytes full = Concat({Beacon5(kRsnSaePsk), kHeCapabilities, kHeOperation, kEhtCapabilities,
                             EhtOperation(3, 42, 50), kWpsConfigured});
  std::vector<std::size_t> boundaries = {0};
  for (const ElementInfo& info : ListElements(full)) {
    boundaries.push_back(boundaries.back() + 2 + info.data.size());
  }
  ASSERT_EQ(boundaries.back(), full.size());
  for (std::size_t n = 0; n <= full.size(); ++n) {
    const std::vector<uint8_t> prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
    const BssDetails details = DecodeElements(prefix, kCapabilityEssPrivacy, 5180000);
    const bool atBoundary = std::find(boundaries.begin(), boundaries.end(), n) != boundaries.end();
    EXPECT_EQ(details.truncated, !atBoundary) << n;
    if (n >= 12) {
      EXPECT_EQ(Text(details.ssid), "quorvan-5g") << n;
    }
    const std::vector<ElementInfo> list = ListElements(prefix);
    if (!atBoundary) {
      ASSERT_FALSE(list.empty());
      EXPECT_TRUE(list.back().truncated) << n;
    }
  }
  const BssDetails whole = DecodeElements(full, kCapabilityEssPrivacy, 5180000);
  EXPECT_EQ(whole.security, Security::kWpa2Wpa3Personal);
  EXPECT_EQ(whole.channelWidthMhz, 160);
  EXPECT_EQ(whole.wps, WpsState::kConfigured);
}

TEST(Details, ATruncatedElementIsNotBelieved) {
  // An RSN element whose length runs past the end: its bytes are not read as security.
  const Bytes ies = Concat({SsidElement("x"), Bytes{0x30, 0x14, 0x01, 0x00, 0x00, 0x0f, 0xac, 0x04,
                                                    0x01, 0x00, 0x00, 0x0f, 0xac, 0x04}});
  const BssDetails details = DecodeElements(ies, kCapabilityEssPrivacy, 2412000);
  EXPECT_TRUE(details.truncated);
  EXPECT_FALSE(details.rsn.has_value());
  EXPECT_EQ(details.security, Security::kWep);
}

}  // namespace
}  // namespace quorvan::ieee80211

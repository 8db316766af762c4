#include "wlan/linux/nl80211_parse.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/wlan/nl80211_messages.h"

namespace quorvan {
namespace {

using testing::BssAttributes;
using testing::Bytes;
using testing::Element;
using testing::InterfaceAttributes;
using testing::operator+;
using testing::ScanResult;

constexpr HostClock kClock = {5000ULL * 1000000000ULL, 1700000000LL * 1000000000LL};
constexpr ULONGLONG kClockFileTime = 133444736000000000ULL;  // kClock.realtimeNs, Windows units

WLAN_BSS_ENTRY Parsed(const BssAttributes& attributes) {
  WLAN_BSS_ENTRY entry = {};
  const auto message = ScanResult(attributes);
  EXPECT_EQ(ParseBssMessage(message.get(), kClock, entry), BssParse::kEntry);
  return entry;
}

std::string SsidOf(const WLAN_BSS_ENTRY& entry) {
  return std::string(reinterpret_cast<const char*>(entry.dot11Ssid.ucSSID),
                     entry.dot11Ssid.uSSIDLength);
}

TEST(Nl80211Parse, EveryFieldOfTheEntry) {
  BssAttributes a;
  a.frequencyMhz = 5180;
  a.tsf = 0x00000ABCDEF01234ULL;
  a.beaconInterval = 102;
  a.signalMbm = -5700;
  a.lastSeenBoottimeNs = kClock.boottimeNs - 1500000000ULL;
  const WLAN_BSS_ENTRY e = Parsed(a);
  EXPECT_EQ(Bytes(e.dot11Bssid, e.dot11Bssid + 6), (Bytes{0x02, 0x11, 0x22, 0x33, 0x44, 0x55}));
  EXPECT_EQ(SsidOf(e), "home");
  EXPECT_EQ(e.dot11Ssid.ucSSID[4], 0) << "the name is followed by zero bytes";
  EXPECT_EQ(e.dot11Ssid.ucSSID[31], 0);
  EXPECT_EQ(e.lRssi, -57);
  EXPECT_EQ(e.uLinkQuality, 86u);
  EXPECT_EQ(e.ullTimestamp, 0x00000ABCDEF01234ULL);
  EXPECT_EQ(e.ullHostTimestamp, kClockFileTime - 15000000);
  EXPECT_EQ(e.ulChCenterFrequency, 5180000u);
  EXPECT_EQ(e.usBeaconPeriod, 102);
}

TEST(Nl80211Parse, BothSignalForms) {
  struct Case {
    std::optional<int32_t> mbm;
    std::optional<uint8_t> unspec;
    LONG rssi;
    ULONG quality;
  };
  const Case cases[] = {
      {-4500, {}, -45, 100}, {-5000, {}, -50, 100}, {-5100, {}, -51, 98}, {-7250, {}, -72, 56},
      {-10000, {}, -100, 0}, {-11000, {}, -110, 0}, {0, {}, 0, 100},      {{}, 100, -50, 100},
      {{}, 80, -60, 80},     {{}, 81, -60, 80},     {{}, 1, -100, 0},     {{}, 0, -100, 0},
      {{}, 255, -50, 100},   {-6000, 20, -60, 80},  // mBm wins when both are given
      {{}, {}, -100, 0},                            // no reading at all
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "mbm " << c.mbm.value_or(1) << " unspec " << int{c.unspec.value_or(0)});
    BssAttributes a;
    a.signalMbm = c.mbm;
    a.signalUnspec = c.unspec;
    const WLAN_BSS_ENTRY e = Parsed(a);
    EXPECT_EQ(e.lRssi, c.rssi);
    EXPECT_EQ(e.uLinkQuality, c.quality);
  }
}

TEST(Nl80211Parse, CentreFrequencyInKilohertz) {
  struct Case {
    std::optional<uint32_t> mhz;
    std::optional<uint32_t> offset;
    ULONG kHz;
  };
  const Case cases[] = {
      {2412, {}, 2412000}, {2484, {}, 2484000}, {5955, {}, 5955000}, {6415, {}, 6415000},
      {902, 500, 902500},  {2412, 0, 2412000},  {{}, {}, 0},         {4294967, {}, 4294967000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kHz);
    BssAttributes a;
    a.frequencyMhz = c.mhz;
    a.frequencyOffsetKhz = c.offset;
    EXPECT_EQ(Parsed(a).ulChCenterFrequency, c.kHz);
  }
}

TEST(Nl80211Parse, HostTimeFromTheAgeOfTheEntry) {
  struct Case {
    const char* name;
    std::optional<uint64_t> lastSeen;
    std::optional<uint32_t> msAgo;
    ULONGLONG host;
  };
  const Case cases[] = {
      {"boot time", kClock.boottimeNs - 1500000000ULL, {}, kClockFileTime - 15000000},
      {"ms ago", {}, 2500, kClockFileTime - 25000000},
      {"boot time preferred", kClock.boottimeNs - 100, 2500, kClockFileTime - 1},
      {"neither: now", {}, {}, kClockFileTime},
      {"seen after the clock was read", kClock.boottimeNs + 7000, {}, kClockFileTime},
      {"seen at boot", 0, {}, kClockFileTime - 50000000000ULL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BssAttributes a;
    a.lastSeenBoottimeNs = c.lastSeen;
    a.seenMsAgo = c.msAgo;
    EXPECT_EQ(Parsed(a).ullHostTimestamp, c.host);
  }
}

TEST(Nl80211Parse, HostTimestampEdges) {
  EXPECT_EQ(HostTimestampFromAge({0, 0}, 0), kFileTimeUnixEpoch);
  EXPECT_EQ(HostTimestampFromAge({0, 0}, 100), kFileTimeUnixEpoch - 1);
  EXPECT_EQ(HostTimestampFromAge({0, 0}, 1), kFileTimeUnixEpoch - 1);  // rounds down
  // Ages and clocks at the ends of their range saturate instead of wrapping round.
  constexpr ULONGLONG kEarliest = kFileTimeUnixEpoch - 92233720368547759ULL;  // INT64_MIN ns
  EXPECT_EQ(HostTimestampFromAge({0, 1700000000LL * 1000000000LL}, UINT64_MAX),
            kFileTimeUnixEpoch + 17000000000000000ULL - 92233720368547759ULL);
  EXPECT_EQ(HostTimestampFromAge({0, INT64_MIN}, 5), kEarliest);
  EXPECT_EQ(HostTimestampFromAge({0, INT64_MIN + 3}, UINT64_MAX), kEarliest);
  EXPECT_EQ(HostTimestampFromAge({0, INT64_MAX}, 0), kFileTimeUnixEpoch + INT64_MAX / 100);
}

TEST(Nl80211Parse, SsidFromTheElements) {
  const std::string longName = "0123456789abcdef0123456789ABCDEF";
  struct Case {
    const char* name;
    std::optional<Bytes> elements;
    std::optional<Bytes> beaconIes;
    std::string ssid;
  };
  const Case cases[] = {
      {"after other elements",
       Element(1, "\x82") + Element(0, "cafe") + Element(3, "\x06"),
       {},
       "cafe"},
      {"first SSID element counts", Element(0, "one") + Element(0, "two"), {}, "one"},
      {"beacon elements when no others", {}, Element(0, "beacon"), "beacon"},
      {"probe response elements first", Element(0, "probe"), Element(0, "beacon"), "probe"},
      {"hidden, empty", Element(0, ""), {}, ""},
      {"hidden, zero-filled", Element(0, std::string(6, '\0')), {}, std::string(6, '\0')},
      {"32 bytes", Element(0, longName) + Element(1, "\x82"), {}, longName},
      {"non-ASCII and invalid UTF-8", Element(0, "Caf\xC3\xA9\xFF\x01"), {}, "Caf\xC3\xA9\xFF\x01"},
      {"no SSID element", Element(1, "\x82"), {}, ""},
      {"empty element blob", Bytes{}, {}, ""},
      {"no elements at all", {}, {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BssAttributes a;
    a.informationElements = c.elements;
    a.beaconIes = c.beaconIes;
    const WLAN_BSS_ENTRY e = Parsed(a);
    EXPECT_EQ(SsidOf(e), c.ssid);
    for (std::size_t i = c.ssid.size(); i < DOT11_SSID_MAX_LENGTH; ++i) {
      EXPECT_EQ(e.dot11Ssid.ucSSID[i], 0) << i;
    }
  }
}

TEST(Nl80211Parse, MalformedBssIsSkipped) {
  struct Case {
    const char* name;
    BssAttributes attributes;
  };
  std::vector<Case> cases;
  const auto add = [&](const char* name, auto change) {
    BssAttributes a;
    change(a);
    cases.push_back({name, a});
  };
  add("no BSSID", [](BssAttributes& a) { a.bssid.reset(); });
  add("short BSSID", [](BssAttributes& a) { a.bssid = Bytes{1, 2, 3, 4, 5}; });
  add("long BSSID", [](BssAttributes& a) { a.bssid = Bytes{1, 2, 3, 4, 5, 6, 7}; });
  add("element past its blob", [](BssAttributes& a) {
    a.informationElements = Element(0, "ok") + Bytes{1, 5, 0x82};
  });
  add("SSID element past its blob", [](BssAttributes& a) {
    a.informationElements = Bytes{0, 9, 'a', 'b'};
  });
  add("element header cut off",
      [](BssAttributes& a) { a.informationElements = Element(0, "ok") + Bytes{0xDD}; });
  add("SSID element of 33 bytes",
      [](BssAttributes& a) { a.informationElements = Element(0, std::string(33, 'x')); });
  add("broken beacon elements", [](BssAttributes& a) {
    a.informationElements.reset();
    a.beaconIes = Bytes{0, 40, 'x'};
  });
  add("frequency too short", [](BssAttributes& a) {
    a.frequencyMhz.reset();
    a.raw.push_back({NL80211_BSS_FREQUENCY, Bytes{0x6C, 0x09}});
  });
  add("TSF too short", [](BssAttributes& a) {
    a.tsf.reset();
    a.raw.push_back({NL80211_BSS_TSF, Bytes{1, 2, 3, 4}});
  });
  add("signal too short", [](BssAttributes& a) {
    a.signalMbm.reset();
    a.raw.push_back({NL80211_BSS_SIGNAL_MBM, Bytes{1}});
  });
  add("frequency beyond 32 bits of kHz", [](BssAttributes& a) { a.frequencyMhz = 4294968; });
  add("offset beyond 32 bits of kHz", [](BssAttributes& a) {
    a.frequencyMhz = 4294967;
    a.frequencyOffsetKhz = 0xFFFFFFFF;
  });
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto message = ScanResult(c.attributes);
    WLAN_BSS_ENTRY entry;
    EXPECT_EQ(ParseBssMessage(message.get(), kClock, entry), BssParse::kSkip);
  }
}

TEST(Nl80211Parse, MessagesWithoutABss) {
  WLAN_BSS_ENTRY entry;
  EXPECT_EQ(ParseBssMessage(nullptr, kClock, entry), BssParse::kSkip);

  auto noBss = testing::NewMessage(NL80211_CMD_NEW_SCAN_RESULTS);
  nla_put_u32(noBss.get(), NL80211_ATTR_IFINDEX, 3);
  EXPECT_EQ(ParseBssMessage(noBss.get(), kClock, entry), BssParse::kSkip);

  // The nest holds bytes that are no attributes at all.
  auto garbage = testing::NewMessage(NL80211_CMD_NEW_SCAN_RESULTS);
  const Bytes junk = {0xFF, 0xFF, 0x01, 0x00, 0xAA, 0xBB};
  nla_put(garbage.get(), NL80211_ATTR_BSS, static_cast<int>(junk.size()), junk.data());
  EXPECT_EQ(ParseBssMessage(garbage.get(), kClock, entry), BssParse::kSkip);

  // A header with no generic-netlink header behind it.
  testing::Message bare(nlmsg_alloc());
  nlmsg_put(bare.get(), 0, 0, 28, 0, 0);
  EXPECT_EQ(ParseBssMessage(bare.get(), kClock, entry), BssParse::kSkip);
}

TEST(Nl80211Parse, OneBadBssDoesNotStopTheDump) {
  BssAttributes bad;
  bad.informationElements = Bytes{0, 200};
  BssAttributes second;
  second.bssid = Bytes{2, 0, 0, 0, 0, 2};
  second.informationElements = Element(0, "second");
  const testing::Message dump[] = {ScanResult({}), ScanResult(bad), ScanResult(second)};
  std::vector<std::string> names;
  for (const auto& message : dump) {
    WLAN_BSS_ENTRY entry;
    if (ParseBssMessage(message.get(), kClock, entry) == BssParse::kEntry) {
      names.push_back(SsidOf(entry));
    }
  }
  EXPECT_EQ(names, (std::vector<std::string>{"home", "second"}));
}

TEST(Nl80211Parse, FindSsidChecksEveryElement) {
  DOT11_SSID ssid;
  EXPECT_EQ(FindSsid(Element(0, "a") + Bytes{7, 3, 1}, ssid), SsidSearch::kMalformed);
  EXPECT_EQ(FindSsid(Element(7, "abc"), ssid), SsidSearch::kAbsent);
  EXPECT_EQ(ssid.uSSIDLength, 0u);
  EXPECT_EQ(FindSsid(Bytes{0, 0}, ssid), SsidSearch::kFound);
  EXPECT_EQ(FindSsid(Element(0, std::string(32, 'z')), ssid), SsidSearch::kFound);
  EXPECT_EQ(ssid.uSSIDLength, 32u);
  EXPECT_EQ(ssid.ucSSID[31], 'z');
  EXPECT_EQ(FindSsid({}, ssid), SsidSearch::kAbsent);
}

TEST(Nl80211Parse, StationInterfaces) {
  struct Case {
    const char* name;
    InterfaceAttributes attributes;
    bool station;
    uint32_t ifindex;
    std::string interfaceName;
  };
  InterfaceAttributes accessPoint;
  accessPoint.iftype = NL80211_IFTYPE_AP;
  InterfaceAttributes noIndex;
  noIndex.ifindex.reset();
  InterfaceAttributes noType;
  noType.iftype.reset();
  InterfaceAttributes zeroIndex;
  zeroIndex.ifindex = 0;
  InterfaceAttributes unterminated;
  unterminated.name = Bytes{'w', 'l', 'a', 'n', '1'};
  InterfaceAttributes noName;
  noName.name.reset();
  const Case cases[] = {
      {"station", {}, true, 3, "wlp2s0"},
      {"name without zero byte", unterminated, true, 3, "wlan1"},
      {"no name", noName, true, 3, ""},
      {"access point", accessPoint, false, 0, ""},
      {"no index", noIndex, false, 0, ""},
      {"zero index", zeroIndex, false, 0, ""},
      {"no type", noType, false, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto message = testing::InterfaceReply(c.attributes);
    StationInterface station;
    ASSERT_EQ(ParseInterfaceMessage(message.get(), station), c.station);
    if (c.station) {
      EXPECT_EQ(station.ifindex, c.ifindex);
      EXPECT_EQ(station.name, c.interfaceName);
    }
  }
}

TEST(Nl80211Parse, GuidCarriesTheInterfaceIndex) {
  for (const uint32_t ifindex : {1u, 3u, 0xFFFFFFFFu}) {
    EXPECT_EQ(IfindexFromGuid(GuidFromIfindex(ifindex)), ifindex);
  }
  GUID foreign = GuidFromIfindex(3);
  foreign.Data4[0] ^= 1;
  EXPECT_EQ(IfindexFromGuid(foreign), 0u);
  foreign = GuidFromIfindex(3);
  foreign.Data2 = 1;
  EXPECT_EQ(IfindexFromGuid(foreign), 0u);
}

}  // namespace
}  // namespace quorvan

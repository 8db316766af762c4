#include "wlan/linux/nl80211_parse.h"

#include <gtest/gtest.h>
#include <linux/nl80211.h>
#include <netlink/attr.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvan {
namespace {

using Bytes = std::vector<uint8_t>;
using Attributes = std::map<int, std::optional<Bytes>>;  // std::nullopt, {}, is not put
constexpr int kBssid = NL80211_BSS_BSSID, kFreq = NL80211_BSS_FREQUENCY,
              kOffset = NL80211_BSS_FREQUENCY_OFFSET, kTsf = NL80211_BSS_TSF,
              kIes = NL80211_BSS_INFORMATION_ELEMENTS, kBeaconIes = NL80211_BSS_BEACON_IES,
              kMbm = NL80211_BSS_SIGNAL_MBM, kPercent = NL80211_BSS_SIGNAL_UNSPEC,
              kMsAgo = NL80211_BSS_SEEN_MS_AGO, kBoot = NL80211_BSS_LAST_SEEN_BOOTTIME;

template <typename T>
Bytes Raw(T value) {
  Bytes bytes(sizeof value);
  std::memcpy(bytes.data(), &value, sizeof value);
  return bytes;
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// An information element: ID, length, body.
Bytes Element(uint8_t id, std::string_view body) {
  return Bytes{id, static_cast<uint8_t>(body.size())} + Bytes(body.begin(), body.end());
}

using Message = std::unique_ptr<nl_msg, decltype(&nlmsg_free)>;

// A scan result laid out as the kernel does, of a well-formed BSS with `changes` made to it.
Message ScanResult(const Attributes& changes) {
  Attributes bss = {{kBssid, Bytes{2, 0x11, 0x22, 0x33, 0x44, 0x55}},
                    {kFreq, Raw(2437u)},
                    {kTsf, Raw(0xFEDCBA9876543210ULL)},
                    {NL80211_BSS_BEACON_INTERVAL, Raw<uint16_t>(102)},
                    {kIes, Element(0, "home") + Element(1, "\x82\x84")},
                    {kMbm, Raw(-4500)}};
  for (const auto& [type, bytes] : changes) bss[type] = bytes;
  Message message(nlmsg_alloc(), nlmsg_free);
  nl_msg* m = message.get();
  genlmsg_put(m, 0, 0, 28, 0, NLM_F_MULTI, NL80211_CMD_NEW_SCAN_RESULTS, 1);
  nlattr* nest = nla_nest_start(m, NL80211_ATTR_BSS);
  for (const auto& [type, bytes] : bss) {
    if (bytes) nla_put(m, type, static_cast<int>(bytes->size()), bytes->data());
  }
  nla_nest_end(m, nest);
  return message;
}

constexpr HostClock kClock = {5000ULL * 1000000000ULL, 1700000000LL * 1000000000LL};
constexpr ULONGLONG kNow = 133444736000000000ULL;  // kClock.realtimeNs in Windows units

std::string SsidOf(const WLAN_BSS_ENTRY& entry) {
  return std::string(entry.dot11Ssid.ucSSID, entry.dot11Ssid.ucSSID + entry.dot11Ssid.uSSIDLength);
}

// Every field: those that are derived as "SSID RSSI/quality age kHz", the age in 100 ns units
// before the clocks were read; the others as they come.
TEST(Nl80211Parse, EveryFieldBothSignalFormsAndHostTime) {
  const std::string longName = "0123456789abcdef0123456789ABCDEF";
  const struct {
    Attributes changes;
    std::string fields;
  } cases[] = {
      {{{kMbm, Raw(-7250)}, {kBoot, Raw(kClock.boottimeNs - 1500)}}, "home -72/56 15 2437000"},
      {{{kMbm, Raw(-11000)}}, "home -110/0 0 2437000"},
      {{{kMbm, {}}, {kPercent, Raw<uint8_t>(81)}}, "home -60/80 0 2437000"},
      {{{kMbm, {}}, {kPercent, Raw<uint8_t>(255)}}, "home -50/100 0 2437000"},
      {{{kPercent, Raw<uint8_t>(20)}}, "home -45/100 0 2437000"},  // mBm wins
      {{{kMbm, {}}}, "home -100/0 0 2437000"},
      {{{kFreq, Raw(902u)}, {kOffset, Raw(500u)}}, "home -45/100 0 902500"},
      {{{kMsAgo, Raw(2500u)}}, "home -45/100 25000000 2437000"},
      {{{kMsAgo, Raw(2500u)}, {kBoot, Raw(0ULL)}}, "home -45/100 50000000000 2437000"},
      {{{kBoot, Raw(kClock.boottimeNs + 7000)}}, "home -45/100 0 2437000"},  // seen after now
      {{{kIes, Element(1, "\x82") + Element(0, "cafe") + Element(3, "\x06")}},
       "cafe -45/100 0 2437000"},
      {{{kIes, Element(0, "one") + Element(0, "two")}}, "one -45/100 0 2437000"},
      {{{kIes, {}}, {kBeaconIes, Element(0, "beacon")}}, "beacon -45/100 0 2437000"},
      {{{kIes, Element(0, "probe")}, {kBeaconIes, Element(0, "b")}}, "probe -45/100 0 2437000"},
      {{{kIes, Element(0, std::string(6, '\0'))}}, std::string(6, '\0') + " -45/100 0 2437000"},
      {{{kIes, Element(0, longName) + Element(1, "\x82")}}, longName + " -45/100 0 2437000"},
      {{{kIes, Element(1, "\x82")}}, " -45/100 0 2437000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fields);
    WLAN_BSS_ENTRY e = {};
    ASSERT_EQ(ParseBssMessage(ScanResult(c.changes).get(), kClock, e), BssParse::kEntry);
    EXPECT_EQ(SsidOf(e) + " " + std::to_string(e.lRssi) + "/" + std::to_string(e.uLinkQuality) +
                  " " + std::to_string(kNow - e.ullHostTimestamp) + " " +
                  std::to_string(e.ulChCenterFrequency),
              c.fields);
    EXPECT_EQ(Bytes(e.dot11Bssid, e.dot11Bssid + 6), (Bytes{2, 0x11, 0x22, 0x33, 0x44, 0x55}));
    EXPECT_EQ(e.ullTimestamp, 0xFEDCBA9876543210ULL);
    EXPECT_EQ(e.usBeaconPeriod, 102);
    EXPECT_TRUE(std::all_of(e.dot11Ssid.ucSSID + e.dot11Ssid.uSSIDLength, e.dot11Ssid.ucSSID + 32,
                            [](UCHAR b) { return b == 0; }));
  }
}

TEST(Nl80211Parse, MalformedBssIsSkippedAndTheDumpGoesOn) {
  const Attributes cases[] = {
      {{kBssid, {}}},
      {{kBssid, Bytes{1, 2, 3, 4, 5}}},
      {{kIes, Element(0, "ok") + Bytes{1, 5, 0x82}}},  // an element past its blob
      {{kIes, Element(0, "ok") + Bytes{0xDD}}},        // an element header cut off
      {{kIes, Element(0, std::string(33, 'x'))}},
      {{kIes, {}}, {kBeaconIes, Bytes{0, 40, 'x'}}},
      {{kTsf, Bytes{1, 2, 3, 4}}},
      {{kFreq, Raw(4294968u)}},  // beyond 32 bits of kHz
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    WLAN_BSS_ENTRY entry;
    EXPECT_EQ(ParseBssMessage(ScanResult(cases[i]).get(), kClock, entry), BssParse::kSkip);
    // A good BSS after each bad one is still read.
    ASSERT_EQ(ParseBssMessage(ScanResult({}).get(), kClock, entry), BssParse::kEntry);
    EXPECT_EQ(SsidOf(entry), "home");
  }
}

}  // namespace
}  // namespace quorvan

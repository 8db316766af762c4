#include <gtest/gtest.h>
#include <linux/nl80211.h>
#include <netlink/genl/genl.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "scenario/scenario_file.h"
#include "wlan/linux/network_manager.h"
#include "wlan/linux/nl80211_parse.h"
#include "wlan/linux/simulated_service.h"

namespace quorvan {
namespace {

using Attributes = std::map<int, std::string>;  // an empty value is left out
constexpr int kBssid = NL80211_BSS_BSSID, kFreq = NL80211_BSS_FREQUENCY,
              kIes = NL80211_BSS_INFORMATION_ELEMENTS, kBeaconIes = NL80211_BSS_BEACON_IES,
              kMbm = NL80211_BSS_SIGNAL_MBM, kPercent = NL80211_BSS_SIGNAL_UNSPEC,
              kMsAgo = NL80211_BSS_SEEN_MS_AGO, kBoot = NL80211_BSS_LAST_SEEN_BOOTTIME,
              kCapability = NL80211_BSS_CAPABILITY;

const auto Raw = [](auto v) { return std::string(reinterpret_cast<const char*>(&v), sizeof v); };

// An information element: ID, length, body.
std::string Element(char id, const std::string& b) { return std::string{id, char(b.size())} + b; }

// A scan result laid out as the kernel does, of a well-formed BSS with `changes` made to it.
std::unique_ptr<nl_msg, decltype(&nlmsg_free)> ScanResult(const Attributes& changes) {
  Attributes bss = {{kBssid, "\x02\x11\x22\x33\x44\x55"},
                    {kFreq, Raw(2437u)},
                    {NL80211_BSS_TSF, Raw(0xFEDCBA9876543210ULL)},
                    {NL80211_BSS_BEACON_INTERVAL, Raw(uint16_t{102})},
                    {kIes, Element(0, "home") + Element(1, "\x82\x84")},
                    {kMbm, Raw(-4500)}};
  for (const auto& [type, bytes] : changes) bss[type] = bytes;
  std::unique_ptr<nl_msg, decltype(&nlmsg_free)> message(nlmsg_alloc(), nlmsg_free);
  genlmsg_put(message.get(), 0, 0, 28, 0, NLM_F_MULTI, NL80211_CMD_NEW_SCAN_RESULTS, 1);
  nlattr* nest = nla_nest_start(message.get(), NL80211_ATTR_BSS);
  for (const auto& [type, bytes] : bss) {
    if (!bytes.empty()) nla_put(message.get(), type, static_cast<int>(bytes.size()), bytes.data());
  }
  nla_nest_end(message.get(), nest);
  return message;
}

constexpr HostClock kClock = {5000ULL * 1000000000ULL, 1700000000LL * 1000000000LL};
constexpr ULONGLONG kNow = 133444736000000000ULL;  // kClock.realtimeNs in Windows units

// Entries as "SSID RSSI/quality age kHz", the age in 100 ns before the clocks were read. An
// empty expectation: the BSS is skipped, and the good one after it is still read. The elements
// are those of the last frame heard, the beacon's only when there are no others; the capability
// is a u16 or the BSS is skipped.
TEST(Nl80211Parse, EveryFieldBothSignalFormsHostTimeAndMalformedBss) {
  const std::string longName = "0123456789abcdef0123456789ABCDEF", skip;
  const struct {
    Attributes changes;
    std::string fields;
    uint16_t capability = 0;
    std::string ies = "";  // checked where given
  } cases[] = {
      {{{kCapability, Raw(uint16_t{0x0431})}},
       "home -45/100 0 2437000",
       0x0431,
       Element(0, "home") + Element(1, "\x82\x84")},
      {{{kCapability, "\x31"}}, skip},  // too short a u16
      {{{kMbm, Raw(-7250)}, {kBoot, Raw(kClock.boottimeNs - 1500)}}, "home -72/56 15 2437000"},
      {{{kBssid, ""}}, skip},
      {{{kMbm, Raw(-11000)}, {kMsAgo, Raw(2500u)}}, "home -110/0 25000000 2437000"},
      {{{kBssid, "\x01\x02\x03\x04\x05"}}, skip},
      {{{kMbm, ""}, {kPercent, Raw(uint8_t{81})}, {kIes, Element(1, "\x82")}}, " -60/80 0 2437000"},
      {{{kIes, Element(0, "ok") + "\x01\x05\x82"}}, skip},  // an element past its blob
      {{{kMbm, ""}, {kPercent, Raw(uint8_t{255})}}, "home -50/100 0 2437000"},
      {{{kIes, Element(0, "ok") + "\xDD"}}, skip},  // an element header cut off
      {{{kFreq, Raw(902u)}, {NL80211_BSS_FREQUENCY_OFFSET, Raw(500u)}}, "home -45/100 0 902500"},
      {{{kIes, Element(0, std::string(33, 'x'))}}, skip},
      {{{kMbm, ""}, {kMsAgo, Raw(2500u)}, {kBoot, Raw(0ULL)}}, "home -100/0 50000000000 2437000"},
      {{{kFreq, Raw(4294968u)}}, skip},  // beyond 32 bits of kHz
      {{{kBoot, Raw(kClock.boottimeNs + 7000)}}, "home -45/100 0 2437000"},  // seen after now
      {{{kIes, Element(1, "\x82") + Element(0, "cafe") + Element(0, "two") + Element(3, "\x06")}},
       "cafe -45/100 0 2437000"},
      {{{kIes, ""},
        {kBeaconIes, Element(0, std::string(6, '\0'))},
        {kCapability, Raw(uint16_t{0xFFFF})}},
       std::string(6, '\0') + " -45/100 0 2437000",
       0xFFFF,
       Element(0, std::string(6, '\0'))},
      {{{kIes, Element(0, longName)}, {kBeaconIes, Element(0, "b")}, {kPercent, Raw(uint8_t{20})}},
       longName + " -45/100 0 2437000",
       0,
       Element(0, longName)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.changes));
    WlanBss bss;
    const BssParse parsed = ParseBssMessage(ScanResult(c.changes).get(), kClock, bss);
    const WLAN_BSS_ENTRY& e = bss.entry;
    ASSERT_EQ(parsed, c.fields.empty() ? BssParse::kSkip : BssParse::kEntry);
    if (parsed == BssParse::kSkip) continue;
    const std::string ssid(e.dot11Ssid.ucSSID, e.dot11Ssid.ucSSID + 32);
    EXPECT_EQ(ssid.substr(0, e.dot11Ssid.uSSIDLength) + " " + std::to_string(e.lRssi) + "/" +
                  std::to_string(e.uLinkQuality) + " " + std::to_string(kNow - e.ullHostTimestamp) +
                  " " + std::to_string(e.ulChCenterFrequency),
              c.fields);
    EXPECT_EQ(ssid.substr(e.dot11Ssid.uSSIDLength), std::string(32 - e.dot11Ssid.uSSIDLength, 0));
    EXPECT_EQ(std::string(e.dot11Bssid, e.dot11Bssid + 6), "\x02\x11\x22\x33\x44\x55");
    EXPECT_EQ(e.ullTimestamp, 0xFEDCBA9876543210ULL);
    EXPECT_EQ(e.usBeaconPeriod, 102);
    EXPECT_EQ(e.usCapabilityInformation, c.capability);
    if (!c.ies.empty()) {
      EXPECT_EQ(std::string(bss.ies.begin(), bss.ies.end()), c.ies);
    }
  }
  // Only a BSSID: every other attribute is optional.
  WlanBss bare;
  ASSERT_EQ(ParseBssMessage(ScanResult({{kFreq, ""},
                                        {NL80211_BSS_TSF, ""},
                                        {kIes, ""},
                                        {kMbm, ""},
                                        {NL80211_BSS_BEACON_INTERVAL, ""}})
                                .get(),
                            kClock, bare),
            BssParse::kEntry);
  EXPECT_EQ(std::tuple(bare.entry.dot11Ssid.uSSIDLength, bare.entry.ullTimestamp,
                       bare.entry.ulChCenterFrequency, bare.entry.usBeaconPeriod, bare.ies.size()),
            std::tuple(0u, 0u, 0u, 0, 0u));
}

// Only the end of a scan on the interface waited for ends the wait.
TEST(Nl80211Parse, ScanEventsEndOnlyTheirInterfacesScan) {
  const auto event = [](uint8_t command, const std::string& ifindex) {
    std::unique_ptr<nl_msg, decltype(&nlmsg_free)> message(nlmsg_alloc(), nlmsg_free);
    genlmsg_put(message.get(), 0, 0, 28, 0, 0, command, 1);
    nla_put_u32(message.get(), NL80211_ATTR_WIPHY, 3);
    if (!ifindex.empty()) {
      nla_put(message.get(), NL80211_ATTR_IFINDEX, static_cast<int>(ifindex.size()),
              ifindex.data());
    }
    return message;
  };
  using enum ScanEvent;
  const struct {
    uint8_t command;
    std::string ifindex;
    ScanEvent seen;
  } cases[] = {
      {NL80211_CMD_NEW_SCAN_RESULTS, Raw(4u), kFinished},
      {NL80211_CMD_SCAN_ABORTED, Raw(4u), kAborted},
      {NL80211_CMD_TRIGGER_SCAN, Raw(4u), kStarted},
      {NL80211_CMD_NEW_SCAN_RESULTS, Raw(5u), kOther},
      {NL80211_CMD_TRIGGER_SCAN, Raw(5u), kOther},
      {NL80211_CMD_GET_SCAN, Raw(4u), kOther},
      {NL80211_CMD_NEW_SCAN_RESULTS, "", kOther},
      {NL80211_CMD_NEW_SCAN_RESULTS, Raw(uint16_t{4}), kOther},  // too short for an index
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    EXPECT_EQ(ParseScanEvent(event(c.command, c.ifindex).get(), 4), c.seen);
  }
  EXPECT_EQ(ParseScanEvent(nullptr, 4), kOther);
}

// NetworkManager's refusals: a scan a moment ago stays quiet, an absent NetworkManager means
// asking the kernel, anything else is a refusal worth telling.
TEST(NetworkManager, ScanRefusalsByNameAndWords) {
  const std::string notAllowed = "org.freedesktop.NetworkManager.Device.NotAllowed";
  const struct {
    std::string name, message;
    NmScan result;
  } cases[] = {
      {notAllowed, "Scanning not allowed immediately following previous scan",
       NmScan::kRateLimited},
      {notAllowed, "Scanning not allowed while already scanning", NmScan::kRateLimited},
      {notAllowed, "Scanning not allowed while unavailable", NmScan::kRefused},
      {"org.freedesktop.NetworkManager.PermissionDenied", "Not authorized", NmScan::kRefused},
      {"org.freedesktop.DBus.Error.ServiceUnknown", "not activatable", NmScan::kNotAvailable},
      {"org.freedesktop.DBus.Error.UnknownMethod", "no RequestScan", NmScan::kNotAvailable},
      {"org.freedesktop.DBus.Error.NoReply", "timed out", NmScan::kRefused},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ClassifyScanRefusal(c.name, c.message), c.result) << c.message;
}

auto Fields(const BssObservation& o) {
  return std::tie(o.bssid, o.ssid, o.rssi, o.linkQuality, o.timestamp, o.hostTimestamp,
                  o.centerFrequency, o.beaconPeriod, o.capability, o.ies);
}

// Every field of a good file, then each fault on line 5 of it, which names its line.
TEST(ScenarioParse, EveryFieldAndEachFaultWithItsLine) {
  const std::string good =
      "# recorded\n\n"
      R"([{"bssid": "00:1a:2B:3c:4D:5e", "ssid_hex": "ff00FE", "rssi": -61, "link_quality": 7,)"
      R"( "frequency_khz": 4294967295, "beacon_period": 65535, "timestamp": "0xfedcba9876543210",)"
      R"( "host_timestamp": 18446744073709551615, "capability": 65535, "ies_hex": "00Ff",)"
      R"( "note": "\"[[[[[[[[[[[[[[[[[[[[", "x": [{}]},)"
      R"( {"bssid": "00-00-00-00-00-01", "ssid": "caf\u00e9", "rssi": -75}])"
      "\r\n  {\"error\": \"no-interface\"}\n";
  std::vector<ScenarioLine> lines;
  std::string error;
  ASSERT_TRUE(ParseScenario(good, lines, error)) << error;
  ASSERT_EQ(lines.size(), 2u);
  ASSERT_EQ(
      std::tuple(lines[0].lineNumber, lines[0].bsses.size(), lines[1].lineNumber, lines[1].outcome),
      std::tuple(3, 2u, 4, QueryOutcome::kNoInterface));
  BssObservation all{{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, {0xFF, 0, 0xFE}, -61, 7};
  all.timestamp = 0xFEDCBA9876543210ULL, all.hostTimestamp = UINT64_MAX;
  all.centerFrequency = UINT32_MAX, all.beaconPeriod = 65535, all.capability = 65535;
  all.ies = {0x00, 0xFF};
  EXPECT_EQ(Fields(lines[0].bsses[0]), Fields(all));
  // Absent fields are zero, the link quality then comes from the RSSI.
  const BssObservation defaults{{0, 0, 0, 0, 0, 1}, {'c', 'a', 'f', 0xC3, 0xA9}, -75, 50};
  EXPECT_EQ(Fields(lines[0].bsses[1]), Fields(defaults));

  const std::string bss = R"([{"bssid": "00:00:00:00:00:01", )";
  const struct {
    std::string line;
    const char* error;
  } faults[] = {
      {"42", "expected a JSON array of BSS objects or an {\"error\": ...} object"},
      {bss + R"("ssid_hex": ")" + std::string(66, 'a') + "\"}]",
       "BSS 1: \"ssid_hex\" is 33 bytes, more than 32"},
      {bss + R"("ssid_hex": "abc"}])", "BSS 1: \"ssid_hex\" is not hex digits in pairs"},
      {bss + R"("ies_hex": ")" + std::string(4610, 'a') + "\"}]",
       "BSS 1: \"ies_hex\" is 2305 bytes, more than 2304"},
      {bss + R"("ies_hex": "0g"}])", "BSS 1: \"ies_hex\" is not hex digits in pairs"},
      {bss + R"("ies_hex": ["00"]}])", "BSS 1: \"ies_hex\" must be a string"},
      {bss + R"("capability": 65536}])", "BSS 1: \"capability\" is out of range"},
      {bss + R"("capability": -1}])", "BSS 1: \"capability\" is out of range"},
      {bss + R"("capability": "0x11"}])", "BSS 1: \"capability\" must be a number"},
      {bss + R"("link_quality": 101}])", "BSS 1: \"link_quality\" is out of range"},
      {bss + R"("timestamp": "0x10000000000000000"}])", "BSS 1: \"timestamp\" is out of range"},
      {bss + R"("rssi": -60.5}])",
       "BSS 1: \"rssi\" is out of range (not an integer, or too large)"},
      {R"([{"bssid": "00:00:00:00:00:01"}, {"ssid": "x"}])", "BSS 2: \"bssid\" is missing"},
      {std::string(100000, '['), "nested deeper than 16 levels"},
      {bss + R"("ssid": "a", "ssid_hex": "61"}])",
       "BSS 1: \"ssid\" and \"ssid_hex\" are both given"},
  };
  for (const auto& c : faults) {
    EXPECT_FALSE(ParseScenario("# c\n[]\n\n{\"error\": \"no-service\"}\r\n" + c.line + "\n[]\n",
                               lines, error));
    EXPECT_EQ(error, std::string("5: ") + c.error);
  }
}

// A bad last line without a newline is a recording cut short: the lines before it count.
// Anywhere else, or with its newline, a bad line is an error.
TEST(ScenarioParse, TornLastLineIsLeftOutOnlyAtTheEnd) {
  std::vector<ScenarioLine> lines;
  std::string error, torn;
  ASSERT_TRUE(
      ParseScenario("[]\n{\"error\": \"no-service\"}\n[{\"bssid\": \"00:0", lines, error, &torn));
  EXPECT_EQ(lines.size(), 2u);
  EXPECT_EQ(torn.substr(0, 11), "3: not JSON");
  ASSERT_TRUE(ParseScenario("[]\n", lines, error, &torn));
  EXPECT_EQ(torn, "");
  EXPECT_FALSE(ParseScenario("[]\n[{\"bssid\": \"00:0\n", lines, error, &torn));
  EXPECT_EQ(error.substr(0, 11), "2: not JSON");
  EXPECT_FALSE(ParseScenario("[{\"bssid\": \"00:0\n[]", lines, error, &torn));
}

TEST(SimulatedRadio, SameSeedSameListsInAllThreeBands) {
  std::set<int> bands;
  const auto rounds = [&](uint64_t seed) {
    SimulatedRadio radio(seed);
    std::string lists;
    for (int i = 0; i < 30; ++i, radio.Scan()) {
      for (const auto& [e, ies] : radio.Query()) {
        lists += std::string(e.dot11Bssid, e.dot11Bssid + 6) +
                 std::string(e.dot11Ssid.ucSSID, e.dot11Ssid.ucSSID + 32) +
                 std::to_string(e.lRssi) + " " + std::to_string(e.uLinkQuality) + " " +
                 std::to_string(e.ullTimestamp) + " " + std::to_string(e.ullHostTimestamp) + "\n";
        bands.insert(e.ulChCenterFrequency < 3000000 ? 2 : e.ulChCenterFrequency < 5925000 ? 5 : 6);
      }
    }
    return lists;
  };
  EXPECT_EQ(rounds(7), rounds(7));
  EXPECT_NE(rounds(7), rounds(8));
  EXPECT_EQ(bands, (std::set<int>{2, 5, 6}));
}

// The scan whose end ends the wait for a request: the one our own trigger started, and, for a
// request that NetworkManager took or that the busy radio refused, also the one running when
// asked, since no later scan comes of such a request.
TEST(NetworkManager, ServingScanEndsTheWait) {
  using enum ScanEvent;
  using enum NmScan;
  const struct {
    NmScan networkManager;
    DWORD kernelResult;  // where the kernel was asked
    std::vector<ScanEvent> events;
    int endsAt;     // the index of the event that ends the wait, -1 when none does
    ScanEvent end;  // as End() tells it after every event
  } cases[] = {
      {kNotAvailable, ERROR_SUCCESS, {kStarted, kFinished}, 1, kFinished},
      {kRefused, ERROR_SUCCESS, {kFinished, kStarted, kAborted}, 2, kAborted},
      {kNotAvailable,
       ERROR_SUCCESS,
       {kAborted, kOther, kStarted, kOther, kFinished, kAborted, kStarted},
       4,
       kFinished},
      {kNotAvailable, ERROR_SUCCESS, {kFinished, kAborted}, -1, kOther},
      {kRequested, ERROR_SUCCESS, {kFinished, kStarted, kAborted}, 0, kFinished},
      {kRequested, ERROR_SUCCESS, {kOther, kAborted, kFinished}, 1, kAborted},
      {kRequested, ERROR_SUCCESS, {kStarted, kFinished}, 1, kFinished},
      {kRequested, ERROR_SUCCESS, {kOther, kStarted, kOther}, -1, kOther},
      {kNotAvailable, ERROR_BUSY, {kFinished, kStarted, kFinished}, 0, kFinished},
      {kRefused, ERROR_BUSY, {kOther, kAborted}, 1, kAborted},
      {kRefused, ERROR_BUSY, {}, -1, kOther},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    ServingScanWatch watch(ScanTakerOf(c.networkManager, c.kernelResult));
    for (int i = 0; i < static_cast<int>(c.events.size()); ++i) {
      EXPECT_EQ(watch.Observe(c.events[i]), c.endsAt >= 0 && i >= c.endsAt) << "event " << i;
    }
    EXPECT_EQ(watch.End(), c.end);
  }
}

}  // namespace
}  // namespace quorvan

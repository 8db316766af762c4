// What a monitor interface listens to and for how long, how the kernel's description of its
// radio is read, and how the frames it hears become the queries' lists.

#include <gtest/gtest.h>
#include <linux/nl80211.h>
#include <netlink/attr.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/ieee80211/capture_frames.h"
#include "wlan/linux/frame_observation.h"
#include "wlan/linux/monitor_plan.h"
#include "wlan/linux/wiphy_parse.h"

namespace quorvan {
namespace {

using std::chrono::milliseconds;

TEST(MonitorChannels, ListsAreReadAsChannelNumbersOrMegahertz) {
  struct Row {
    std::string text;
    std::vector<uint32_t> mhz;  // empty: refused
    std::string bad;            // the item a refusal names
  };
  const Row rows[] = {
      {"1,6,11,36", {2412, 2437, 2462, 5180}, ""},
      {"13,14,32,177", {2472, 2484, 5160, 5885}, ""},
      {"6,2437,6", {2437}, ""},  // the same channel twice, as number and as frequency
      {"5975,5935,7115", {5975, 5935, 7115}, ""},  // 6 GHz only as frequencies
      {"1,15", {}, "15"},
      {"31", {}, "31"},
      {"178", {}, "178"},
      {"0", {}, "0"},
      {"7200", {}, "7200"},
      {"1000", {}, "1000"},
      {"1,,6", {}, ""},
      {"", {}, ""},
      {"6,", {}, ""},
      {"six", {}, "six"},
      {"-1", {}, "-1"},
      {"+6", {}, "+6"},
      {"6 ", {}, "6 "},
      {"99999999999", {}, "99999999999"},
  };
  for (const Row& row : rows) {
    std::string bad = "unset";
    const auto mhz = ParseChannelList(row.text, bad);
    if (row.mhz.empty()) {
      EXPECT_FALSE(mhz.has_value()) << row.text;
      EXPECT_EQ(bad, row.bad) << row.text;
    } else {
      ASSERT_TRUE(mhz.has_value()) << row.text << " refused at '" << bad << "'";
      EXPECT_EQ(*mhz, row.mhz) << row.text;
    }
  }
}

TEST(MonitorChannels, TheFirstChannelTheRadioMayNotUseIsNamed) {
  const std::vector<uint32_t> allowed = {2412, 2437, 5180};
  EXPECT_EQ(FirstNotAllowed(std::vector<uint32_t>{2437, 5180}, allowed), std::nullopt);
  EXPECT_EQ(FirstNotAllowed(std::vector<uint32_t>{2412, 5200, 2484}, allowed), 5200u);
  EXPECT_EQ(FirstNotAllowed(std::vector<uint32_t>{}, allowed), std::nullopt);
}

TEST(MonitorHopping, EveryChannelIsVisitedWithinAScanPeriod) {
  struct Row {
    std::size_t channels;
    milliseconds dwell;
  };
  // At most 250 ms; the period shared by one more than the channels; at least 120 ms.
  const Row rows[] = {{1, milliseconds(250)},   {3, milliseconds(250)},  {79, milliseconds(250)},
                      {80, milliseconds(246)},  {99, milliseconds(200)}, {165, milliseconds(120)},
                      {166, milliseconds(120)}, {500, milliseconds(120)}};
  for (const Row& row : rows) EXPECT_EQ(HopDwell(row.channels), row.dwell) << row.channels;
  for (std::size_t channels = 1; channels <= 165; ++channels) {
    // However a 20 s period falls on the visits, it holds a whole visit of every channel.
    EXPECT_LE(HopDwell(channels) * static_cast<int64_t>(channels + 1), kHopPeriod) << channels;
  }
}

TEST(MonitorHopping, VisitsGoRoundAndARoundIsWholeVisits) {
  const HopSchedule schedule({2412, 5180, 5975}, milliseconds(200));
  using std::chrono::nanoseconds;
  EXPECT_EQ(schedule.VisitAt(nanoseconds(0)), 0u);
  EXPECT_EQ(schedule.VisitAt(milliseconds(199)), 0u);
  EXPECT_EQ(schedule.VisitAt(milliseconds(200)), 1u);
  EXPECT_EQ(schedule.VisitAt(milliseconds(1000)), 5u);
  EXPECT_EQ(schedule.VisitAt(nanoseconds(-5)), 0u);
  const uint32_t order[] = {2412, 5180, 5975, 2412};
  for (uint64_t visit = 0; visit < 4; ++visit) {
    EXPECT_EQ(schedule.ChannelOfVisit(visit), order[visit]);
  }
  // Asked as listening begins, the first three visits make the round; asked later, the visit
  // under way is partly past, so the round is the three after it.
  EXPECT_EQ(schedule.LastVisitOfRound(0), 2u);
  EXPECT_EQ(schedule.LastVisitOfRound(1), 4u);
  EXPECT_EQ(schedule.LastVisitOfRound(7), 10u);
  const HopSchedule one({2437}, milliseconds(250));
  EXPECT_EQ(one.LastVisitOfRound(0), 0u);
  EXPECT_EQ(one.LastVisitOfRound(3), 4u);
  EXPECT_EQ(one.ChannelOfVisit(9), 2437u);
}

// GET_WIPHY replies as the kernel builds them.
struct MessageFree {
  void operator()(nl_msg* message) const { nlmsg_free(message); }
};
using Message = std::unique_ptr<nl_msg, MessageFree>;

struct Frequency {
  uint32_t mhz;
  bool disabled = false;
  bool noIr = false;
};

Message WiphyMessage(uint32_t wiphy, const std::function<void(nl_msg*)>& body) {
  Message message(nlmsg_alloc());
  genlmsg_put(message.get(), NL_AUTO_PORT, NL_AUTO_SEQ, 0x20, 0, 0, NL80211_CMD_NEW_WIPHY, 0);
  nla_put_u32(message.get(), NL80211_ATTR_WIPHY, wiphy);
  if (body) body(message.get());
  return message;
}

void PutIftypes(nl_msg* message, std::initializer_list<int> types) {
  nlattr* nest = nla_nest_start(message, NL80211_ATTR_SUPPORTED_IFTYPES);
  for (int type : types) nla_put_flag(message, type);
  nla_nest_end(message, nest);
}

void PutBand(nl_msg* message, int band, const std::vector<Frequency>& frequencies) {
  nlattr* bands = nla_nest_start(message, NL80211_ATTR_WIPHY_BANDS);
  nlattr* one = nla_nest_start(message, band);
  nlattr* freqs = nla_nest_start(message, NL80211_BAND_ATTR_FREQS);
  int index = 0;
  for (const Frequency& f : frequencies) {
    nlattr* entry = nla_nest_start(message, index++);
    nla_put_u32(message, NL80211_FREQUENCY_ATTR_FREQ, f.mhz);
    if (f.disabled) nla_put_flag(message, NL80211_FREQUENCY_ATTR_DISABLED);
    if (f.noIr) nla_put_flag(message, NL80211_FREQUENCY_ATTR_NO_IR);
    nla_put_u32(message, NL80211_FREQUENCY_ATTR_MAX_TX_POWER, 2000);
    nla_nest_end(message, entry);
  }
  nla_nest_end(message, freqs);
  nla_nest_end(message, one);
  nla_nest_end(message, bands);
}

TEST(WiphyParse, ASplitDumpGivesMonitorModeAndTheUsableChannels) {
  WiphyInfo info;
  info.index = 3;
  const Message messages[] = {
      WiphyMessage(
          3,
          [](nl_msg* m) {
            PutIftypes(m, {NL80211_IFTYPE_STATION, NL80211_IFTYPE_AP, NL80211_IFTYPE_MONITOR});
          }),
      WiphyMessage(
          3,
          [](nl_msg* m) {
            PutBand(m, NL80211_BAND_2GHZ, {{2412}, {2467, true}, {2484, false, true}, {2437}});
          }),
      // Another radio's, in the same dump: its channels are not this one's.
      WiphyMessage(4, [](nl_msg* m) { PutBand(m, NL80211_BAND_5GHZ, {{5500}}); }),
      WiphyMessage(3,
                   [](nl_msg* m) {
                     PutBand(m, NL80211_BAND_5GHZ, {{5180}, {5260, false, true}, {5200}});
                   }),
      WiphyMessage(3,
                   [](nl_msg* m) {
                     PutBand(m, NL80211_BAND_6GHZ, {{5955}, {2412}});
                   }),
      WiphyMessage(3, {}),  // a part without iftypes or bands
  };
  const WiphyParse expected[] = {WiphyParse::kTaken, WiphyParse::kTaken, WiphyParse::kOther,
                                 WiphyParse::kTaken, WiphyParse::kTaken, WiphyParse::kTaken};
  for (std::size_t i = 0; i < std::size(messages); ++i) {
    EXPECT_EQ(ParseWiphyMessage(messages[i].get(), info), expected[i]) << i;
  }
  EXPECT_TRUE(info.seen);
  EXPECT_TRUE(info.monitorMode);
  EXPECT_EQ(info.usable, (std::vector<uint32_t>{2412, 2437, 5180, 5200, 5955}));
}

TEST(WiphyParse, ARadioWithoutMonitorModeSaysSo) {
  WiphyInfo info;
  const Message message = WiphyMessage(0, [](nl_msg* m) {
    PutIftypes(m, {NL80211_IFTYPE_STATION, NL80211_IFTYPE_P2P_CLIENT});
    PutBand(m, NL80211_BAND_2GHZ, {{2412, true}});
  });
  EXPECT_EQ(ParseWiphyMessage(message.get(), info), WiphyParse::kTaken);
  EXPECT_FALSE(info.monitorMode);
  EXPECT_TRUE(info.usable.empty());
}

TEST(WiphyParse, MalformedDescriptionsAreRefusedWhole) {
  const std::pair<const char*, std::function<void(nl_msg*)>> cases[] = {
      {"a frequency of 16 bits",
       [](nl_msg* m) {
         nlattr* bands = nla_nest_start(m, NL80211_ATTR_WIPHY_BANDS);
         nlattr* band = nla_nest_start(m, NL80211_BAND_2GHZ);
         nlattr* freqs = nla_nest_start(m, NL80211_BAND_ATTR_FREQS);
         nlattr* entry = nla_nest_start(m, 0);
         nla_put_u16(m, NL80211_FREQUENCY_ATTR_FREQ, 2412);
         nla_nest_end(m, entry);
         nla_nest_end(m, freqs);
         nla_nest_end(m, band);
         nla_nest_end(m, bands);
       }},
      {"a channel without its frequency",
       [](nl_msg* m) {
         nlattr* bands = nla_nest_start(m, NL80211_ATTR_WIPHY_BANDS);
         nlattr* band = nla_nest_start(m, NL80211_BAND_2GHZ);
         nlattr* freqs = nla_nest_start(m, NL80211_BAND_ATTR_FREQS);
         nlattr* entry = nla_nest_start(m, 0);
         nla_put_flag(m, NL80211_FREQUENCY_ATTR_DISABLED);
         nla_nest_end(m, entry);
         nla_nest_end(m, freqs);
         nla_nest_end(m, band);
         nla_nest_end(m, bands);
       }},
  };
  for (const auto& [what, body] : cases) {
    WiphyInfo info;
    const Message message = WiphyMessage(0, body);
    EXPECT_EQ(ParseWiphyMessage(message.get(), info), WiphyParse::kMalformed) << what;
  }
  // An attribute that should nest and does not holds nothing that libnl could tell apart from
  // an empty nest: no channel, which leaves the radio refused for having none.
  WiphyInfo flat;
  const Message notNested = WiphyMessage(0, [](nl_msg* m) {
    nla_put_u32(m, NL80211_ATTR_WIPHY_BANDS, 2412);
    nla_put_u8(m, NL80211_ATTR_SUPPORTED_IFTYPES, NL80211_IFTYPE_MONITOR);
  });
  EXPECT_EQ(ParseWiphyMessage(notNested.get(), flat), WiphyParse::kTaken);
  EXPECT_TRUE(flat.usable.empty());
  EXPECT_FALSE(flat.monitorMode);
  // Without the radio's index, a message cannot be placed at all.
  Message anonymous(nlmsg_alloc());
  genlmsg_put(anonymous.get(), NL_AUTO_PORT, NL_AUTO_SEQ, 0x20, 0, 0, NL80211_CMD_NEW_WIPHY, 0);
  WiphyInfo info;
  EXPECT_EQ(ParseWiphyMessage(anonymous.get(), info), WiphyParse::kMalformed);
  EXPECT_EQ(ParseWiphyMessage(nullptr, info), WiphyParse::kMalformed);
  EXPECT_FALSE(info.seen);
}

TEST(WiphyParse, AnInterfaceGivesItsRadioAndType) {
  Message message(nlmsg_alloc());
  genlmsg_put(message.get(), NL_AUTO_PORT, NL_AUTO_SEQ, 0x20, 0, 0, NL80211_CMD_NEW_INTERFACE, 0);
  nla_put_u32(message.get(), NL80211_ATTR_IFINDEX, 12);
  nla_put_u32(message.get(), NL80211_ATTR_WIPHY, 8);
  InterfaceKind kind;
  EXPECT_FALSE(ParseInterfaceKind(message.get(), kind));  // no type yet
  nla_put_u32(message.get(), NL80211_ATTR_IFTYPE, NL80211_IFTYPE_MONITOR);
  ASSERT_TRUE(ParseInterfaceKind(message.get(), kind));
  EXPECT_EQ(kind.ifindex, 12u);
  EXPECT_EQ(kind.wiphy, 8u);
  EXPECT_EQ(kind.iftype, uint32_t{NL80211_IFTYPE_MONITOR});
}

// Frames as the monitor interface hears them: radiotap, then the beacon.
ieee80211::CapturedFrame Heard(testing::FrameBytes& bytes, uint8_t last, const std::string& ssid,
                               uint16_t mhz, int8_t dbm) {
  bytes = testing::Join({testing::RadiotapHeader({.mhz = mhz, .signals = {dbm}}),
                         testing::ManagementFrame({2, 0, 0, 0, last, 0}, 1000 + last, 100, 0x11,
                                                  testing::SsidBytes(ssid))});
  ieee80211::CapturedFrame frame;
  EXPECT_EQ(ieee80211::ParseCapturedFrame(ieee80211::CaptureHeader::kRadiotap, bytes, frame),
            ieee80211::FrameResult::kBeacon);
  return frame;
}

std::string Listed(const std::vector<BssObservation>& bsses) {
  std::string text;
  for (const BssObservation& bss : bsses) {
    text += std::to_string(bss.bssid[4]) + ":" +
            std::string(reinterpret_cast<const char*>(bss.ssid.data())) + "@" +
            std::to_string(bss.centerFrequency / 1000) + "/" + std::to_string(bss.rssi) + "/" +
            std::to_string((bss.hostTimestamp - 116444736000000000ULL) / 10'000'000) + " ";
  }
  return text;
}

TEST(HeardBsses, EachQueryListsWhatWasHeardSinceTheLastOnceInFirstHeardOrder) {
  HeardBsses heard;
  testing::FrameBytes a, b, c;
  heard.Add(1'000'000, Heard(a, 1, "one", 2412, -40));
  heard.Add(2'000'000, Heard(b, 2, "two", 5180, -60));
  heard.Add(3'000'000, Heard(c, 1, "one", 2437, -45));  // heard again, elsewhere: its last frame
  EXPECT_EQ(Listed(heard.Take()), "1:one@2437/-45/3 2:two@5180/-60/2 ");
  EXPECT_TRUE(heard.Empty());
  EXPECT_EQ(Listed(heard.Take()), "");  // nothing heard since
  heard.Add(4'000'000, Heard(a, 2, "two", 5180, -61));
  heard.Add(5'000'000, Heard(b, 1, "one", 2412, -41));
  EXPECT_EQ(Listed(heard.Take()), "2:two@5180/-61/4 1:one@2412/-41/5 ");
}

}  // namespace
}  // namespace quorvan

#include "ieee80211/frames.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "tests/ieee80211/capture_frames.h"

namespace quorvan::ieee80211 {
namespace {

using testing::DsBytes;
using testing::FrameBytes;
using testing::He6GhzBytes;
using testing::Join;
using testing::ManagementFrame;
using testing::Radiotap;
using testing::RadiotapHeader;
using testing::SsidBytes;

using enum FrameResult;
using enum CaptureHeader;

constexpr std::array<uint8_t, 6> kBssid = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
const FrameBytes kFcs = {0xde, 0xad, 0xbe, 0xef};

FrameBytes Beacon(const FrameBytes& elements = SsidBytes("cafe")) {
  return ManagementFrame(kBssid, 0x0102030405060708ULL, 100, 0x0411, elements);
}

struct RadiotapCase {
  const char* name;
  Radiotap radiotap;
  bool appendFcs;
  FrameResult result;
  std::optional<int32_t> signal;
  uint32_t frequencyKhz;
};

class RadiotapTest : public ::testing::TestWithParam<RadiotapCase> {};

TEST_P(RadiotapTest, ReadsHeaderThenBeacon) {
  const RadiotapCase& c = GetParam();
  const FrameBytes elements = SsidBytes("cafe");
  FrameBytes record = Join({RadiotapHeader(c.radiotap), Beacon(elements)});
  if (c.appendFcs) record.insert(record.end(), kFcs.begin(), kFcs.end());
  CapturedFrame frame;
  ASSERT_EQ(ParseCapturedFrame(kRadiotap, record, frame), c.result) << c.name;
  if (c.result != kBeacon) return;
  EXPECT_EQ(frame.bssid, kBssid);
  EXPECT_EQ(frame.timestamp, 0x0102030405060708ULL);
  EXPECT_EQ(frame.beaconInterval, 100);
  EXPECT_EQ(frame.capability, 0x0411);
  EXPECT_EQ(FrameBytes(frame.elements.begin(), frame.elements.end()), elements);
  EXPECT_EQ(frame.signalDbm, c.signal);
  EXPECT_EQ(frame.frequencyKhz, c.frequencyKhz);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RadiotapTest,
    ::testing::Values(
        RadiotapCase{"no fields", {}, false, kBeacon, std::nullopt, 0},
        RadiotapCase{"fcs absent", {0, 2412, {-40}}, false, kBeacon, -40, 2412000},
        RadiotapCase{"fcs present", {0x10, 5180, {-61}}, true, kBeacon, -61, 5180000},
        RadiotapCase{"bad fcs", {0x50, 5180, {-61}}, true, kBadFcs, -61, 5180000},
        RadiotapCase{
            "tsft aligns the rest", {0x10, 5975, {-70}, true}, true, kBeacon, -70, 5975000},
        // Linux writes a signal per antenna in further words: the first one counts.
        RadiotapCase{"extended bitmaps", {0, 2437, {-55, -58, -52}}, false, kBeacon, -55, 2437000},
        RadiotapCase{
            "bitmaps after tsft", {0x10, 2437, {-66, -60}, true}, true, kBeacon, -66, 2437000}),
    [](const ::testing::TestParamInfo<RadiotapCase>& param) {
      std::string name = param.param.name;
      for (char& c : name) {
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
      }
      return name;
    });

TEST(RadiotapTest, SignalOnlyInALaterBitmapIsStillFound) {
  // The first word announces nothing but a further radiotap-namespace word with a signal.
  FrameBytes header = {0, 0, 0, 0};
  testing::PutLe(header, (1u << 29) | (1u << 31), 4);
  testing::PutLe(header, 1u << 5, 4);
  header.push_back(static_cast<uint8_t>(-47));
  header[2] = static_cast<uint8_t>(header.size());
  CapturedFrame frame;
  ASSERT_EQ(ParseCapturedFrame(kRadiotap, Join({header, Beacon()}), frame), kBeacon);
  EXPECT_EQ(frame.signalDbm, -47);
}

TEST(RadiotapTest, VendorNamespaceIsSkipped) {
  // Word 0: Flags and a vendor namespace; word 1 (vendor): opaque 3 bytes; then radiotap again
  // with a signal.
  FrameBytes header = {0, 0, 0, 0};
  testing::PutLe(header, (1u << 1) | (1u << 30) | (1u << 31), 4);
  testing::PutLe(header, (1u << 0) | (1u << 29) | (1u << 31), 4);
  testing::PutLe(header, 1u << 5, 4);
  header.push_back(0x10);                                       // Flags: FCS at end
  header.push_back(0);                                          // align the vendor header to 2
  header.insert(header.end(), {0x00, 0x11, 0x22, 0x01, 3, 0});  // OUI, sub-namespace, skip 3
  header.insert(header.end(), {0xaa, 0xbb, 0xcc});
  header.push_back(static_cast<uint8_t>(-33));
  header[2] = static_cast<uint8_t>(header.size());
  // The frame's elements view the record: it must outlive them.
  const FrameBytes record = Join({header, Beacon(), kFcs});
  CapturedFrame frame;
  ASSERT_EQ(ParseCapturedFrame(kRadiotap, record, frame), kBeacon);
  EXPECT_EQ(frame.signalDbm, -33);
  EXPECT_EQ(FrameBytes(frame.elements.begin(), frame.elements.end()), SsidBytes("cafe"));
}

struct BadCase {
  const char* name;
  CaptureHeader header;
  FrameBytes record;
  FrameResult result;
};

TEST(CapturedFrameTest, BadRecordsAreSortedByReason) {
  const FrameBytes radiotap = RadiotapHeader({0x10, 2412, {-40}});
  const FrameBytes beacon = Beacon();
  FrameBytes versionOne = radiotap;
  versionOne[0] = 1;
  FrameBytes longHeader = radiotap;
  longHeader[2] = 200;
  FrameBytes shortLength = radiotap;
  shortLength[2] = 4;
  FrameBytes endlessBitmaps = {0, 0, 12, 0};
  testing::PutLe(endlessBitmaps, 1u << 31, 4);
  testing::PutLe(endlessBitmaps, 1u << 31, 4);
  FrameBytes fieldPastHeader = {0, 0, 8, 0};
  testing::PutLe(fieldPastHeader, 1u << 0, 4);  // TSFT announced, no room for it
  FrameBytes dataFrame = beacon;
  dataFrame[0] = 0x08;
  FrameBytes probeRequest = beacon;
  probeRequest[0] = 0x40;
  FrameBytes prism = testing::PrismHeader(6, -50);
  prism[4] = 100;
  const std::vector<BadCase> cases = {
      {"empty radiotap", kRadiotap, {}, kTruncated},
      {"radiotap cut", kRadiotap, FrameBytes(radiotap.begin(), radiotap.begin() + 9), kTruncated},
      {"radiotap version 1", kRadiotap, Join({versionOne, beacon}), kMalformed},
      {"radiotap longer than record", kRadiotap, longHeader, kTruncated},
      {"radiotap length below 8", kRadiotap, Join({shortLength, beacon}), kMalformed},
      {"bitmaps past the header", kRadiotap, Join({endlessBitmaps, beacon}), kMalformed},
      {"field past the header", kRadiotap, Join({fieldPastHeader, beacon}), kMalformed},
      {"fcs flagged, no room", kRadiotap, Join({radiotap, {0x80, 0}}), kTruncated},
      {"beacon without fixed fields", kRadiotap,
       Join({radiotap, FrameBytes(beacon.begin(), beacon.begin() + 30), kFcs}), kTruncated},
      {"data frame", kRadiotap, Join({radiotap, dataFrame, kFcs}), kOther},
      {"probe request", kNone, probeRequest, kOther},
      {"protocol version 1", kNone, Join({{0x81, 0}, beacon}), kMalformed},
      {"plain, one byte", kNone, {0x80}, kTruncated},
      {"prism cut", kPrism, FrameBytes(100, 0), kTruncated},
      {"prism wrong length", kPrism, Join({prism, beacon}), kMalformed},
  };
  for (const BadCase& c : cases) {
    CapturedFrame frame;
    EXPECT_EQ(ParseCapturedFrame(c.header, c.record, frame), c.result) << c.name;
  }
}

TEST(CapturedFrameTest, PlainProbeResponseAndHtControl) {
  CapturedFrame frame;
  const FrameBytes probe = ManagementFrame(kBssid, 7, 102, 0x0001, SsidBytes("x"), 5);
  ASSERT_EQ(ParseCapturedFrame(kNone, probe, frame), kBeacon);
  EXPECT_EQ(frame.timestamp, 7u);
  EXPECT_EQ(frame.beaconInterval, 102);
  EXPECT_FALSE(frame.signalDbm);
  EXPECT_EQ(frame.frequencyKhz, 0u);

  // The Order bit puts an HT Control field before the fixed fields.
  FrameBytes ordered = Beacon();
  ordered[1] = 0x80;
  ordered.insert(ordered.begin() + 24, {1, 2, 3, 4});
  ASSERT_EQ(ParseCapturedFrame(kNone, ordered, frame), kBeacon);
  EXPECT_EQ(frame.timestamp, 0x0102030405060708ULL);
  EXPECT_EQ(FrameBytes(frame.elements.begin(), frame.elements.end()), SsidBytes("cafe"));
}

TEST(CapturedFrameTest, PrismGivesChannelAndSignal) {
  CapturedFrame frame;
  ASSERT_EQ(ParseCapturedFrame(kPrism, Join({testing::PrismHeader(11, -63), Beacon()}), frame),
            kBeacon);
  EXPECT_EQ(frame.signalDbm, -63);
  EXPECT_EQ(frame.frequencyKhz, 2462000u);
  EXPECT_EQ(frame.bssid, kBssid);
}

TEST(CapturedFrameTest, PpiCommonField) {
  FrameBytes ppi = {0, 0, 32, 0};
  testing::PutLe(ppi, 105, 4);
  testing::PutLe(ppi, 2, 2);  // 802.11-Common
  testing::PutLe(ppi, 20, 2);
  testing::PutLe(ppi, 0, 8);  // TSFT
  testing::PutLe(ppi, 1, 2);  // flags: FCS at end
  testing::PutLe(ppi, 2, 2);  // rate
  testing::PutLe(ppi, 5745, 2);
  testing::PutLe(ppi, 0x140, 2);
  testing::PutLe(ppi, 0, 2);  // FHSS
  ppi.push_back(static_cast<uint8_t>(-71));
  ppi.push_back(static_cast<uint8_t>(-95));
  const FrameBytes record = Join({ppi, Beacon(), kFcs});
  CapturedFrame frame;
  ASSERT_EQ(ParseCapturedFrame(kPpi, record, frame), kBeacon);
  EXPECT_EQ(frame.signalDbm, -71);
  EXPECT_EQ(frame.frequencyKhz, 5745000u);
  EXPECT_EQ(FrameBytes(frame.elements.begin(), frame.elements.end()), SsidBytes("cafe"));
  ppi[20] = 5;  // FCS at end and FCS error
  EXPECT_EQ(ParseCapturedFrame(kPpi, Join({ppi, Beacon(), kFcs}), frame), kBadFcs);
}

TEST(FrequencyFromElementsTest, BandsAndEdges) {
  struct Case {
    FrameBytes elements;
    uint32_t kHz;
  };
  const std::vector<Case> cases = {
      {SsidBytes("a"), 0},        {Join({SsidBytes("a"), DsBytes(1)}), 2412000},
      {DsBytes(13), 2472000},     {DsBytes(14), 2484000},
      {DsBytes(15), 0},           {DsBytes(31), 0},
      {DsBytes(36), 5180000},     {DsBytes(177), 5885000},
      {DsBytes(178), 0},          {He6GhzBytes(1), 5955000},
      {He6GhzBytes(37), 6135000}, {Join({DsBytes(6), He6GhzBytes(5)}), 5975000},
      {FrameBytes{3, 0}, 0},     // DS element without its byte
      {FrameBytes{3, 5, 6}, 0},  // cut short: no channel read from it
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FrequencyFromElements(c.elements), c.kHz) << ::testing::PrintToString(c.elements);
  }
}

}  // namespace
}  // namespace quorvan::ieee80211

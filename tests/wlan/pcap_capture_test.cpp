#include "wlan/linux/pcap_capture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/ieee80211/capture_frames.h"
#include "wlan/link_quality.h"
#include "wlan/linux/file_time.h"
#include "wlan/linux/scenario_service.h"

namespace quorvan {
namespace {

using testing::DsBytes;
using testing::FrameBytes;
using testing::He6GhzBytes;
using testing::Join;
using testing::ManagementFrame;
using testing::PutLe;
using testing::Radiotap;
using testing::RadiotapHeader;
using testing::SsidBytes;

constexpr uint32_t kRadiotap = 127;
constexpr uint32_t kPlain = 105;
constexpr uint32_t kPrism = 119;
constexpr int64_t kStartSec = 1'750'000'000;
const FrameBytes kFcs = {1, 2, 3, 4};

std::array<uint8_t, 6> Bssid(uint8_t last) { return {0x02, 0, 0, 0, 0, last}; }

struct Record {
  int64_t offsetUs;  // from kStartSec
  FrameBytes bytes;
  uint32_t originalLength = 0;  // 0: the captured length
};

// A classic pcap file, microsecond timestamps, little endian; `cutAfter` bytes of it only,
// when given.
std::string WriteCapture(uint32_t linkType, const std::vector<Record>& records,
                         std::size_t cutAfter = 0) {
  FrameBytes file;
  testing::PutPcapHeader(file, linkType);
  for (const Record& record : records) {
    const int64_t us = kStartSec * 1'000'000 + record.offsetUs;
    PutLe(file, static_cast<uint64_t>(us / 1'000'000), 4);
    PutLe(file, static_cast<uint64_t>(us % 1'000'000), 4);
    PutLe(file, record.bytes.size(), 4);
    PutLe(file, record.originalLength ? record.originalLength : record.bytes.size(), 4);
    file.insert(file.end(), record.bytes.begin(), record.bytes.end());
  }
  if (cutAfter != 0) file.resize(cutAfter);
  char path[] = "/tmp/quorvan-pcap-XXXXXX";
  const int fd = mkstemp(path);
  EXPECT_GE(fd, 0);
  EXPECT_EQ(write(fd, file.data(), file.size()), static_cast<ssize_t>(file.size()));
  close(fd);
  return path;
}

struct Loaded {
  bool ok = false;
  PcapCapture capture;
  std::string error;
};

Loaded Load(uint32_t linkType, const std::vector<Record>& records, std::size_t cutAfter = 0) {
  const std::string path = WriteCapture(linkType, records, cutAfter);
  Loaded loaded;
  loaded.ok = LoadPcapCapture(path, "cap.pcap", loaded.capture, loaded.error);
  std::remove(path.c_str());
  return loaded;
}

FrameBytes RadiotapBeacon(uint8_t bssid, const FrameBytes& elements, const Radiotap& radiotap,
                          bool fcs = false) {
  FrameBytes record = Join({RadiotapHeader(radiotap),
                            ManagementFrame(Bssid(bssid), 1000 + bssid, 100, 0x0011, elements)});
  if (fcs) record.insert(record.end(), kFcs.begin(), kFcs.end());
  return record;
}

std::string Ssid(const BssObservation& bss) {
  std::string name(bss.ssid.begin(), bss.ssid.end());
  return name.substr(0, name.find('\0'));
}

TEST(PcapCaptureTest, WindowsOfTwentySecondsFromTheFirstFrame) {
  const Radiotap plain{0x10, 2412, {-50}};
  const Radiotap weaker{0x10, 2412, {-70}};
  const Loaded loaded =
      Load(kRadiotap, {
                          {0, RadiotapBeacon(1, SsidBytes("one"), plain, true)},
                          {1'000'000, RadiotapBeacon(2, SsidBytes("two"), plain, true)},
                          {5'000'000, RadiotapBeacon(1, SsidBytes("uno"), weaker, true)},
                          // 19.999999 s: still the first window
                          {19'999'999, RadiotapBeacon(3, SsidBytes("three"), plain, true)},
                          // 45 s later: windows 2 and 3 are empty
                          {65'000'000, RadiotapBeacon(2, SsidBytes("two"), plain, true)},
                      });
  ASSERT_TRUE(loaded.ok) << loaded.error;
  const std::vector<ScenarioLine>& windows = loaded.capture.windows;
  ASSERT_EQ(windows.size(), 4u);
  ASSERT_EQ(windows[0].bsses.size(), 3u);
  // First-heard order, the last frame's fields.
  EXPECT_EQ(windows[0].bsses[0].bssid, Bssid(1));
  EXPECT_EQ(Ssid(windows[0].bsses[0]), "uno");
  EXPECT_EQ(windows[0].bsses[0].rssi, -70);
  EXPECT_EQ(windows[0].bsses[0].linkQuality, LinkQualityFromRssi(-70));
  EXPECT_EQ(windows[0].bsses[0].hostTimestamp,
            kFileTimeUnixEpoch + (static_cast<uint64_t>(kStartSec) * 1'000'000 + 5'000'000) * 10);
  EXPECT_EQ(windows[0].bsses[0].timestamp, 1001u);
  EXPECT_EQ(windows[0].bsses[0].beaconPeriod, 100);
  EXPECT_EQ(windows[0].bsses[0].capability, 0x0011);
  EXPECT_EQ(windows[0].bsses[0].ies, SsidBytes("uno"));
  EXPECT_EQ(windows[0].bsses[1].bssid, Bssid(2));
  EXPECT_EQ(windows[0].bsses[2].bssid, Bssid(3));
  for (std::size_t i = 0; i < windows.size(); ++i) {
    EXPECT_EQ(windows[i].outcome, QueryOutcome::kListed);
    EXPECT_EQ(windows[i].lineNumber, static_cast<int>(i + 1));  // the query's number
  }
  EXPECT_TRUE(windows[1].bsses.empty());
  EXPECT_TRUE(windows[2].bsses.empty());
  ASSERT_EQ(windows[3].bsses.size(), 1u);
  EXPECT_EQ(windows[3].bsses[0].bssid, Bssid(2));
  EXPECT_EQ(loaded.capture.frames, 5u);
  EXPECT_EQ(SkippedFramesText(loaded.capture), "");
  EXPECT_TRUE(loaded.capture.torn.empty());
}

// A replay reads the capture as its queries come: when a query is served, no more than the
// windows up to the one after it have been read, and the last cycle is known before it runs.
TEST(PcapCaptureTest, ReplayReadsTheCaptureAWindowAtATime) {
  const Radiotap plain{0x10, 2412, {-50}};
  std::vector<Record> records;
  for (int window = 0; window < 5; ++window) {
    for (uint8_t bss = 1; bss <= 3; ++bss) {
      records.push_back(
          {window * 20'000'000 + bss * 1'000, RadiotapBeacon(bss, SsidBytes("n"), plain, true)});
    }
  }
  const std::string path = WriteCapture(kRadiotap, records);
  std::string error;
  std::shared_ptr<CaptureReader> reader = CaptureReader::Open(path, "cap.pcap", error);
  ASSERT_TRUE(reader) << error;
  ScenarioService service([reader](ScenarioLine& line) { return reader->Next(line); }, "cap.pcap");
  const std::function<bool()> more = service.MoreAfterNextQuery();
  std::vector<bool> moreBefore;
  std::vector<std::size_t> framesReadBefore;
  for (int query = 0; query < 6; ++query) {
    moreBefore.push_back(more());
    framesReadBefore.push_back(reader->Totals().frames);
    std::unique_ptr<WlanSession> session;
    WlanFailure failure;
    ASSERT_EQ(service.Open(2, session, failure), ERROR_SUCCESS);
    std::vector<WlanBss> bsses;
    ASSERT_EQ(session->GetBssList(ScenarioService::InterfaceGuid(), nullptr, dot11_BSS_type_any,
                                  false, bsses),
              ERROR_SUCCESS);
    EXPECT_EQ(bsses.size(), query < 5 ? 3u : 0u) << "query " << query;
  }
  std::remove(path.c_str());
  EXPECT_EQ(moreBefore, (std::vector<bool>{true, true, true, true, false, false}));
  // A window ends with the first frame of the next: reading window N+1 means reading one frame
  // of window N+2.
  EXPECT_EQ(framesReadBefore, (std::vector<std::size_t>{7, 10, 13, 15, 15, 15}));
}

TEST(PcapCaptureTest, SkippedFramesAreCountedByReason) {
  const Radiotap fcs{0x10, 2412, {-50}};
  const Radiotap badFcs{0x50, 2412, {-50}};
  FrameBytes cut = RadiotapBeacon(4, SsidBytes("cut"), fcs, true);
  cut.resize(cut.size() - 20);
  FrameBytes badVersion = RadiotapBeacon(5, SsidBytes("v"), fcs, true);
  badVersion[0] = 2;
  FrameBytes data = RadiotapBeacon(6, SsidBytes("d"), fcs, true);
  data[RadiotapHeader(fcs).size()] = 0x08;
  const FrameBytes snapped = RadiotapBeacon(7, SsidBytes("s"), fcs, true);
  const Loaded loaded =
      Load(kRadiotap, {
                          {0, RadiotapBeacon(1, SsidBytes("ok"), fcs, true)},
                          {1, RadiotapBeacon(2, SsidBytes("bad"), badFcs, true)},
                          {2, cut},
                          {3, badVersion},
                          {4, data},
                          {5, snapped, static_cast<uint32_t>(snapped.size() + 10)},
                      });
  ASSERT_TRUE(loaded.ok) << loaded.error;
  ASSERT_EQ(loaded.capture.windows.size(), 1u);
  ASSERT_EQ(loaded.capture.windows[0].bsses.size(), 1u);
  EXPECT_EQ(loaded.capture.windows[0].bsses[0].bssid, Bssid(1));
  EXPECT_EQ(SkippedFramesText(loaded.capture),
            "4 frames skipped: 2 truncated, 1 malformed, 1 bad FCS");
}

// What each link type's header and the frame's elements say of a BSS.
TEST(PcapCaptureTest, FieldsOfEachBss) {
  FrameBytes longSsid(32, 'x');
  longSsid[31] = 'y';
  const FrameBytes plain =
      ManagementFrame(Bssid(9), 5, 100, 0x0001, Join({SsidBytes("p"), DsBytes(11)}));
  struct Case {
    const char* name;
    uint32_t linkType;
    FrameBytes record;
    std::string ssid;
    int32_t rssi;
    uint32_t linkQuality;
    uint32_t kHz;
  };
  const std::vector<Case> cases = {
      {"32-byte SSID", kRadiotap, RadiotapBeacon(1, SsidBytes(longSsid), {0, 2437, {-60}}),
       std::string(longSsid.begin(), longSsid.end()), -60, 80, 2437000},
      {"hidden SSID", kRadiotap,
       RadiotapBeacon(2, Join({SsidBytes(""), DsBytes(6)}), {0, 0, {-80}}), "", -80, 40, 2437000},
      {"zeroed SSID", kRadiotap,
       RadiotapBeacon(3, Join({SsidBytes(FrameBytes(5, 0)), DsBytes(36)}), {0, 0, {-40}}), "", -40,
       100, 5180000},
      {"6 GHz from HE", kRadiotap,
       RadiotapBeacon(4, Join({SsidBytes("six"), He6GhzBytes(5)}), {0x10, 0, {-90}}, true), "six",
       -90, 20, 5975000},
      {"radiotap channel wins", kRadiotap,
       RadiotapBeacon(5, Join({SsidBytes("r"), DsBytes(1)}), {0, 5745, {-65}}), "r", -65, 70,
       5745000},
      {"no signal, no channel", kRadiotap, RadiotapBeacon(6, SsidBytes("n"), {}), "n", 0,
       LinkQualityFromRssi(0), 0},
      {"Prism's channel", kPrism, Join({testing::PrismHeader(1, -55), plain}), "p", -55,
       LinkQualityFromRssi(-55), 2412000},
      {"plain: the DS channel", kPlain, plain, "p", 0, LinkQualityFromRssi(0), 2462000},
  };
  for (const Case& c : cases) {
    const Loaded loaded = Load(c.linkType, {{0, c.record}});
    ASSERT_TRUE(loaded.ok) << c.name << ": " << loaded.error;
    ASSERT_EQ(loaded.capture.windows.size(), 1u) << c.name;
    ASSERT_EQ(loaded.capture.windows[0].bsses.size(), 1u) << c.name;
    const BssObservation& bss = loaded.capture.windows[0].bsses[0];
    EXPECT_EQ(Ssid(bss), c.ssid) << c.name;
    EXPECT_EQ(bss.rssi, c.rssi) << c.name;
    EXPECT_EQ(bss.linkQuality, c.linkQuality) << c.name;
    EXPECT_EQ(bss.centerFrequency, c.kHz) << c.name;
  }
}

TEST(PcapCaptureTest, RefusedAndEmptyFiles) {
  Loaded loaded = Load(kRadiotap, {});
  ASSERT_TRUE(loaded.ok) << loaded.error;
  EXPECT_TRUE(loaded.capture.windows.empty());

  PcapCapture capture;
  std::string error;
  EXPECT_FALSE(LoadPcapCapture("/nonexistent/x.pcap", "x.pcap", capture, error));
  EXPECT_EQ(error.rfind("x.pcap: ", 0), 0u) << error;

  // A clock that jumps a year ahead would ask for over a million empty queries.
  loaded =
      Load(kRadiotap, {{0, RadiotapBeacon(1, SsidBytes("a"), {})},
                       {int64_t{366} * 86400 * 1'000'000, RadiotapBeacon(1, SsidBytes("a"), {})}});
  EXPECT_FALSE(loaded.ok);
  EXPECT_EQ(loaded.error, "cap.pcap: spans more than 60 days of its own time");
}

}  // namespace
}  // namespace quorvan

#include "wlan/linux/pcap_capture.h"

#include <pcap/pcap.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <span>

#include "ieee80211/elements.h"
#include "wlan/link_quality.h"
#include "wlan/linux/file_time.h"

namespace quorvan {
namespace {

using ieee80211::CapturedFrame;
using ieee80211::CaptureHeader;
using ieee80211::FrameResult;

struct PcapCloser {
  void operator()(pcap_t* pcap) const { pcap_close(pcap); }
};

// The link types whose records hold 802.11 frames, and what precedes the frame in each.
bool HeaderOfLinkType(int linkType, CaptureHeader& header) {
  switch (linkType) {
    case DLT_IEEE802_11:
      header = CaptureHeader::kNone;
      return true;
    case DLT_IEEE802_11_RADIO:
      header = CaptureHeader::kRadiotap;
      return true;
    case DLT_PRISM_HEADER:
      header = CaptureHeader::kPrism;
      return true;
    case DLT_PPI:
      header = CaptureHeader::kPpi;
      return true;
    default:
      return false;
  }
}

uint64_t BssidKey(const std::array<uint8_t, 6>& bssid) {
  uint64_t key = 0;
  for (uint8_t byte : bssid) key = (key << 8) | byte;
  return key;
}

BssObservation ObservationOf(int64_t timeUs, const CapturedFrame& frame) {
  BssObservation bss;
  bss.bssid = frame.bssid;
  ieee80211::ElementReader reader(frame.elements);
  ieee80211::Element element;
  while (reader.Next(element)) {
    if (element.id == ieee80211::kElementSsid) {
      std::copy_n(element.data.begin(), std::min(element.data.size(), bss.ssid.size()),
                  bss.ssid.begin());
      break;
    }
  }
  // Without a signal the frame says nothing of strength: 0 dBm, as a scenario BSS without
  // "rssi" has, and the quality that follows from it.
  bss.rssi = frame.signalDbm.value_or(0);
  bss.linkQuality = LinkQualityFromRssi(bss.rssi);
  bss.timestamp = frame.timestamp;
  bss.hostTimestamp = static_cast<uint64_t>(static_cast<int64_t>(kFileTimeUnixEpoch) + timeUs * 10);
  bss.centerFrequency = frame.frequencyKhz != 0 ? frame.frequencyKhz
                                                : ieee80211::FrequencyFromElements(frame.elements);
  bss.beaconPeriod = frame.beaconInterval;
  bss.capability = frame.capability;
  bss.ies.assign(frame.elements.begin(), frame.elements.end());
  return bss;
}

}  // namespace

bool CaptureWindows::Reach(int64_t timeUs) {
  if (windows_.empty()) {
    firstUs_ = timeUs;
    windows_.emplace_back().lineNumber = 1;
    return true;
  }
  if (timeUs - firstUs_ < 0) return true;  // stamped before the first frame: the last window
  const auto index = static_cast<uint64_t>(timeUs - firstUs_) / kCaptureWindowUs;
  if (index >= kCaptureMaxWindows) return false;
  while (windows_.size() <= index) {
    windows_.emplace_back().lineNumber = static_cast<int>(windows_.size());
    positions_.clear();
  }
  return true;
}

bool CaptureWindows::AddTime(int64_t timeUs) { return Reach(timeUs); }

bool CaptureWindows::Add(int64_t timeUs, const CapturedFrame& frame) {
  if (!Reach(timeUs)) return false;
  std::vector<BssObservation>& bsses = windows_.back().bsses;
  const auto [at, inserted] = positions_.try_emplace(BssidKey(frame.bssid), bsses.size());
  if (inserted) {
    bsses.push_back(ObservationOf(timeUs, frame));
  } else {
    bsses[at->second] = ObservationOf(timeUs, frame);
  }
  return true;
}

std::vector<ScenarioLine> CaptureWindows::Take() {
  positions_.clear();
  return std::move(windows_);
}

bool LoadPcapCapture(const std::string& path, const std::string& shownAs, PcapCapture& capture,
                     std::string& error) {
  capture = PcapCapture{};
  char errbuf[PCAP_ERRBUF_SIZE] = {};
  std::unique_ptr<pcap_t, PcapCloser> pcap(
      pcap_open_offline_with_tstamp_precision(path.c_str(), PCAP_TSTAMP_PRECISION_MICRO, errbuf));
  if (!pcap) {
    error = shownAs + ": " + errbuf;
    return false;
  }
  CaptureHeader header = CaptureHeader::kNone;
  const int linkType = pcap_datalink(pcap.get());
  if (!HeaderOfLinkType(linkType, header)) {
    const char* name = pcap_datalink_val_to_name(linkType);
    error = shownAs + ": link type " + (name ? std::string(name) : std::to_string(linkType)) +
            ": not an 802.11 capture";
    return false;
  }
  CaptureWindows windows;
  for (;;) {
    pcap_pkthdr* record = nullptr;
    const u_char* bytes = nullptr;
    const int got = pcap_next_ex(pcap.get(), &record, &bytes);
    if (got == PCAP_ERROR_BREAK) break;  // the end of the capture
    if (got != 1) {
      // libpcap reports a record cut short like any other read error; either way the capture
      // ends there, and what came before it stands.
      capture.torn = pcap_geterr(pcap.get());
      break;
    }
    ++capture.frames;
    const int64_t timeUs = static_cast<int64_t>(record->ts.tv_sec) * 1'000'000 +
                           static_cast<int64_t>(record->ts.tv_usec);
    CapturedFrame frame;
    FrameResult result = FrameResult::kTruncated;  // cut by the capture's snapshot length
    if (record->caplen >= record->len) {
      result = ieee80211::ParseCapturedFrame(header, std::span(bytes, record->caplen), frame);
    }
    // Longer than any frame body: a recording of it could not be replayed.
    if (result == FrameResult::kBeacon && frame.elements.size() > kScenarioMaxElementBytes) {
      result = FrameResult::kMalformed;
    }
    ++capture.results[static_cast<std::size_t>(result)];
    const bool kept =
        result == FrameResult::kBeacon ? windows.Add(timeUs, frame) : windows.AddTime(timeUs);
    if (!kept) {
      error = shownAs + ": spans more than " +
              std::to_string(kCaptureMaxWindows * (kCaptureWindowUs / 1'000'000) / 86400) +
              " days of its own time";
      return false;
    }
  }
  capture.windows = windows.Take();
  return true;
}

std::string SkippedFramesText(const PcapCapture& capture) {
  const std::pair<FrameResult, const char*> reasons[] = {
      {FrameResult::kTruncated, "truncated"},
      {FrameResult::kMalformed, "malformed"},
      {FrameResult::kBadFcs, "bad FCS"},
  };
  std::size_t total = 0;
  std::string parts;
  for (const auto& [result, name] : reasons) {
    const std::size_t count = capture.results[static_cast<std::size_t>(result)];
    if (count == 0) continue;
    total += count;
    parts += (parts.empty() ? "" : ", ") + std::to_string(count) + " " + name;
  }
  if (total == 0) return "";
  return std::to_string(total) + (total == 1 ? " frame" : " frames") + " skipped: " + parts;
}

}  // namespace quorvan

#include "wlan/linux/pcap_capture.h"

#include <pcap/pcap.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>
#include <optional>
#include <span>

#include "wlan/linux/frame_observation.h"

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

}  // namespace

namespace {

// A window carries the capture time it starts at: every window has one, an empty window too;
// they stand 20 s apart as a live run's queries do; and the first is the first frame's, which
// capture tools show as the capture's start. (The last frame's time would leave an empty
// window without one, and move with frames stamped out of order.) Nothing where the time is
// beyond what a scenario line can hold.
std::optional<int64_t> WindowStartMs(int64_t firstUs, std::size_t index) {
  constexpr int64_t kLatestUs = kScenarioLatestMs * 1000;
  if (firstUs < kScenarioEarliestMs * 1000 || firstUs > kLatestUs) return std::nullopt;
  const int64_t startUs = firstUs + static_cast<int64_t>(index) * kCaptureWindowUs;
  if (startUs > kLatestUs) return std::nullopt;
  return startUs / 1000 - (startUs % 1000 < 0 ? 1 : 0);
}

}  // namespace

bool CaptureWindows::Reach(int64_t timeUs) {
  if (windows_.empty() && taken_ == 0) {
    firstUs_ = timeUs;
    windows_.emplace_back().lineNumber = 1;
    windows_.back().timeMs = WindowStartMs(firstUs_, 0);
    return true;
  }
  if (timeUs - firstUs_ < 0) return true;  // stamped before the first frame: the last window
  const auto index = static_cast<uint64_t>(timeUs - firstUs_) / kCaptureWindowUs;
  if (index >= kCaptureMaxWindows) return false;
  while (taken_ + windows_.size() <= index) {
    windows_.back().bsses = heard_.Take();            // no later frame joins it
    const std::size_t at = taken_ + windows_.size();  // the new window's, from 0
    ScenarioLine& window = windows_.emplace_back();
    window.lineNumber = static_cast<int>(at + 1);
    window.timeMs = WindowStartMs(firstUs_, at);
  }
  return true;
}

void CaptureWindows::TakeFinished(std::deque<ScenarioLine>& out) {
  if (windows_.size() < 2) return;
  const auto last = windows_.end() - 1;
  std::move(windows_.begin(), last, std::back_inserter(out));
  taken_ += windows_.size() - 1;
  windows_.erase(windows_.begin(), last);
}

bool CaptureWindows::AddTime(int64_t timeUs) { return Reach(timeUs); }

bool CaptureWindows::Add(int64_t timeUs, const CapturedFrame& frame) {
  if (!Reach(timeUs)) return false;
  heard_.Add(timeUs, frame);
  return true;
}

std::vector<ScenarioLine> CaptureWindows::Take() {
  if (!windows_.empty()) windows_.back().bsses = heard_.Take();
  return std::move(windows_);
}

struct CaptureReader::Pcap {
  std::unique_ptr<pcap_t, PcapCloser> handle;
};

CaptureReader::CaptureReader(std::unique_ptr<Pcap> pcap, CaptureHeader header, std::string shownAs)
    : pcap_(std::move(pcap)), header_(header), shownAs_(std::move(shownAs)) {}

CaptureReader::~CaptureReader() = default;

std::unique_ptr<CaptureReader> CaptureReader::Open(const std::string& path,
                                                   const std::string& shownAs, std::string& error) {
  char errbuf[PCAP_ERRBUF_SIZE] = {};
  auto pcap = std::make_unique<Pcap>();
  pcap->handle.reset(
      pcap_open_offline_with_tstamp_precision(path.c_str(), PCAP_TSTAMP_PRECISION_MICRO, errbuf));
  if (!pcap->handle) {
    error = shownAs + ": " + errbuf;
    return nullptr;
  }
  CaptureHeader header = CaptureHeader::kNone;
  const int linkType = pcap_datalink(pcap->handle.get());
  if (!HeaderOfLinkType(linkType, header)) {
    const char* name = pcap_datalink_val_to_name(linkType);
    error = shownAs + ": link type " + (name ? std::string(name) : std::to_string(linkType)) +
            ": not an 802.11 capture";
    return nullptr;
  }
  return std::unique_ptr<CaptureReader>(new CaptureReader(std::move(pcap), header, shownAs));
}

void CaptureReader::ReadRecord() {
  pcap_pkthdr* record = nullptr;
  const u_char* bytes = nullptr;
  const int got = pcap_next_ex(pcap_->handle.get(), &record, &bytes);
  if (got == PCAP_ERROR_BREAK) {  // the end of the capture
    ended_ = true;
    return;
  }
  if (got != 1) {
    // libpcap reports a record cut short like any other read error; either way the capture
    // ends there, and what came before it stands.
    totals_.torn = pcap_geterr(pcap_->handle.get());
    ended_ = true;
    return;
  }
  ++totals_.frames;
  const int64_t timeUs = static_cast<int64_t>(record->ts.tv_sec) * 1'000'000 +
                         static_cast<int64_t>(record->ts.tv_usec);
  CapturedFrame frame;
  const FrameResult result =
      ParseCapturedRecord(header_, std::span(bytes, record->caplen), record->len, frame);
  ++totals_.results[static_cast<std::size_t>(result)];
  const bool kept =
      result == FrameResult::kBeacon ? windows_.Add(timeUs, frame) : windows_.AddTime(timeUs);
  if (!kept) {
    overflow_ = shownAs_ + ": spans more than " +
                std::to_string(kCaptureMaxWindows * (kCaptureWindowUs / 1'000'000) / 86400) +
                " days of its own time";
    ended_ = true;
    return;
  }
  windows_.TakeFinished(ready_);
}

bool CaptureReader::Next(ScenarioLine& window) {
  while (ready_.empty() && !ended_) {
    ReadRecord();
    if (ended_) {
      for (ScenarioLine& last : windows_.Take()) ready_.push_back(std::move(last));
    }
  }
  if (ready_.empty()) return false;
  window = std::move(ready_.front());
  ready_.pop_front();
  return true;
}

bool LoadPcapCapture(const std::string& path, const std::string& shownAs, PcapCapture& capture,
                     std::string& error) {
  capture = PcapCapture{};
  const std::unique_ptr<CaptureReader> reader = CaptureReader::Open(path, shownAs, error);
  if (!reader) return false;
  std::vector<ScenarioLine> windows;
  for (ScenarioLine window; reader->Next(window);) windows.push_back(std::move(window));
  if (!reader->Overflow().empty()) {
    error = reader->Overflow();
    return false;
  }
  capture = reader->Totals();
  capture.windows = std::move(windows);
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

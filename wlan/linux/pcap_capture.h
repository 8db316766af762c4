#pragma once

// A pcap or pcapng capture of 802.11 frames, read whole through libpcap and cut into query
// results, so that ScenarioService replays it as it replays a scenario file:
//
//   PcapCapture capture;
//   if (!LoadPcapCapture(path, path, capture, error)) ...   // "quorvan: " + error, exit 2
//   auto service = std::make_unique<ScenarioService>(std::move(capture.windows), path);
//
// The capture is cut into windows of kCaptureWindowUs of its own time, the first starting at
// the first frame. Each window is one query result: every BSS heard in it once, with the fields
// of its last beacon or probe response, in the order they were first heard in the window. A
// window without such a frame is a query with an empty list. Only the windows' lists are kept,
// never the frames.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "ieee80211/frames.h"
#include "scenario/scenario_file.h"

namespace quorvan {

// One scan period of the program.
inline constexpr int64_t kCaptureWindowUs = 20'000'000;
// The most windows a capture may span (about 60 days), so that a clock jump in a capture cannot
// take all memory in empty queries.
inline constexpr std::size_t kCaptureMaxWindows = 1u << 18;

struct PcapCapture {
  std::vector<ScenarioLine> windows;
  std::size_t frames = 0;  // records read
  // Records by what became of them (ieee80211::FrameResult): the truncated, malformed and bad
  // FCS ones are skipped.
  std::array<std::size_t, ieee80211::kFrameResultCount> results = {};
  // libpcap's words when the capture ends inside a record (a capture cut short): the records
  // before it are the result. Empty otherwise.
  std::string torn;
};

// Reads and cuts the capture at `path` ("-" for standard input). `error` names the file as
// `shownAs`: "FILE: REASON", e.g. "FILE: link type EN10MB: not an 802.11 capture".
bool LoadPcapCapture(const std::string& path, const std::string& shownAs, PcapCapture& capture,
                     std::string& error);

// Builds the windows from frames in capture order; LoadPcapCapture feeds it, tests may too.
class CaptureWindows {
 public:
  // `timeUs`: the record's capture time, microseconds since 1970. False when the capture would
  // span more than kCaptureMaxWindows windows (the frame is not taken).
  bool Add(int64_t timeUs, const ieee80211::CapturedFrame& frame);
  // Counts a record that held no beacon, so that its time still opens windows.
  bool AddTime(int64_t timeUs);
  std::vector<ScenarioLine> Take();

 private:
  bool Reach(int64_t timeUs);
  std::vector<ScenarioLine> windows_;
  int64_t firstUs_ = 0;
  // Where each BSSID of the last window stands in its list; a frame stamped earlier than that
  // window (captures are not always in time order) joins it.
  std::unordered_map<uint64_t, std::size_t> positions_;
};

// "3 frames skipped: 2 truncated, 1 bad FCS", or "" when none was.
std::string SkippedFramesText(const PcapCapture& capture);

}  // namespace quorvan

#pragma once

// A pcap or pcapng capture of 802.11 frames, read through libpcap and cut into query results,
// so that ScenarioService replays it as it replays a scenario file. The reader hands out one
// window at a time, so a replay holds a window or two, never the capture:
//
//   auto reader = CaptureReader::Open(path, path, error);   // nullptr: "quorvan: " + error, exit 2
//   auto service = std::make_unique<ScenarioService>(
//       [reader](ScenarioLine& line) { return reader->Next(line); }, path);
//
// The capture is cut into windows of kCaptureWindowUs of its own time, the first starting at
// the first frame. Each window is one query result: every BSS heard in it once, with the fields
// of its last beacon or probe response, in the order they were first heard in the window. A
// window without such a frame is a query with an empty list. Only the windows' lists are kept,
// never the frames.

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "ieee80211/frames.h"
#include "scenario/scenario_file.h"
#include "wlan/linux/frame_observation.h"

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

// Builds the windows from frames in capture order; CaptureReader feeds it, tests may too.
class CaptureWindows {
 public:
  // `timeUs`: the record's capture time, microseconds since 1970. False when the capture would
  // span more than kCaptureMaxWindows windows (the frame is not taken).
  bool Add(int64_t timeUs, const ieee80211::CapturedFrame& frame);
  // Counts a record that held no beacon, so that its time still opens windows.
  bool AddTime(int64_t timeUs);
  // Moves the windows that no later frame can join any more (all but the last) to `out`.
  void TakeFinished(std::deque<ScenarioLine>& out);
  std::vector<ScenarioLine> Take();

 private:
  bool Reach(int64_t timeUs);
  std::vector<ScenarioLine> windows_;
  std::size_t taken_ = 0;  // windows already handed out by TakeFinished
  int64_t firstUs_ = 0;
  // The last window's BSSes; a frame stamped earlier than that window (captures are not always
  // in time order) joins it.
  HeardBsses heard_;
};

// Reads a capture record by record and hands out its windows in order.
class CaptureReader {
 public:
  // Opens the capture at `path` ("-" for standard input) and checks its link type. On failure
  // returns nullptr and sets `error`, naming the file as `shownAs`: "FILE: REASON", e.g.
  // "FILE: link type EN10MB: not an 802.11 capture".
  static std::unique_ptr<CaptureReader> Open(const std::string& path, const std::string& shownAs,
                                             std::string& error);
  ~CaptureReader();
  CaptureReader(const CaptureReader&) = delete;
  CaptureReader& operator=(const CaptureReader&) = delete;

  // The next window; false after the last. Then Totals() is the whole capture's.
  bool Next(ScenarioLine& window);

  // The records read so far, by what became of them, and whether the capture was torn. Its
  // `windows` stay empty: they are handed out by Next.
  const PcapCapture& Totals() const { return totals_; }
  // Empty, or why the capture ended before its last record: "FILE: spans more than 60 days of
  // its own time". The windows before it stand.
  const std::string& Overflow() const { return overflow_; }

 private:
  struct Pcap;
  CaptureReader(std::unique_ptr<Pcap> pcap, ieee80211::CaptureHeader header, std::string shownAs);
  void ReadRecord();

  std::unique_ptr<Pcap> pcap_;
  ieee80211::CaptureHeader header_;
  std::string shownAs_;
  CaptureWindows windows_;
  std::deque<ScenarioLine> ready_;
  bool ended_ = false;
  PcapCapture totals_;
  std::string overflow_;
};

// Reads and cuts the whole capture at `path`, as CaptureReader does; a capture that spans too
// long is refused here. Errors as CaptureReader::Open's.
bool LoadPcapCapture(const std::string& path, const std::string& shownAs, PcapCapture& capture,
                     std::string& error);

// "3 frames skipped: 2 truncated, 1 bad FCS", or "" when none was.
std::string SkippedFramesText(const PcapCapture& capture);

}  // namespace quorvan

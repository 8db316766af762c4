#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "tracking/scan_cycle.h"
#include "wlan/query_outcome.h"

namespace quorvan {

// Writes every query result, as it is obtained, as one scenario line (scenario/scenario_file.h).
// Each line goes out in one write (repeated only for what a short write left), so that a run cut
// short still leaves every finished query on disk and no half line: when a write fails (a full
// disk, a file-size limit) the file is cut back to its last whole line and recording stops.
//
//   std::string error;
//   auto recorder = QueryRecorder::Open(path, shownAs, error);   // nullptr: report `error`
//   SetQueryListener([recorder](QueryOutcome outcome, std::span<const BssObservation> bsses,
//                               std::string_view) {
//     recorder->Record(outcome, bsses, nowMs);   // when the query ran, or nothing
//   });
class QueryRecorder {
 public:
  // Creates or empties the file at `path`, or writes to standard output for "-". `shownAs`
  // names the file in messages. On failure returns nullptr and sets `error` to
  // "FILE: cannot be written: REASON".
  static std::shared_ptr<QueryRecorder> Open(const std::string& path, const std::string& shownAs,
                                             std::string& error);

  ~QueryRecorder();
  QueryRecorder(const QueryRecorder&) = delete;
  QueryRecorder& operator=(const QueryRecorder&) = delete;

  // A QueryListener's arguments, and when the query ran (ms since 1970, UTC): the clock's time
  // for a live source, a replayed line's own time, nothing for a line that had none (so that a
  // recording of a replay is that replay's file). After a failed write nothing more is written.
  void Record(QueryOutcome outcome, std::span<const BssObservation> observations,
              std::optional<int64_t> timeMs = std::nullopt);

  // Empty, or why recording stopped: "FILE: cannot be written: No space left on device".
  const std::string& WriteError() const { return writeError_; }

 private:
  QueryRecorder(std::string shownAs, int fd, bool ownsFd);

  std::string shownAs_;
  int fd_;
  bool ownsFd_;
  long long whole_ = 0;  // bytes of whole lines written so far
  std::string writeError_;
};

}  // namespace quorvan

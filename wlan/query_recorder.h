#pragma once

#include <cstdio>
#include <memory>
#include <span>
#include <string>

#include "tracking/scan_cycle.h"
#include "wlan/wlan_access.h"

namespace quorvan {

// Writes every query result, as it is obtained, as one scenario line (wlan/scenario_file.h),
// flushed line by line so that a run cut short still leaves every finished query on disk.
//
//   std::string error;
//   auto recorder = QueryRecorder::Open(path, error);   // nullptr: report `error`, exit 2
//   SetQueryListener([recorder](QueryOutcome outcome, std::span<const BssObservation> bsses) {
//     recorder->Record(outcome, bsses);
//   });
class QueryRecorder {
 public:
  // Creates or empties the file at `path`. On failure returns nullptr and sets `error` to
  // "FILE: cannot be written: REASON".
  static std::shared_ptr<QueryRecorder> Open(const std::string& path, std::string& error);

  ~QueryRecorder();
  QueryRecorder(const QueryRecorder&) = delete;
  QueryRecorder& operator=(const QueryRecorder&) = delete;

  // A QueryListener's arguments. After a failed write nothing more is written.
  void Record(QueryOutcome outcome, std::span<const BssObservation> observations);

  // Empty, or why recording stopped: "FILE: cannot be written: No space left on device".
  const std::string& WriteError() const { return writeError_; }

 private:
  QueryRecorder(std::string path, std::FILE* file);

  std::string path_;
  std::FILE* file_;  // owned
  std::string writeError_;
};

}  // namespace quorvan

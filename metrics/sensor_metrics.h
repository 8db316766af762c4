#pragma once

// The cycle's side of the metrics: it counts the queries and scan requests as they end, turns the
// table into rows after every eviction, and publishes a new snapshot each time. A scrape, on
// another thread, only takes the latest snapshot under a short lock and formats it: nothing it
// does waits on the cycle, and the cycle waits on it only for a pointer's swap.

#include <memory>
#include <mutex>
#include <string_view>

#include "details/details_store.h"
#include "metrics/exposition.h"
#include "tracking/network_table.h"
#include "wlan/query_outcome.h"

namespace quorvan {

// The latest snapshot, shared between the cycle's thread and the scrapes'.
class MetricsBoard {
 public:
  void Publish(std::shared_ptr<const MetricsSnapshot> snapshot);
  // Never null once anything was published.
  std::shared_ptr<const MetricsSnapshot> Latest() const;

 private:
  mutable std::mutex mutex_;
  std::shared_ptr<const MetricsSnapshot> latest_;
};

class SensorMetrics {
 public:
  // Publishes to `board` at once (no rows, no counts) and after every event. `details`, when
  // given, must outlive this: the security label of a BSS whose elements it knows.
  SensorMetrics(MetricsBoard& board, SensorInfo info, const DetailsStore* details = nullptr);

  // A QueryListener's outcome and interface, and when it ended (Unix time, seconds).
  void QueryEnded(QueryOutcome outcome, std::string_view interfaceName, double unixSeconds);

  // A RequestScan's result (0..3; anything else is not counted).
  void ScanRequested(int result);

  // MainWindowHost::TableUpdated: the table after eviction becomes the rows.
  void TableUpdated(const NetworkTable& table);

 private:
  void Publish();

  MetricsBoard& board_;
  const DetailsStore* details_;
  SensorInfo info_;
  SensorCounts counts_;
  std::shared_ptr<const std::vector<BssSample>> rows_;
};

// One record as a row; `security` a label with static storage or empty.
BssSample SampleOf(const TrackedNetwork& record, std::string_view security);

}  // namespace quorvan

#pragma once

// Where BSS lists come from (nl80211, the simulated radio or a replay) and where every query's
// result goes besides the table (the replay's own bookkeeping, a recording), as the command
// line asks.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "app/linux/options.h"
#include "scenario/query_recorder.h"
#include "wlan/query_outcome.h"

namespace quorvan {

struct Sources {
  QueryListener tell;  // hears every query; install it, or call it from your own
  // For a replay: true while a line follows the one the next query gets.
  std::function<bool()> moreAfterNextQuery;
  std::shared_ptr<QueryRecorder> recorder;
  // For a replay: when the query `tell` heard last ran, as its line says (nothing where it does
  // not say). Empty for the other sources, whose queries run as they are heard.
  std::function<std::optional<int64_t>()> recordedTime;
  // A monitor interface: listens until every channel has been heard once more (before each
  // --list cycle), and stops and deletes the interface it added once the last copy of the
  // sources is gone.
  std::function<void()> listen;
  std::shared_ptr<void> monitor;

  // 0, or 1 after saying on standard error why the recording stopped half way.
  int RecordingStatus() const;
};

// Now, in ms since 1970 (UTC): when a live source's query ran.
int64_t WallClockMs();

// Installs the WLAN service the options choose, the whole scenario checked first, and opens the
// recording. Where that cannot be done it says why on standard error and returns nothing: the
// program then exits with status 2, before anything ran.
std::optional<Sources> InstallSources(const Options& options);

}  // namespace quorvan

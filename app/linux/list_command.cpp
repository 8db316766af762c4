#include "app/linux/list_command.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <utility>

#include "app/linux/list_mode.h"
#include "app/linux/messages.h"
#include "ui/ssid_text.h"
#include "wlan/linux/diagnosis.h"

namespace quorvan {
namespace {

// How long --list waits for the kernel to end a scan. Real radios take 2 to 8 s over 2.4, 5
// and 6 GHz.
constexpr std::chrono::seconds kScanWaitLimit{10};

// Before each --list cycle on a real radio: a fresh scan, waited for. Where none could be had
// the cycle lists what the kernel holds, and the reason is said once.
void FreshScanBeforeCycle(bool& said) {
  const FreshScan scan = ScanFirstInterfaceAndWait(kScanWaitLimit);
  const std::string why = WhyResultsMayBeStale(scan, kScanWaitLimit);
  if (why.empty() || std::exchange(said, true)) return;
  std::fprintf(stderr,
               "quorvan: %s: listing the kernel's last scan results, which may be stale: %s\n",
               EscapeSsid(scan.interfaceName).c_str(), why.c_str());
}

}  // namespace

int RunList(const Options& options, const Sources& sources, LinuxExtras& extras) {
  const bool replaying = !options.scenario.empty() || !options.pcap.empty();
  // A replay runs until its last line; it need not know how many there are beforehand.
  std::function<bool(int)> isLastCycle = [&options](int cycle) { return cycle >= options.cycles; };
  if (replaying) isLastCycle = [&sources](int) { return !sources.moreAfterNextQuery(); };
  // A simulated radio or a replay answers at once: their cycles run back to back.
  std::function<void()> beforeEachCycle;
  if (!options.simulate && !replaying)
    beforeEachCycle = [said = false]() mutable { FreshScanBeforeCycle(said); };
  // A monitor interface needs no scan: it lists what it heard over a round of its channels.
  if (sources.listen) beforeEachCycle = sources.listen;
  const ListResult result = RunListMode(
      isLastCycle,
      [&sources, &extras](QueryOutcome outcome, std::span<const BssObservation> observations,
                          std::string_view interfaceName) {
        if (sources.tell) sources.tell(outcome, observations, interfaceName);
        extras.Heard(outcome, observations);
      },
      beforeEachCycle,
      [&options, &extras](const MemoryListView& list,
                          std::span<const TrackedNetwork* const> records) {
        return FormatList(list, records, options.format, &extras.Store());
      },
      extras.TableWatcher());
  int status = WriteOut(result.text, "the list");
  if (result.exitCode != 0) {
    // A replay's failures are its own; otherwise ask the service what stands in the way.
    const std::string why = replaying ? std::string() : DescribeDiagnosis(DiagnoseWlanService());
    std::fprintf(stderr, "quorvan: %s\n",
                 (why.empty() ? DescribeQueryOutcome(result.outcome) : why).c_str());
    status = result.exitCode;
  }
  return std::max(status, sources.RecordingStatus());
}

// Writes all of `text` to standard output and flushes it; a full disk or a closed pipe is said,
// naming `what`, and gives exit status 1.
int WriteOut(std::string_view text, const char* what) {
  if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0) {
    return 0;
  }
  std::fprintf(stderr, "quorvan: cannot write %s: %s\n", what, std::strerror(errno));
  return 1;
}

}  // namespace quorvan

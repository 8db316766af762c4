// CquorvanApp on Linux: reads the command line, installs where BSS lists come from, and runs the
// main window: the Qt window on a desktop, the terminal view without one, or the list printed
// once for scripts. The process ends when the window closes.

#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "app/linux/list_mode.h"
#include "app/linux/messages.h"
#include "app/linux/options.h"
#include "app/linux/sources.h"
#include "app/qt/quorvan_dialog.h"
#include "app/text/terminal_app.h"
#include "ui/ssid_text.h"
#include "wlan/linux/diagnosis.h"

namespace quorvan {
namespace {

// Writes all of `text` to standard output and flushes it; a full disk or a closed pipe is said,
// naming `what`, and gives exit status 1.
int WriteOut(std::string_view text, const char* what) {
  if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0) {
    return 0;
  }
  std::fprintf(stderr, "quorvan: cannot write %s: %s\n", what, std::strerror(errno));
  return 1;
}

bool HasDisplay() {
  const auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
  };
  return set("DISPLAY") || set("WAYLAND_DISPLAY");
}

// The local time of day, "14:03:27".
std::string ClockTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local = {};
  char text[16] = "";
  if (localtime_r(&now, &local) == nullptr ||
      std::strftime(text, sizeof text, "%H:%M:%S", &local) == 0) {
    return "?";
  }
  return text;
}

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

int RunList(const Options& options, const Sources& sources) {
  const bool replaying = !options.scenario.empty();
  const int cycles = replaying ? static_cast<int>(std::max<std::size_t>(sources.scenarioLines, 1))
                               : options.cycles;
  // A simulated radio or a replay answers at once: their cycles run back to back.
  std::function<void()> beforeEachCycle;
  if (!options.simulate && !replaying)
    beforeEachCycle = [said = false]() mutable { FreshScanBeforeCycle(said); };
  const ListResult result = RunListMode(
      cycles, sources.tell, beforeEachCycle,
      [&options](const MemoryListView& list, std::span<const TrackedNetwork* const> records) {
        return FormatList(list, records, options.format);
      });
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

}  // namespace
}  // namespace quorvan

int main(int argc, char** argv) {
  using namespace quorvan;
  const CommandLine command = ParseCommandLine({argv, argv + argc}, HasDisplay());
  if (command.action == CommandLine::Action::kPrint) return WriteOut(command.text, "the help");
  if (command.action == CommandLine::Action::kUsageError) {
    std::fprintf(stderr, "quorvan: %s\nTry 'quorvan --help'.\n", command.text.c_str());
    return 2;
  }
  const Options& options = command.options;
  const std::optional<Sources> sources = InstallSources(options);
  if (!sources) return 2;
  if (options.frontEnd == FrontEnd::kList) return RunList(options, *sources);

  // Nothing to show is no reason not to open: the list stays empty and fills once a radio
  // appears. But say why, once, where the user started it; and after each query in the window,
  // where a desktop launch shows no stderr. A replay's failures are its own.
  const bool replaying = !options.scenario.empty();
  if (!replaying) {
    const std::string why = DescribeDiagnosis(DiagnoseWlanService());
    if (!why.empty()) std::fprintf(stderr, "quorvan: %s\n", why.c_str());
  }
  ViewStatus status;
  const ScopedQueryListener listening([&](QueryOutcome outcome,
                                          std::span<const BssObservation> observations,
                                          std::string_view interfaceName) {
    if (sources->tell) sources->tell(outcome, observations, interfaceName);
    status.emptyListReason = EmptyListReason(
        outcome, replaying ? std::function<WlanDiagnosis()>() : DiagnoseWlanService);
    status.interfaceName =
        EscapeSsid(interfaceName.empty() ? options.interface : std::string(interfaceName));
    status.lastQuery = outcome == QueryOutcome::kListed
                           ? "listed at " + ClockTime()
                           : "failed at " + ClockTime() + ": " + status.emptyListReason;
  });

  if (options.frontEnd == FrontEnd::kTerminal) {
    if (!isatty(STDOUT_FILENO) || !isatty(STDIN_FILENO)) {
      std::fprintf(stderr,
                   "quorvan: no display and no terminal to show the list in; "
                   "--list prints it as text\n");
      return 2;
    }
    const int exitStatus = RunTerminal([&status] { return status; });
    return exitStatus != 0 ? exitStatus : sources->RecordingStatus();
  }

  QApplication application(argc, argv);
  QApplication::setApplicationName("quorvan");
  QApplication::setApplicationVersion(QUORVAN_VERSION);
  QApplication::setDesktopFileName("quorvan");
  QApplication::setWindowIcon(ApplicationIcon());
  QuorvanDialog dialog;
  dialog.ShowEmptyListReason([&status] { return status.emptyListReason; });
  dialog.exec();
  return sources->RecordingStatus();
}

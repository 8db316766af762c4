// CquorvanApp on Linux: reads the command line, installs where BSS lists come from, and runs the
// main window: the Qt window on a desktop, the terminal view without one, or the list printed
// once for scripts. The process ends when the window closes.

#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/linux/headless_app.h"
#include "app/linux/linux_extras.h"
#include "app/linux/list_command.h"
#include "app/linux/messages.h"
#include "app/linux/metrics_server.h"
#include "app/linux/options.h"
#include "app/linux/sources.h"
#include "app/qt/quorvan_dialog.h"
#include "app/text/terminal_app.h"
#include "ui/ssid_text.h"
#include "ui/text/terminal_view.h"
#include "wlan/linux/diagnosis.h"
#include "wlan/wlan_access.h"

namespace quorvan {
namespace {

bool HasDisplay() {
  const auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
  };
  return set("DISPLAY") || set("WAYLAND_DISPLAY");
}

// The source as the metrics name it.
std::string SourceName(const Options& options) {
  if (options.simulate) return "simulated";
  if (!options.scenario.empty()) return "scenario";
  if (!options.pcap.empty()) return "pcap";
  if (!options.monitor.empty()) return "monitor";
  return "nl80211";
}

double UnixSeconds() {
  using namespace std::chrono;
  return duration<double>(system_clock::now().time_since_epoch()).count();
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
  LinuxExtras extras;
  if (options.frontEnd == FrontEnd::kList) return RunList(options, *sources, extras);

  // The metrics' port is taken before anything runs, so that one in use stops the program here.
  MetricsBoard board;
  std::unique_ptr<SensorMetrics> sensor;
  std::unique_ptr<MetricsServer> server;
  std::function<void(const NetworkTable&)> tableWatcher = extras.TableWatcher();
  if (options.metrics) {
    sensor = std::make_unique<SensorMetrics>(
        board,
        SensorInfo{QUORVAN_VERSION, options.monitor.empty() ? options.interface : options.monitor,
                   SourceName(options)},
        &extras.Store());
    int error = 0;
    server = MetricsServer::Start(*options.metrics, board, error);
    if (!server) {
      std::fprintf(stderr, "quorvan: %s\n",
                   DescribeListenFailure(options.metrics->Text(), error).c_str());
      return 2;
    }
    SetScanListener([&sensor](int result) { sensor->ScanRequested(result); });
    // The store first: the rows read the security it keeps.
    tableWatcher = [storeWatcher = std::move(tableWatcher), &sensor](const NetworkTable& table) {
      storeWatcher(table);
      sensor->TableUpdated(table);
    };
  }

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
    // When the query ran: its replayed line's time where the line says, else now.
    const int64_t nowMs = WallClockMs();
    const std::optional<int64_t> recordedMs =
        sources->recordedTime ? sources->recordedTime() : std::nullopt;
    extras.Heard(outcome, observations, recordedMs.value_or(nowMs));
    if (sensor) sensor->QueryEnded(outcome, interfaceName, UnixSeconds());
    status.emptyListReason = EmptyListReason(
        outcome, replaying ? std::function<WlanDiagnosis()>() : DiagnoseWlanService);
    status.interfaceName =
        EscapeSsid(interfaceName.empty() ? options.interface : std::string(interfaceName));
    status.lastQuery = LastQueryText(outcome, status.emptyListReason, nowMs, recordedMs);
  });

  if (options.frontEnd == FrontEnd::kHeadless) {
    const int exitStatus = RunHeadless(argc, argv, tableWatcher, TimerScale{options.speed});
    return exitStatus != 0 ? exitStatus : sources->RecordingStatus();
  }

  if (options.frontEnd == FrontEnd::kTerminal) {
    if (!isatty(STDOUT_FILENO) || !isatty(STDIN_FILENO)) {
      std::fprintf(stderr,
                   "quorvan: no display and no terminal to show the list in; "
                   "--list prints it as text\n");
      return 2;
    }
    const int exitStatus = RunTerminal([&status] { return status; }, tableWatcher, &extras.Store(),
                                       TimerScale{options.speed});
    return exitStatus != 0 ? exitStatus : sources->RecordingStatus();
  }

  QApplication application(argc, argv);
  QApplication::setApplicationName("quorvan");
  QApplication::setApplicationVersion(QUORVAN_VERSION);
  QApplication::setDesktopFileName("quorvan");
  QApplication::setWindowIcon(ApplicationIcon());
  QuorvanDialog dialog(TimerScale{options.speed});
  dialog.SetTableWatcher(tableWatcher);
  // The first cycle ran while the window was made, before anyone watched it.
  if (sensor) sensor->TableUpdated(dialog.Behaviour().Table());
  dialog.SetDetailsStore(&extras.Store());
  dialog.ShowEmptyListReason([&status] { return status.emptyListReason; });
  dialog.exec();
  return sources->RecordingStatus();
}

// CquorvanApp on Linux: parses the command line, chooses where BSS lists come from, and runs the
// main window: the Qt window on a desktop, the terminal view without one, or the list printed
// once for scripts. The process ends when the window closes.

#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "app/list_mode.h"
#include "app/qt/quorvan_dialog.h"
#include "app/text/terminal_app.h"
#include "wlan/linux/scenario_service.h"
#include "wlan/linux/simulated_service.h"
#include "wlan/linux/wlan_service.h"
#include "wlan/query_recorder.h"
#include "wlan/scenario_file.h"

namespace quorvan {
namespace {

constexpr int kExitUsage = 2;

struct Options {
  bool simulate = false;
  uint64_t seed = 1;
  bool text = false;
  bool list = false;
  int cycles = 1;
  QString scenario;  // replay BSS lists from this file
  QString record;    // write every query result to this file
};

int Usage(const QString& message) {
  std::fprintf(stderr, "quorvan: %s\nTry 'quorvan --help'.\n", qPrintable(message));
  return kExitUsage;
}

// Returns -1 to go on, or the exit status (help, version, a bad option).
int ParseOptions(const QStringList& arguments, Options& options) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Watches the Wi-Fi networks around this machine, one access-point radio (BSS) per row.\n"
      "Without a display (neither DISPLAY nor WAYLAND_DISPLAY set) it runs in the terminal.");
  parser.addOption({"simulate",
                    "Use a simulated radio environment instead of nl80211; --simulate=SEED picks "
                    "another one (default seed 1)."});
  QCommandLineOption seedOption("simulate-seed", "Seed of the simulated environment.", "SEED");
  seedOption.setFlags(QCommandLineOption::HiddenFromHelp);
  parser.addOption(seedOption);
  parser.addOption({"text", "Show the list in the terminal, even where a display is available."});
  parser.addOption({"list",
                    "Run the scan cycles back to back, print the list as tab-separated text and "
                    "exit: 1 when the last query found no BSS list."});
  parser.addOption({"cycles", "Scan cycles that --list runs (default 1).", "N", "1"});
  parser.addOption({"scenario",
                    "Replay the BSS lists of FILE (JSON Lines, one query result a line) instead "
                    "of asking the radio; --list then runs one cycle per line.",
                    "FILE"});
  parser.addOption(
      {"record", "Write every query result to FILE, in the format --scenario replays.", "FILE"});
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();

  // QCommandLineParser has no optional values: "--simulate=SEED" becomes the flag and the seed.
  QStringList expanded;
  for (const QString& argument : arguments) {
    if (argument.startsWith("--simulate=")) {
      expanded << "--simulate"
               << "--simulate-seed" << argument.mid(int(sizeof "--simulate=") - 1);
    } else {
      expanded << argument;
    }
  }

  if (!parser.parse(expanded)) return Usage(parser.errorText());
  if (parser.isSet(help)) {
    // Parsed without an application object, so the usage line names no program yet.
    QString text = parser.helpText();
    text.replace("<executable_name>", "quorvan");
    std::fputs(qPrintable(text), stdout);
    return 0;
  }
  if (parser.isSet(version)) {
    std::printf("quorvan %s\n", QUORVAN_VERSION);
    return 0;
  }
  if (!parser.positionalArguments().isEmpty()) {
    return Usage("unexpected argument '" + parser.positionalArguments().first() + "'");
  }
  options.simulate = parser.isSet("simulate");
  if (parser.isSet(seedOption)) {
    bool ok = false;
    options.seed = parser.value(seedOption).toULongLong(&ok);
    if (!ok)
      return Usage("--simulate wants a whole number as its seed, not '" + parser.value(seedOption) +
                   "'");
  }
  options.text = parser.isSet("text");
  options.list = parser.isSet("list");
  if (parser.isSet("cycles")) {
    bool ok = false;
    options.cycles = parser.value("cycles").toInt(&ok);
    if (!ok || options.cycles < 1) {
      return Usage("--cycles wants a whole number of at least 1, not '" + parser.value("cycles") +
                   "'");
    }
    if (!options.list) return Usage("--cycles goes with --list");
  }
  options.scenario = parser.value("scenario");
  options.record = parser.value("record");
  if (parser.isSet("scenario") && options.scenario.isEmpty())
    return Usage("--scenario wants a file");
  if (parser.isSet("record") && options.record.isEmpty()) return Usage("--record wants a file");
  if (!options.scenario.isEmpty() && options.simulate) {
    return Usage("--scenario and --simulate are two sources; choose one");
  }
  if (!options.scenario.isEmpty() && parser.isSet("cycles")) {
    return Usage("--cycles does not go with --scenario: --list runs one cycle per line");
  }
  return -1;
}

// One line for the user on why no BSS data comes, or nothing when an interface is there.
std::string WhyNoData() {
  const WlanDiagnosis diagnosis = DiagnoseWlanService();
  switch (diagnosis.problem) {
    case WlanDiagnosis::Problem::kNoService:
    case WlanDiagnosis::Problem::kInterfacesFailed:
      return "no wireless interface was found - " + diagnosis.text;
    default:
      return diagnosis.text;
  }
}

// How long --list waits for the kernel to end a scan. Real radios take 2 to 8 s over 2.4, 5
// and 6 GHz.
constexpr std::chrono::seconds kScanWaitLimit{10};

// Before each --list cycle on a real radio: a fresh scan, waited for. Where none could be had
// the cycle lists what the kernel holds, and the reason is said once.
std::function<void()> FreshScanBeforeEachCycle() {
  return [said = false]() mutable {
    const FreshScan scan = ScanFirstInterfaceAndWait(kScanWaitLimit);
    const std::string why = WhyResultsMayBeStale(scan, kScanWaitLimit);
    if (why.empty() || said) return;
    said = true;
    std::fprintf(stderr,
                 "quorvan: %s: listing the kernel's last scan results, which may be stale: %s\n",
                 scan.interfaceName.c_str(), why.c_str());
  };
}

bool HasDisplay() {
  auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
  };
  return set("DISPLAY") || set("WAYLAND_DISPLAY");
}

}  // namespace
}  // namespace quorvan

int main(int argc, char** argv) {
  using namespace quorvan;
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  Options options;
  if (const int status = ParseOptions(arguments, options); status >= 0) return status;

  // Where BSS lists come from, and who hears how each query ended.
  if (options.simulate) SetWlanService(std::make_unique<SimulatedService>(options.seed));
  QueryListener replay;
  std::size_t scenarioLines = 0;
  if (!options.scenario.isEmpty()) {
    std::vector<ScenarioLine> lines;
    std::string error;
    // The whole file is checked before anything runs: a bad line stops it here.
    if (!LoadScenarioFile(options.scenario.toStdString(), lines, error)) {
      std::fprintf(stderr, "quorvan: %s\n", error.c_str());
      return kExitUsage;
    }
    scenarioLines = lines.size();
    auto service =
        std::make_unique<ScenarioService>(std::move(lines), options.scenario.toStdString());
    replay = service->QueryEndListener();
    SetWlanService(std::move(service));
  }
  std::shared_ptr<QueryRecorder> recorder;
  if (!options.record.isEmpty()) {
    std::string error;
    recorder = QueryRecorder::Open(options.record.toStdString(), error);
    if (!recorder) {
      std::fprintf(stderr, "quorvan: %s\n", error.c_str());
      return kExitUsage;
    }
  }
  const QueryListener tell = [replay, recorder](QueryOutcome outcome,
                                                std::span<const BssObservation> observations) {
    if (replay) replay(outcome, observations);
    if (recorder) recorder->Record(outcome, observations);
  };
  SetQueryListener(tell);
  // A recording that stopped half way is said once, at the end.
  const auto recordingStatus = [&recorder] {
    if (recorder && !recorder->WriteError().empty()) {
      std::fprintf(stderr, "quorvan: recording stopped: %s\n", recorder->WriteError().c_str());
      return 1;
    }
    return 0;
  };

  if (options.list) {
    const int cycles = options.scenario.isEmpty()
                           ? options.cycles
                           : static_cast<int>(std::max<std::size_t>(scenarioLines, 1));
    // A simulated radio or a replay answers at once: their cycles run back to back.
    const bool realRadio = !options.simulate && options.scenario.isEmpty();
    const ListResult result =
        RunListMode(cycles, tell, realRadio ? FreshScanBeforeEachCycle() : std::function<void()>());
    std::fwrite(result.text.data(), 1, result.text.size(), stdout);
    std::fflush(stdout);
    if (result.exitCode != 0) {
      // A scenario's failures are its own; otherwise ask the service what stands in the way.
      const std::string why = options.scenario.isEmpty() ? WhyNoData() : std::string();
      std::fprintf(stderr, "quorvan: %s\n", (why.empty() ? result.reason : why).c_str());
      return result.exitCode;
    }
    return recordingStatus();
  }

  // Nothing to show is no reason not to open: the list stays empty and fills once a radio
  // appears. But say why, once, where the user started it.
  if (options.scenario.isEmpty()) {
    const std::string why = WhyNoData();
    if (!why.empty()) std::fprintf(stderr, "quorvan: %s\n", why.c_str());
  }

  const bool terminal = isatty(STDOUT_FILENO) && isatty(STDIN_FILENO);
  if (options.text || !HasDisplay()) {
    if (!terminal) {
      std::fprintf(stderr,
                   "quorvan: no display and no terminal to show the list in; "
                   "--list prints it as text\n");
      return kExitUsage;
    }
    const int status = RunTerminal();
    return status != 0 ? status : recordingStatus();
  }

  QApplication application(argc, argv);
  QApplication::setApplicationName("quorvan");
  QApplication::setApplicationVersion(QUORVAN_VERSION);
  QApplication::setDesktopFileName("quorvan");
  QApplication::setWindowIcon(ApplicationIcon());

  QuorvanDialog dialog;
  dialog.exec();
  return recordingStatus();
}

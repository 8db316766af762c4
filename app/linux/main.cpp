// CquorvanApp on Linux: parses the command line, chooses where BSS lists come from (nl80211, a
// simulated radio or a replay), and runs the main window: the Qt window on a desktop, the
// terminal view without one, or the list printed once for scripts. The process ends when the
// window closes.

#include <net/if.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/linux/messages.h"
#include "app/list_format.h"
#include "app/list_mode.h"
#include "app/qt/quorvan_dialog.h"
#include "app/text/terminal_app.h"
#include "base/utf8.h"
#include "ui/ssid_text.h"
#include "wlan/linux/nl80211_service.h"
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
  ListFormat format = ListFormat::kTsv;
  std::string scenario;   // replay BSS lists from this file (bytes, as in argv)
  std::string record;     // write every query result to this file, "-" for standard output
  std::string interface;  // watch this interface rather than the first one up
};

int Usage(const QString& message) {
  std::fprintf(stderr, "quorvan: %s\nTry 'quorvan --help'.\n", qPrintable(message));
  return kExitUsage;
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

// Command-line arguments are bytes and QCommandLineParser wants text. A byte that is not part of
// valid UTF-8 becomes a lone surrogate, U+DC80 to U+DCFF, and turns back into itself, so that a
// file name reaches open() as the very bytes of argv.
QString ArgumentText(std::string_view bytes) {
  QString text;
  for (std::size_t at = 0; at < bytes.size();) {
    char32_t code = 0;
    const std::size_t length = Utf8SequenceAt(bytes, at, code);
    if (length == 0) {
      text += QChar(char16_t(0xDC00 + static_cast<unsigned char>(bytes[at])));
      ++at;
    } else {
      text += QString::fromUcs4(&code, 1);
      at += length;
    }
  }
  return text;
}

std::string ArgumentBytes(const QString& text) {
  std::string bytes;
  for (qsizetype i = 0; i < text.size(); ++i) {
    char32_t code = text[i].unicode();
    if (QChar::isHighSurrogate(code) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      code = QChar::surrogateToUcs4(char16_t(code), text[++i].unicode());
    } else if (code >= 0xDC80 && code <= 0xDCFF) {
      bytes += static_cast<char>(code - 0xDC00);
      continue;
    }
    const QByteArray utf8 = QString::fromUcs4(&code, 1).toUtf8();
    bytes.append(utf8.constData(), static_cast<std::size_t>(utf8.size()));
  }
  return bytes;
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
  parser.addOption({"interface",
                    "Watch the Wi-Fi interface NAME (wlan0, wlp2s0) rather than the first "
                    "managed one whose link is up.",
                    "NAME"});
  parser.addOption({"text", "Show the list in the terminal, even where a display is available."});
  parser.addOption({"list",
                    "Run the scan cycles back to back, print the list and exit: 1 when the last "
                    "query found no BSS list."});
  parser.addOption({"cycles", "Scan cycles that --list runs (default 1).", "N", "1"});
  parser.addOption({"format",
                    "How --list prints the list: tsv (tab-separated cells, the default), csv "
                    "(RFC 4180, with a header row) or json (an array of objects).",
                    "FORMAT", "tsv"});
  parser.addOption({"scenario",
                    "Replay the BSS lists of FILE (JSON Lines, one query result a line) instead "
                    "of asking the radio; --list then runs one cycle per line.",
                    "FILE"});
  parser.addOption(
      {"record",
       "Write every query result to FILE, in the format --scenario replays; - writes to "
       "standard output (not with --list).",
       "FILE"});
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
    return WriteOut(text.toStdString(), "the help");
  }
  if (parser.isSet(version)) {
    return WriteOut("quorvan " QUORVAN_VERSION
                    "\nCopyright (c) 2026 the quorvan developers\n"
                    "License: MIT <https://opensource.org/licenses/MIT>\n"
                    "This is free software: you are free to change and redistribute it.\n"
                    "There is NO WARRANTY, to the extent permitted by law.\n",
                    "the version");
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
  if (parser.isSet("format")) {
    const auto format = ParseListFormat(parser.value("format").toStdString());
    if (!format) {
      return Usage("--format wants tsv, csv or json, not '" + parser.value("format") + "'");
    }
    if (!options.list) return Usage("--format goes with --list");
    options.format = *format;
  }
  options.scenario = ArgumentBytes(parser.value("scenario"));
  options.record = ArgumentBytes(parser.value("record"));
  if (parser.isSet("scenario") && options.scenario.empty()) return Usage("--scenario wants a file");
  if (parser.isSet("record") && options.record.empty()) return Usage("--record wants a file");
  if (!options.scenario.empty() && options.simulate) {
    return Usage("--scenario and --simulate are two sources; choose one");
  }
  options.interface = ArgumentBytes(parser.value("interface"));
  if (parser.isSet("interface")) {
    if (options.interface.empty()) return Usage("--interface wants a name");
    if (options.simulate || !options.scenario.empty()) {
      return Usage("--interface chooses a real radio; not with --simulate or --scenario");
    }
  }
  if (options.record == "-" && options.list) {
    return Usage("--record - would write into the list on standard output; record to a file");
  }
  if (!options.scenario.empty() && !options.record.empty() && options.record != "-") {
    // The recording would empty the scenario before a line of it is replayed; a link of
    // either kind names the same file, so it is the file itself that is compared.
    struct stat scenario = {}, record = {};
    if (stat(options.scenario.c_str(), &scenario) == 0 &&
        stat(options.record.c_str(), &record) == 0 && scenario.st_dev == record.st_dev &&
        scenario.st_ino == record.st_ino) {
      return Usage(QString::fromStdString("--record " + EscapeSsid(options.record) +
                                          " is the --scenario file; recording would destroy it"));
    }
  }
  if (!options.scenario.empty() && parser.isSet("cycles")) {
    return Usage("--cycles does not go with --scenario: --list runs one cycle per line");
  }
  return -1;
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
                 EscapeSsid(scan.interfaceName).c_str(), why.c_str());
  };
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

// What the system knows of the interface named with --interface.
InterfaceChoice LookAtInterface(const std::string& name) {
  InterfaceChoice choice;
  choice.name = name;
  choice.exists = if_nametoindex(name.c_str()) != 0;
  // Wi-Fi interfaces of any mode have their radio in sysfs; the name is a real interface's,
  // so it holds no slash.
  choice.wireless =
      choice.exists && access(("/sys/class/net/" + name + "/phy80211").c_str(), F_OK) == 0;
  Nl80211Service all;
  std::unique_ptr<WlanSession> session;
  std::vector<WlanInterface> interfaces;
  DWORD error = all.Open(2, session);
  if (error == ERROR_SUCCESS) error = session->EnumInterfaces(interfaces);
  if (error != ERROR_SUCCESS) {
    choice.listError =
        all.LastFailure().empty() ? std::string(WlanErrorText(error)) : all.LastFailure();
  }
  for (const WlanInterface& interface : interfaces)
    choice.stations.push_back(interface.description);
  return choice;
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
  for (int i = 0; i < argc; ++i) arguments << ArgumentText(argv[i]);
  Options options;
  if (const int status = ParseOptions(arguments, options); status >= 0) return status;

  // Where BSS lists come from, and who hears how each query ended.
  // The real radio unless a simulated one or a replay is asked for.
  if (options.simulate) {
    SetWlanService(std::make_unique<SimulatedService>(options.seed));
  } else if (options.scenario.empty()) {
    if (!options.interface.empty()) {
      const std::string refused = RefuseInterface(LookAtInterface(options.interface));
      if (!refused.empty()) {
        std::fprintf(stderr, "quorvan: %s\n", refused.c_str());
        return kExitUsage;
      }
    }
    SetWlanService(std::make_unique<Nl80211Service>(options.interface));
  }
  QueryListener replay;
  std::size_t scenarioLines = 0;
  if (!options.scenario.empty()) {
    const std::string shownAs = EscapeSsid(options.scenario);
    ScenarioFile file;
    std::string error;
    // The whole file is checked before anything runs: a bad line stops it here.
    if (!LoadScenarioFile(options.scenario, shownAs, file, error)) {
      std::fprintf(stderr, "quorvan: %s\n", error.c_str());
      return kExitUsage;
    }
    if (!file.torn.empty()) {
      std::fprintf(stderr,
                   "quorvan: %s:%s: the last line, cut short as by a recording that stopped "
                   "while writing it; replaying the lines before it\n",
                   shownAs.c_str(), file.torn.c_str());
    }
    scenarioLines = file.queries;
    auto service = file.linesKept
                       ? std::make_unique<ScenarioService>(std::move(file.lines), shownAs)
                       : std::make_unique<ScenarioService>(std::move(file.text), shownAs);
    replay = service->QueryEndListener();
    SetWlanService(std::move(service));
  }
  std::shared_ptr<QueryRecorder> recorder;
  if (!options.record.empty()) {
    // A file-size limit fails the write instead of ending the program, so the recorder can
    // cut its file back to the last whole line.
    std::signal(SIGXFSZ, SIG_IGN);
    std::string error;
    recorder = QueryRecorder::Open(
        options.record, options.record == "-" ? "standard output" : EscapeSsid(options.record),
        error);
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
    const int cycles = options.scenario.empty()
                           ? options.cycles
                           : static_cast<int>(std::max<std::size_t>(scenarioLines, 1));
    // A simulated radio or a replay answers at once: their cycles run back to back.
    const bool realRadio = !options.simulate && options.scenario.empty();
    const ListFormat format = options.format;
    const ListResult result = RunListMode(
        cycles, tell, realRadio ? FreshScanBeforeEachCycle() : std::function<void()>(),
        [format](const MemoryListView& list, std::span<const TrackedNetwork* const> records) {
          return FormatList(list, records, format);
        });
    int status = WriteOut(result.text, "the list");
    if (result.exitCode != 0) {
      // A scenario's failures are its own; otherwise ask the service what stands in the way.
      const std::string why =
          options.scenario.empty() ? DescribeDiagnosis(DiagnoseWlanService()) : std::string();
      std::fprintf(stderr, "quorvan: %s\n",
                   (why.empty() ? DescribeQueryOutcome(result.outcome) : why).c_str());
      status = result.exitCode;
    }
    return std::max(status, recordingStatus());
  }

  // Nothing to show is no reason not to open: the list stays empty and fills once a radio
  // appears. But say why, once, where the user started it.
  if (options.scenario.empty()) {
    const std::string why = DescribeDiagnosis(DiagnoseWlanService());
    if (!why.empty()) std::fprintf(stderr, "quorvan: %s\n", why.c_str());
  }
  // And in the window, where a desktop launch shows no stderr: after each query, why it found
  // nothing, in place of the rows. A replay's failures are its own; the radio is not asked.
  // The terminal view's status line also tells the interface and how the query ended.
  ViewStatus status;
  const bool replaying = !options.scenario.empty();
  const std::string chosen = options.interface;
  SetQueryListener([tell, replaying, chosen, &status](
                       QueryOutcome outcome, std::span<const BssObservation> observations) {
    tell(outcome, observations);
    status.emptyListReason = EmptyListReason(
        outcome, replaying ? std::function<WlanDiagnosis()>() : DiagnoseWlanService);
    const std::string listed = FirstListedInterfaceName();
    status.interfaceName = EscapeSsid(listed.empty() ? chosen : listed);
    status.lastQuery = outcome == QueryOutcome::kListed
                           ? "listed at " + ClockTime()
                           : "failed at " + ClockTime() + ": " + status.emptyListReason;
  });

  const bool terminal = isatty(STDOUT_FILENO) && isatty(STDIN_FILENO);
  if (options.text || !HasDisplay()) {
    if (!terminal) {
      std::fprintf(stderr,
                   "quorvan: no display and no terminal to show the list in; "
                   "--list prints it as text\n");
      return kExitUsage;
    }
    const int exitStatus = RunTerminal([&status] { return status; });
    return exitStatus != 0 ? exitStatus : recordingStatus();
  }

  QApplication application(argc, argv);
  QApplication::setApplicationName("quorvan");
  QApplication::setApplicationVersion(QUORVAN_VERSION);
  QApplication::setDesktopFileName("quorvan");
  QApplication::setWindowIcon(ApplicationIcon());

  QuorvanDialog dialog;
  dialog.ShowEmptyListReason([&status] { return status.emptyListReason; });
  dialog.exec();
  return recordingStatus();
}

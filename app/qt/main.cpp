// CquorvanApp on Linux: parses the command line, chooses where BSS lists come from, and runs the
// main window: the Qt window on a desktop, the terminal view without one, or the list printed
// once for scripts. The process ends when the window closes.

#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/list_mode.h"
#include "app/qt/quorvan_dialog.h"
#include "app/text/terminal_app.h"
#include "wlan/linux/simulated_service.h"
#include "wlan/linux/wlan_service.h"

namespace quorvan {
namespace {

constexpr int kExitUsage = 2;

struct Options {
  bool simulate = false;
  uint64_t seed = 1;
  bool text = false;
  bool list = false;
  int cycles = 1;
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
  return -1;
}

// One line for the user on why no BSS data comes, or nothing when an interface is there.
std::string WhyNoData() {
  const std::string why = DiagnoseWlanService();
  if (why.empty() || why.find("no wireless interface was found") != std::string::npos) return why;
  return "no wireless interface was found - " + why;
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

  if (options.simulate) SetWlanService(std::make_unique<SimulatedService>(options.seed));

  if (options.list) {
    const ListResult result = RunListMode(options.cycles);
    std::fwrite(result.text.data(), 1, result.text.size(), stdout);
    if (result.exitCode != 0) {
      const std::string why = WhyNoData();
      std::fprintf(stderr, "quorvan: %s\n", (why.empty() ? result.reason : why).c_str());
    }
    return result.exitCode;
  }

  // Nothing to show is no reason not to open: the list stays empty and fills once a radio
  // appears. But say why, once, where the user started it.
  const std::string why = WhyNoData();
  if (!why.empty()) std::fprintf(stderr, "quorvan: %s\n", why.c_str());

  const bool terminal = isatty(STDOUT_FILENO) && isatty(STDIN_FILENO);
  if (options.text || !HasDisplay()) {
    if (!terminal) {
      std::fprintf(stderr,
                   "quorvan: no display and no terminal to show the list in; "
                   "--list prints it as text\n");
      return kExitUsage;
    }
    return RunTerminal();
  }

  QApplication application(argc, argv);
  QApplication::setApplicationName("quorvan");
  QApplication::setApplicationVersion(QUORVAN_VERSION);
  QApplication::setDesktopFileName("quorvan");
  QApplication::setWindowIcon(ApplicationIcon());

  QuorvanDialog dialog;
  dialog.exec();
  return 0;
}

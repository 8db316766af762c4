// CquorvanApp on Linux: parses the command line, chooses where BSS lists come from, and runs the
// main window modally; the process ends when it closes.

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <memory>

#include "app/qt/quorvan_dialog.h"
#include "wlan/linux/simulated_service.h"
#include "wlan/linux/wlan_service.h"

namespace quorvan {
namespace {

constexpr int kExitUsage = 2;

struct Options {
  bool simulate = false;
  uint64_t seed = 1;
};

// Returns true to go on, false with `exitCode` set to stop (help, version or a bad option).
bool ParseOptions(const QStringList& arguments, Options& options, int& exitCode) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Watches the Wi-Fi networks around this machine, one access-point radio (BSS) per row.");
  parser.addOption({"simulate",
                    "Use a simulated radio environment instead of nl80211; "
                    "--simulate=SEED picks another one (default seed 1)."});
  QCommandLineOption seedOption("simulate-seed", "Seed of the simulated environment.", "SEED");
  seedOption.setFlags(QCommandLineOption::HiddenFromHelp);
  parser.addOption(seedOption);
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

  if (!parser.parse(expanded)) {
    std::fprintf(stderr, "quorvan: %s\nTry 'quorvan --help'.\n", qPrintable(parser.errorText()));
    exitCode = kExitUsage;
    return false;
  }
  if (parser.isSet(help)) {
    std::fputs(qPrintable(parser.helpText()), stdout);
    exitCode = 0;
    return false;
  }
  if (parser.isSet(version)) {
    std::printf("quorvan %s\n", QUORVAN_VERSION);
    exitCode = 0;
    return false;
  }
  if (!parser.positionalArguments().isEmpty()) {
    std::fprintf(stderr, "quorvan: unexpected argument '%s'\nTry 'quorvan --help'.\n",
                 qPrintable(parser.positionalArguments().first()));
    exitCode = kExitUsage;
    return false;
  }
  options.simulate = parser.isSet("simulate");
  if (parser.isSet(seedOption)) {
    bool ok = false;
    options.seed = parser.value(seedOption).toULongLong(&ok);
    if (!ok) {
      std::fprintf(stderr, "quorvan: --simulate wants a whole number as its seed, not '%s'\n",
                   qPrintable(parser.value(seedOption)));
      exitCode = kExitUsage;
      return false;
    }
  }
  return true;
}

}  // namespace
}  // namespace quorvan

int main(int argc, char** argv) {
  using namespace quorvan;
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  Options options;
  int exitCode = 0;
  if (!ParseOptions(arguments, options, exitCode)) return exitCode;

  if (options.simulate) SetWlanService(std::make_unique<SimulatedService>(options.seed));
  // Nothing to show is no reason not to open: the list stays empty and fills once a radio
  // appears. But say why, once, where the user started it.
  const std::string why = DiagnoseWlanService();
  if (!why.empty()) std::fprintf(stderr, "quorvan: %s\n", why.c_str());

  QApplication application(argc, argv);
  QApplication::setApplicationName("quorvan");
  QApplication::setApplicationVersion(QUORVAN_VERSION);
  QApplication::setDesktopFileName("quorvan");
  QApplication::setWindowIcon(ApplicationIcon());

  QuorvanDialog dialog;
  dialog.exec();
  return 0;
}

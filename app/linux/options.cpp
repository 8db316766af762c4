#include "app/linux/options.h"

#include <sys/stat.h>

#include <QCommandLineParser>
#include <QStringList>
#include <cmath>
#include <string_view>

#include "base/utf8.h"
#include "ui/ssid_text.h"
#include "wlan/linux/monitor_plan.h"

namespace quorvan {
namespace {

// QCommandLineParser wants text. A byte that is not part of valid UTF-8 becomes a lone
// surrogate, U+DC80 to U+DCFF, and turns back into itself in ArgumentBytes.
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

// Shown in messages: the bytes, escaped as an SSID is, so that no name garbles the terminal.
QString Shown(const QString& argument) {
  return QString::fromStdString(EscapeSsid(ArgumentBytes(argument)));
}

CommandLine Refused(const QString& why) {
  return {CommandLine::Action::kUsageError, {}, why.toStdString()};
}

constexpr char kVersion[] = "quorvan " QUORVAN_VERSION
                            "\nCopyright (c) 2026 the quorvan developers\n"
                            "License: MIT <https://opensource.org/licenses/MIT>\n"
                            "This is free software: you are free to change and redistribute it.\n"
                            "There is NO WARRANTY, to the extent permitted by law.\n";

// Faster, the countdown's tick would be shorter than 10 ms, the shortest period a timer runs at
// (as SetTimer's): the ticks would fall behind the cycles and the scan request never come.
constexpr double kMaxSpeed = 100;

// Whether the two paths name one file, through links of either kind.
bool SameFile(const std::string& a, const std::string& b) {
  struct stat first = {}, second = {};
  return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments, bool hasDisplay) {
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
  parser.addOption({"pcap",
                    "Replay the beacons and probe responses of a pcap or pcapng capture of 802.11 "
                    "frames (- reads standard input), a query per 20 s of its time; --list then "
                    "runs one cycle per 20 s.",
                    "FILE"});
  parser.addOption(
      {"record",
       "Write every query result to FILE, in the format --scenario replays; - writes to "
       "standard output (not with --list or the terminal view).",
       "FILE"});
  parser.addOption({"speed",
                    "Replay --scenario or --pcap FACTOR times as fast as real time, the countdown "
                    "included: 10 runs a query every 2 s. Above 0, at most 100.",
                    "FACTOR"});
  parser.addOption({"monitor",
                    "Listen to every beacon on the Wi-Fi interface NAME in monitor mode, hopping "
                    "through its channels, instead of asking for scans; a managed interface gets a "
                    "monitor interface beside it for the run. Needs CAP_NET_ADMIN and CAP_NET_RAW.",
                    "NAME"});
  parser.addOption({"channels",
                    "The channels --monitor hops through: numbers of 2.4 GHz (1-14) and 5 GHz "
                    "(32-177) channels, or frequencies in MHz (6 GHz ones: 5975), separated by "
                    "commas. Default: all that the radio may use here.",
                    "LIST"});
  parser.addOption({"headless",
                    "Run the scan cycles without a window or a terminal until SIGTERM or SIGINT, "
                    "as a service does; --metrics makes it a sensor for Prometheus."});
  parser.addOption({"metrics",
                    "Serve the table and the sensor's counts at http://ADDRESS:PORT/metrics for "
                    "Prometheus: 127.0.0.1:9412, [::1]:9412, or :9412 for every address. With "
                    "--headless, the window or the terminal view.",
                    "ADDRESS:PORT"});
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();

  // QCommandLineParser has no optional values: "--simulate=SEED" becomes the flag and the seed.
  QStringList expanded;
  for (const std::string& bytes : arguments) {
    const QString argument = ArgumentText(bytes);
    if (argument.startsWith("--simulate=")) {
      expanded << "--simulate"
               << "--simulate-seed" << argument.mid(int(sizeof "--simulate=") - 1);
    } else {
      expanded << argument;
    }
  }

  if (!parser.parse(expanded)) return Refused(Shown(parser.errorText()));
  // addHelpOption also adds --help-all and lists it, but only process() would act on it.
  if (parser.isSet(help) || parser.isSet("help-all")) {
    // Parsed without an application object, so the usage line names no program yet.
    QString text = parser.helpText();
    text.replace("<executable_name>", "quorvan");
    return {CommandLine::Action::kPrint, {}, text.toStdString()};
  }
  if (parser.isSet(version)) return {CommandLine::Action::kPrint, {}, kVersion};
  if (!parser.positionalArguments().isEmpty()) {
    return Refused("unexpected argument '" + Shown(parser.positionalArguments().first()) + "'");
  }

  Options options;
  options.simulate = parser.isSet("simulate");
  if (parser.isSet(seedOption)) {
    bool ok = false;
    options.seed = parser.value(seedOption).toULongLong(&ok);
    if (!ok) {
      return Refused("--simulate wants a whole number as its seed, not '" +
                     Shown(parser.value(seedOption)) + "'");
    }
  }
  const bool list = parser.isSet("list");
  if (parser.isSet("headless")) {
    if (list) return Refused("--headless and --list are two ways to run; choose one");
    if (parser.isSet("text"))
      return Refused("--headless and --text are two front ends; choose one");
    options.frontEnd = FrontEnd::kHeadless;
  } else if (list) {
    options.frontEnd = FrontEnd::kList;
  } else if (parser.isSet("text") || !hasDisplay) {
    options.frontEnd = FrontEnd::kTerminal;
  }
  if (parser.isSet("cycles")) {
    bool ok = false;
    options.cycles = parser.value("cycles").toInt(&ok);
    if (!ok || options.cycles < 1) {
      return Refused("--cycles wants a whole number of at least 1, not '" +
                     Shown(parser.value("cycles")) + "'");
    }
    if (!list) return Refused("--cycles goes with --list");
  }
  if (parser.isSet("format")) {
    const auto format = ParseListFormat(parser.value("format").toStdString());
    if (!format) {
      return Refused("--format wants tsv, csv or json, not '" + Shown(parser.value("format")) +
                     "'");
    }
    if (!list) return Refused("--format goes with --list");
    options.format = *format;
  }
  options.scenario = ArgumentBytes(parser.value("scenario"));
  options.record = ArgumentBytes(parser.value("record"));
  options.interface = ArgumentBytes(parser.value("interface"));
  if (parser.isSet("scenario") && options.scenario.empty())
    return Refused("--scenario wants a file");
  if (parser.isSet("record") && options.record.empty()) return Refused("--record wants a file");
  if (!options.scenario.empty() && options.simulate) {
    return Refused("--scenario and --simulate are two sources; choose one");
  }
  if (parser.isSet("interface")) {
    if (options.interface.empty()) return Refused("--interface wants a name");
    if (options.simulate || !options.scenario.empty()) {
      return Refused("--interface chooses a real radio; not with --simulate or --scenario");
    }
  }
  if (parser.isSet("monitor")) {
    options.monitor = ArgumentBytes(parser.value("monitor"));
    if (options.monitor.empty()) return Refused("--monitor wants an interface");
    if (options.simulate || !options.scenario.empty() || parser.isSet("pcap") ||
        parser.isSet("interface")) {
      return Refused(
          "--monitor is a source of its own; not with --simulate, --scenario, --pcap or "
          "--interface");
    }
  }
  if (parser.isSet("channels")) {
    std::string bad;
    const auto channels = ParseChannelList(ArgumentBytes(parser.value("channels")), bad);
    if (!channels) {
      return Refused(
          "--channels wants channel numbers (1-14, 32-177) or frequencies in MHz, "
          "separated by commas; '" +
          QString::fromStdString(EscapeSsid(bad)) + "' is neither");
    }
    if (options.monitor.empty()) return Refused("--channels goes with --monitor");
    options.channelsMhz = *channels;
  }
  if (options.record == "-" && list) {
    return Refused("--record - would write into the list on standard output; record to a file");
  }
  // The terminal view draws on standard output: the lines would be lost in its screen.
  if (options.record == "-" && options.frontEnd == FrontEnd::kTerminal) {
    return Refused(
        "--record - would write into the terminal view on standard output; record to a file");
  }
  // The recording would empty the scenario before a line of it is replayed.
  if (!options.scenario.empty() && !options.record.empty() && options.record != "-" &&
      SameFile(options.scenario, options.record)) {
    return Refused(QString::fromStdString("--record " + EscapeSsid(options.record) +
                                          " is the --scenario file; recording would destroy it"));
  }

  if (!options.scenario.empty() && parser.isSet("cycles")) {
    return Refused("--cycles does not go with --scenario: --list runs one cycle per line");
  }
  if (parser.isSet("pcap")) {
    options.pcap = ArgumentBytes(parser.value("pcap"));
    if (options.pcap.empty()) return Refused("--pcap wants a file");
    if (options.simulate || !options.scenario.empty() || parser.isSet("interface")) {
      return Refused(
          "--pcap is a source of its own; not with --simulate, --scenario or --interface");
    }
    if (parser.isSet("cycles")) {
      return Refused("--cycles does not go with --pcap: --list runs one cycle per 20 s of it");
    }
    if (options.record != "-" && !options.record.empty() && options.pcap != "-" &&
        SameFile(options.pcap, options.record)) {
      return Refused(QString::fromStdString("--record " + EscapeSsid(options.record) +
                                            " is the --pcap file; recording would destroy it"));
    }
  }
  if (parser.isSet("metrics")) {
    options.metrics = ParseListenAddress(ArgumentBytes(parser.value("metrics")));
    if (!options.metrics) {
      return Refused("--metrics wants ADDRESS:PORT (127.0.0.1:9412, [::1]:9412 or :9412), not '" +
                     Shown(parser.value("metrics")) + "'");
    }
    if (list) return Refused("--metrics serves a program that keeps running; not with --list");
  }
  if (parser.isSet("speed")) {
    bool ok = false;
    options.speed = parser.value("speed").toDouble(&ok);
    if (!ok || !std::isfinite(options.speed) || options.speed <= 0 || options.speed > kMaxSpeed) {
      return Refused("--speed wants a number above 0 and at most 100, not '" +
                     Shown(parser.value("speed")) + "'");
    }
    if (list) return Refused("--speed does not go with --list: it runs the cycles back to back");
    if (options.scenario.empty() && options.pcap.empty()) {
      return Refused("--speed goes with --scenario or --pcap: a radio answers in its own time");
    }
  }
  return {CommandLine::Action::kRun, options, {}};
}

}  // namespace quorvan

#pragma once

// The Linux program's command line: what it is asked to do, checked before anything runs.
// Arguments are bytes, as the kernel passes them: a file name that is not UTF-8 reaches open()
// as the very bytes it was given.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/linux/list_format.h"
#include "metrics/listen_address.h"

namespace quorvan {

// Where the list is shown.
enum class FrontEnd {
  kWindow,    // the Qt window
  kTerminal,  // the terminal view: --text, or no display
  kList,      // --list: printed once for scripts
  kHeadless,  // --headless: the cycles alone, until SIGTERM or SIGINT
};

struct Options {
  bool simulate = false;
  uint64_t seed = 1;
  FrontEnd frontEnd = FrontEnd::kWindow;
  int cycles = 1;  // --list: scan cycles to run
  ListFormat format = ListFormat::kTsv;
  std::string scenario;   // replay BSS lists from this file, or ""
  std::string pcap;       // replay the beacons of this capture ("-": standard input), or ""
  std::string record;     // write every query result to this file, "-" for standard output
  std::string interface;  // watch this interface rather than the first one up, or ""
  double speed = 1.0;     // how many times faster than real time a replay's timers run
  std::string monitor;    // listen on this Wi-Fi interface in monitor mode, or ""
  std::vector<uint32_t> channelsMhz;     // the channels the monitor hops through; empty: all
  std::optional<ListenAddress> metrics;  // serve the metrics for Prometheus here
};

struct CommandLine {
  enum class Action {
    kRun,         // `options` say what to run
    kPrint,       // print `text` (the help or the version) on standard output and exit 0
    kUsageError,  // say `text` on standard error and exit 2
  };
  Action action = Action::kRun;
  Options options;
  std::string text;
};

// `arguments` as main() gets them, the program's name first. `hasDisplay`: whether a display is
// there for the window (DISPLAY or WAYLAND_DISPLAY set).
CommandLine ParseCommandLine(const std::vector<std::string>& arguments, bool hasDisplay);

}  // namespace quorvan

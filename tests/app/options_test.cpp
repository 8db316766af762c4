#include "app/linux/options.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace quorvan {
namespace {

using Action = CommandLine::Action;

// Every field, so that a row compares all of them and a failure shows which.
std::string Describe(const Options& o) {
  static const char* const kFrontEnds[] = {"window", "terminal", "list", "headless"};
  static const char* const kFormats[] = {"tsv", "csv", "json"};
  std::string channels;
  for (uint32_t one : o.channelsMhz) channels += "," + std::to_string(one);
  return "simulate=" + std::to_string(o.simulate) + " seed=" + std::to_string(o.seed) +
         " front=" + kFrontEnds[static_cast<int>(o.frontEnd)] +
         " cycles=" + std::to_string(o.cycles) + " format=" + kFormats[static_cast<int>(o.format)] +
         " scenario=[" + o.scenario + "] record=[" + o.record + "] interface=[" + o.interface +
         "] speed=" + std::to_string(o.speed) + " pcap=[" + o.pcap + "] monitor=[" + o.monitor +
         channels + "] metrics=[" +
         (o.metrics ? o.metrics->host + "]:" + std::to_string(o.metrics->port) : "]");
}

CommandLine Parse(std::vector<std::string> arguments, bool hasDisplay = true) {
  arguments.insert(arguments.begin(), "quorvan");
  return ParseCommandLine(arguments, hasDisplay);
}

std::string Joined(const std::vector<std::string>& arguments) {
  std::string text;
  for (const std::string& argument : arguments) text += " " + argument;
  return text;
}

// A row names only the fields its options change; the rest keep their defaults.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

// One row per rule: the front end a display and the flags choose, each value's form and bounds,
// and the sources and outputs that go together.
TEST(CommandLine, AcceptedOptions) {
  constexpr FrontEnd kTerminal = FrontEnd::kTerminal, kList = FrontEnd::kList,
                     kHeadless = FrontEnd::kHeadless;
  constexpr ListFormat kCsv = ListFormat::kCsv, kJson = ListFormat::kJson;
  const struct {
    std::vector<std::string> arguments;
    bool hasDisplay;
    Options expected;
  } rows[] = {
      {{}, true, {}},
      {{}, false, {.frontEnd = kTerminal}},
      {{"--text"}, true, {.frontEnd = kTerminal}},
      {{"--simulate"}, true, {.simulate = true}},
      {{"--simulate=0"}, true, {.simulate = true, .seed = 0}},
      {{"--simulate=18446744073709551615"}, true, {.simulate = true, .seed = UINT64_MAX}},
      {{"--list", "--text"}, false, {.frontEnd = kList}},
      {{"--list", "--format", "tsv"}, true, {.frontEnd = kList}},
      {{"--list", "--cycles", "3", "--format=csv"},
       true,
       {.frontEnd = kList, .cycles = 3, .format = kCsv}},
      {{"--list", "--scenario", "s.jsonl", "--format", "json"},
       true,
       {.frontEnd = kList, .format = kJson, .scenario = "s.jsonl"}},
      {{"--simulate=3", "--record", "-"}, true, {.simulate = true, .seed = 3, .record = "-"}},
      {{"--scenario", "a.jsonl", "--record", "b.jsonl"},
       false,
       {.frontEnd = kTerminal, .scenario = "a.jsonl", .record = "b.jsonl"}},
      {{"--interface=wlan0", "--list"}, true, {.frontEnd = kList, .interface = "wlan0"}},
      {{"--pcap=-", "--text"}, true, {.frontEnd = kTerminal, .pcap = "-"}},
      {{"--pcap", "-", "--record", "-"}, true, {.pcap = "-", .record = "-"}},
      {{"--pcap", "a.pcap", "--speed", "100", "--record", "r.jsonl"},
       true,
       {.pcap = "a.pcap", .record = "r.jsonl", .speed = 100}},
      {{"--speed", "1e-3", "--scenario", "s.jsonl"},
       false,
       {.frontEnd = kTerminal, .scenario = "s.jsonl", .speed = 0.001}},
      {{"--list", "--monitor=mon0", "--channels", "1,36,5975,1", "--cycles", "2", "--record",
        "r.jsonl"},
       false,
       {.frontEnd = kList,
        .cycles = 2,
        .record = "r.jsonl",
        .monitor = "mon0",
        .channelsMhz = {2412, 5180, 5975}}},
      {{"--monitor", "wlan1", "--channels=14"}, true, {.monitor = "wlan1", .channelsMhz = {2484}}},
      {{"--headless"}, true, {.frontEnd = kHeadless}},
      {{"--headless", "--scenario", "s.jsonl", "--record", "-"},
       false,
       {.frontEnd = kHeadless, .scenario = "s.jsonl", .record = "-"}},
      {{"--headless", "--simulate", "--metrics", ":9412"},
       false,
       {.simulate = true, .frontEnd = kHeadless, .metrics = ListenAddress{"", 9412}}},
      {{"--metrics=127.0.0.1:9412"}, true, {.metrics = ListenAddress{"127.0.0.1", 9412}}},
      {{"--text", "--metrics", "[::1]:1"},
       true,
       {.frontEnd = kTerminal, .metrics = ListenAddress{"::1", 1}}},
      {{"--metrics", "[::ffff:10.0.0.1]:65535"},
       true,
       {.metrics = ListenAddress{"::ffff:10.0.0.1", 65535}}},
      {{"--metrics", "[fe80::1:2]:80"}, true, {.metrics = ListenAddress{"fe80::1:2", 80}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(Joined(row.arguments) + (row.hasDisplay ? " (display)" : " (no display)"));
    const CommandLine line = Parse(row.arguments, row.hasDisplay);
    EXPECT_EQ(line.action, Action::kRun) << line.text;
    EXPECT_EQ(line.text, "");
    EXPECT_EQ(Describe(line.options), Describe(row.expected));
  }
}

#pragma GCC diagnostic pop

struct Refused {
  std::vector<std::string> arguments;
  bool hasDisplay;
  std::string error;
};

void ExpectRefused(const Refused& row) {
  SCOPED_TRACE(::testing::PrintToString(Joined(row.arguments)) +
               (row.hasDisplay ? " (display)" : " (no display)"));
  const CommandLine line = Parse(row.arguments, row.hasDisplay);
  EXPECT_EQ(line.action, Action::kUsageError);
  EXPECT_EQ(line.text, row.error);
}

TEST(CommandLine, RefusedWithTheReason) {
  const std::string kMonitorAlone =
      "--monitor is a source of its own; not with --simulate, --scenario, --pcap or --interface";
  const std::string kPcapAlone =
      "--pcap is a source of its own; not with --simulate, --scenario or --interface";
  const std::string kSpeedAlone =
      "--speed goes with --scenario or --pcap: a radio answers in its own time";
  const std::string kChannelsWanted =
      "--channels wants channel numbers (1-14, 32-177) or frequencies in MHz, separated by "
      "commas; ";
  const std::string kRecordIntoView =
      "--record - would write into the terminal view on standard output; record to a file";
  const Refused rows[] = {
      {{"--cycles", "2"}, true, "--cycles goes with --list"},
      {{"--list", "--cycles", "2", "--scenario", "s.jsonl"},
       true,
       "--cycles does not go with --scenario: --list runs one cycle per line"},
      {{"--list", "--cycles", "2", "--pcap", "a.pcap"},
       true,
       "--cycles does not go with --pcap: --list runs one cycle per 20 s of it"},
      {{"--format", "csv"}, true, "--format goes with --list"},
      {{"--scenario", ""}, true, "--scenario wants a file"},
      {{"--pcap="}, true, "--pcap wants a file"},
      {{"--record", ""}, true, "--record wants a file"},
      {{"--monitor", ""}, true, "--monitor wants an interface"},
      {{"--interface", ""}, true, "--interface wants a name"},
      {{"--pcap"}, true, "Missing value after '--pcap'."},
      {{"--pcap", "a.pcap", "--scenario", "s.jsonl"}, true, kPcapAlone},
      {{"--simulate", "--pcap", "a.pcap"}, true, kPcapAlone},
      {{"--pcap", "a.pcap", "--interface", "wlan0"}, true, kPcapAlone},
      {{"--monitor", "wlan0", "--pcap", "a.pcap"}, true, kMonitorAlone},
      {{"--simulate", "--monitor", "wlan0"}, true, kMonitorAlone},
      {{"--monitor", "wlan0", "--scenario", "s.jsonl"}, true, kMonitorAlone},
      {{"--interface", "wlan1", "--monitor", "wlan0"}, true, kMonitorAlone},
      {{"--channels", "1"}, true, "--channels goes with --monitor"},
      {{"--monitor", "wlan0", "--speed", "2"}, true, kSpeedAlone},
      {{"--simulate", "--speed", "10"}, true, kSpeedAlone},
      {{"--scenario", "s.jsonl", "--simulate"},
       true,
       "--scenario and --simulate are two sources; choose one"},
      {{"--simulate", "--interface", "wlan0"},
       true,
       "--interface chooses a real radio; not with --simulate or --scenario"},
      {{"--scenario", "s.jsonl", "--interface", "wlan0"},
       true,
       "--interface chooses a real radio; not with --simulate or --scenario"},
      {{"--list", "--record", "-"},
       true,
       "--record - would write into the list on standard output; record to a file"},
      {{"--text", "--record", "-"}, true, kRecordIntoView},
      {{"--record", "-"}, false, kRecordIntoView},
      {{"--list", "--scenario", "s.jsonl", "--speed", "10"},
       true,
       "--speed does not go with --list: it runs the cycles back to back"},
      {{"--headless", "--list"}, true, "--headless and --list are two ways to run; choose one"},
      {{"--headless", "--text"}, true, "--headless and --text are two front ends; choose one"},
      {{"--list", "--metrics", ":9412"},
       true,
       "--metrics serves a program that keeps running; not with --list"},
      {{"extra"}, true, "unexpected argument 'extra'"},
      {{"--list", "a", "b"}, true, "unexpected argument 'a'"},
      {{"--bogus"}, true, "Unknown option 'bogus'."},
      {{"--list=yes"}, true, "Unexpected value after '--list'."},
      {{"--metrics"}, true, "Missing value after '--metrics'."},
  };
  for (const Refused& row : rows) ExpectRefused(row);

  // Values out of form or range, each refused with the same words and the value quoted.
  const struct {
    std::vector<std::string> before;
    std::string option, words;
    std::vector<std::string> values;
  } values[] = {
      {{},
       "--simulate",
       "--simulate wants a whole number as its seed",
       {"x", "", "-1", "18446744073709551616"}},
      {{"--list"},
       "--cycles",
       "--cycles wants a whole number of at least 1",
       {"0", "-1", "x", "99999999999"}},
      {{"--list"}, "--format", "--format wants tsv, csv or json", {"xml", "TSV"}},
      {{"--scenario", "s.jsonl"},
       "--speed",
       "--speed wants a number above 0 and at most 100",
       {"0", "-2", "100.5", "nan", "inf", "1e400", "fast", ""}},
      {{"--headless"},
       "--metrics",
       "--metrics wants ADDRESS:PORT (127.0.0.1:9412, [::1]:9412 or :9412)",
       {"",
        "9412",
        ":",
        ":0",
        ":65536",
        ":-1",
        ":+80",
        ":08",
        "127.0.0.1",
        "127.0.0.1:",
        "256.0.0.1:80",
        "1.2.3:80",
        "1.2.3.4.5:80",
        "01.2.3.4:80",
        "localhost:80",
        "::1:9412",
        "[::1]",
        "[::1:80",
        "::1]:80",
        "[1::2::3]:80",
        "[12345::]:80",
        "[1:2:3:4:5:6:7:8:9]:80",
        "[1:2:3:4:5:6:7]:80",
        "[fe80::1%eth0]:80",
        "[]:80",
        "[127.0.0.1]:80",
        "a:80"}},
  };
  for (const auto& option : values) {
    for (const std::string& value : option.values) {
      std::vector<std::string> arguments = option.before;
      arguments.push_back(option.option + "=" + value);
      ExpectRefused({arguments, false, option.words + ", not '" + value + "'"});
    }
  }
  for (const char* channel : {"15", "", "6g1"}) {
    ExpectRefused({{"--monitor", "wlan0", "--channels", std::string("1,") + channel},
                   true,
                   kChannelsWanted + "'" + channel + "' is neither"});
  }
}

TEST(CommandLine, HelpAndVersionArePrinted) {
  for (const char* asked : {"--help", "-h", "--help-all"}) {
    SCOPED_TRACE(asked);
    const CommandLine help = Parse({asked});
    EXPECT_EQ(help.action, Action::kPrint);
    EXPECT_NE(help.text.find("--simulate"), std::string::npos);
    EXPECT_NE(help.text.find("quorvan"), std::string::npos);
    EXPECT_EQ(help.text.find("<executable_name>"), std::string::npos) << help.text;
  }
  // Asked for help, the program answers it even when the rest would be refused.
  EXPECT_EQ(Parse({"--list", "--cycles", "0", "--help"}).action, Action::kPrint);

  for (const char* asked : {"--version", "-v"}) {
    SCOPED_TRACE(asked);
    const CommandLine version = Parse({asked});
    EXPECT_EQ(version.action, Action::kPrint);
    EXPECT_EQ(version.text.substr(0, version.text.find('\n')),
              std::string("quorvan ") + QUORVAN_VERSION);
  }
}

// What the user typed is quoted escaped, so no argument garbles the terminal.
TEST(CommandLine, RefusalsQuoteArgumentsEscaped) {
  const Refused rows[] = {
      {{"a\x1B[2Jb"}, true, "unexpected argument 'a\\x1B[2Jb'"},
      {{"\xFF\xFE"}, true, "unexpected argument '\\xFF\\xFE'"},
      {{"caf\xC3\xA9"}, true, "unexpected argument 'caf\xC3\xA9'"},
      {{"back\\slash"}, true, "unexpected argument 'back\\\\slash'"},
      {{"--simulate=1\n2"}, true, "--simulate wants a whole number as its seed, not '1\\x0A2'"},
      // A lead byte with nothing after it, at the end of the value.
      {{"--list", "--cycles", "\xC3"},
       true,
       "--cycles wants a whole number of at least 1, not '\\xC3'"},
      {{"--b\xFFogus\x7F"}, true, "Unknown option 'b\\xFFogus\\x7F'."},
  };
  for (const Refused& row : rows) ExpectRefused(row);
}

// Recording into the scenario being replayed would empty it before it is read. The same name,
// a symbolic and a hard link as --record are refused in FilesAndOutput.same-file; here the
// scenario named through a link, and the capture.
TEST(CommandLine, RecordingOverTheScenarioIsRefused) {
  namespace fs = std::filesystem;
  const fs::path directory =
      fs::temp_directory_path() / ("quorvan-options-" + std::to_string(getpid()));
  fs::remove_all(directory);
  ASSERT_TRUE(fs::create_directory(directory));
  const std::string scenario = (directory / "s\xFF.jsonl").string();
  std::ofstream(scenario) << "[]\n";
  const std::string link = (directory / "link.jsonl").string();
  fs::create_symlink(scenario, link);
  const std::string other = (directory / "other.jsonl").string();
  std::ofstream(other) << "[]\n";

  const std::string refusedSelf = "--record " + directory.string() +
                                  "/s\\xFF.jsonl is the --scenario file; recording would "
                                  "destroy it";
  const Refused rows[] = {
      {{"--scenario", link, "--record", scenario}, true, refusedSelf},
      // A capture is refused alike: the recording would empty it before it is read.
      {{"--pcap", link, "--record", scenario},
       true,
       "--record " + directory.string() +
           "/s\\xFF.jsonl is the --pcap file; recording would destroy it"},
  };
  for (const Refused& row : rows) ExpectRefused(row);
  // Another file, and one not yet there, are recorded into.
  for (const std::string& record : {other, (directory / "new.jsonl").string()}) {
    const CommandLine line = Parse({"--scenario", scenario, "--record", record});
    EXPECT_EQ(line.action, Action::kRun) << line.text;
    EXPECT_EQ(line.options.record, record);
  }
  fs::remove_all(directory);
}

}  // namespace
}  // namespace quorvan

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

const char* FrontEndName(FrontEnd frontEnd) {
  switch (frontEnd) {
    case FrontEnd::kWindow:
      return "window";
    case FrontEnd::kTerminal:
      return "terminal";
    case FrontEnd::kList:
      return "list";
    case FrontEnd::kHeadless:
      return "headless";
  }
  return "?";
}

const char* FormatName(ListFormat format) {
  switch (format) {
    case ListFormat::kTsv:
      return "tsv";
    case ListFormat::kCsv:
      return "csv";
    case ListFormat::kJson:
      return "json";
  }
  return "?";
}

std::string ChannelsText(const std::vector<uint32_t>& mhz) {
  std::string text;
  for (uint32_t one : mhz) text += (text.empty() ? "" : ",") + std::to_string(one);
  return text;
}

// Every field, so that a row compares all of them and a failure shows which.
std::string Describe(const Options& o) {
  return "simulate=" + std::to_string(o.simulate) + " seed=" + std::to_string(o.seed) +
         " front=" + FrontEndName(o.frontEnd) + " cycles=" + std::to_string(o.cycles) +
         " format=" + FormatName(o.format) + " scenario=[" + o.scenario + "] record=[" + o.record +
         "] interface=[" + o.interface + "] speed=" + std::to_string(o.speed) + " pcap=[" + o.pcap +
         "] monitor=[" + o.monitor + " " + ChannelsText(o.channelsMhz) + "] metrics=[" +
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

// The options a row expects, from the defaults.
struct Want {
  Options options;
  Want& Simulate(uint64_t seed = 1) {
    options.simulate = true;
    options.seed = seed;
    return *this;
  }
  Want& Front(FrontEnd frontEnd) {
    options.frontEnd = frontEnd;
    return *this;
  }
  Want& Cycles(int cycles) {
    options.cycles = cycles;
    return *this;
  }
  Want& Format(ListFormat format) {
    options.format = format;
    return *this;
  }
  Want& Scenario(std::string file) {
    options.scenario = std::move(file);
    return *this;
  }
  Want& Pcap(std::string file) {
    options.pcap = std::move(file);
    return *this;
  }
  Want& Record(std::string file) {
    options.record = std::move(file);
    return *this;
  }
  Want& Interface(std::string name) {
    options.interface = std::move(name);
    return *this;
  }
  Want& Speed(double speed) {
    options.speed = speed;
    return *this;
  }
  Want& Monitor(std::string name, std::vector<uint32_t> mhz = {}) {
    options.monitor = std::move(name);
    options.channelsMhz = std::move(mhz);
    return *this;
  }
  Want& Metrics(std::string host, uint16_t port) {
    options.metrics = ListenAddress{std::move(host), port};
    return *this;
  }
};

struct Accepted {
  std::vector<std::string> arguments;
  bool hasDisplay;
  Want expected;
};

TEST(CommandLine, AcceptedOptions) {
  constexpr FrontEnd kTerminal = FrontEnd::kTerminal, kList = FrontEnd::kList,
                     kHeadless = FrontEnd::kHeadless;
  const Accepted rows[] = {
      {{}, true, {}},
      {{}, false, Want().Front(kTerminal)},
      {{"--text"}, true, Want().Front(kTerminal)},
      {{"--text"}, false, Want().Front(kTerminal)},
      {{"--simulate"}, true, Want().Simulate()},
      {{"--simulate=7"}, true, Want().Simulate(7)},
      {{"--simulate=0"}, true, Want().Simulate(0)},
      {{"--simulate=18446744073709551615"}, true, Want().Simulate(UINT64_MAX)},
      {{"--list"}, true, Want().Front(kList)},
      {{"--list"}, false, Want().Front(kList)},
      {{"--list", "--text"}, true, Want().Front(kList)},
      {{"--list", "--cycles", "3"}, true, Want().Front(kList).Cycles(3)},
      {{"--list", "--cycles=1"}, true, Want().Front(kList).Cycles(1)},
      {{"--list", "--format", "tsv"}, true, Want().Front(kList)},
      {{"--list", "--format=csv"}, true, Want().Front(kList).Format(ListFormat::kCsv)},
      {{"--list", "--format", "json"}, true, Want().Front(kList).Format(ListFormat::kJson)},
      {{"--scenario", "s.jsonl"}, true, Want().Scenario("s.jsonl")},
      {{"--list", "--scenario", "s.jsonl", "--format", "json"},
       true,
       Want().Front(kList).Format(ListFormat::kJson).Scenario("s.jsonl")},
      {{"--record", "r.jsonl"}, true, Want().Record("r.jsonl")},
      {{"--record", "-"}, true, Want().Record("-")},
      {{"--simulate=3", "--record", "-"}, true, Want().Simulate(3).Record("-")},
      {{"--list", "--record", "r.jsonl"}, true, Want().Front(kList).Record("r.jsonl")},
      {{"--text", "--record", "r.jsonl"}, true, Want().Front(kTerminal).Record("r.jsonl")},
      {{"--scenario", "a.jsonl", "--record", "b.jsonl"},
       false,
       Want().Front(kTerminal).Scenario("a.jsonl").Record("b.jsonl")},
      {{"--interface", "wlp2s0"}, true, Want().Interface("wlp2s0")},
      {{"--pcap", "air.pcapng"}, true, Want().Pcap("air.pcapng")},
      {{"--pcap=-", "--text"}, true, Want().Front(kTerminal).Pcap("-")},
      {{"--list", "--pcap", "air.pcap", "--record", "r.jsonl", "--format=json"},
       true,
       Want().Front(kList).Format(ListFormat::kJson).Pcap("air.pcap").Record("r.jsonl")},
      {{"--pcap", "-", "--record", "-"}, true, Want().Pcap("-").Record("-")},
      {{"--interface=wlan0", "--list"}, true, Want().Front(kList).Interface("wlan0")},
      {{"--scenario", "s.jsonl", "--speed", "10"}, true, Want().Scenario("s.jsonl").Speed(10)},
      {{"--pcap", "a.pcap", "--speed", "10"}, true, Want().Pcap("a.pcap").Speed(10)},
      {{"--monitor", "wlan0"}, true, Want().Monitor("wlan0")},
      {{"--list", "--monitor=mon0", "--channels", "1,36,5975,1", "--cycles", "2", "--record",
        "r.jsonl"},
       false,
       Want().Front(kList).Cycles(2).Record("r.jsonl").Monitor("mon0", {2412, 5180, 5975})},
      {{"--monitor", "wlan1", "--channels=14"},
       false,
       Want().Front(kTerminal).Monitor("wlan1", {2484})},
      {{"--speed=0.5", "--scenario", "s.jsonl"}, true, Want().Scenario("s.jsonl").Speed(0.5)},
      {{"--speed", "100", "--scenario", "s.jsonl", "--text"},
       true,
       Want().Front(kTerminal).Scenario("s.jsonl").Speed(100)},
      {{"--speed", "1e-3", "--scenario", "s.jsonl"},
       false,
       Want().Front(kTerminal).Scenario("s.jsonl").Speed(0.001)},
      {{"--headless"}, false, Want().Front(kHeadless)},
      {{"--headless"}, true, Want().Front(kHeadless)},
      {{"--headless", "--simulate", "--metrics", ":9412"},
       false,
       Want().Front(kHeadless).Simulate().Metrics("", 9412)},
      {{"--headless", "--scenario", "s.jsonl", "--speed", "10", "--record", "-"},
       false,
       Want().Front(kHeadless).Scenario("s.jsonl").Speed(10).Record("-")},
      {{"--metrics=127.0.0.1:9412"}, true, Want().Metrics("127.0.0.1", 9412)},
      {{"--text", "--metrics", "[::1]:1"}, true, Want().Front(kTerminal).Metrics("::1", 1)},
      {{"--metrics", "[::ffff:10.0.0.1]:65535"}, true, Want().Metrics("::ffff:10.0.0.1", 65535)},
      {{"--metrics", "[fe80::1:2]:80"}, true, Want().Metrics("fe80::1:2", 80)},
      {{"--metrics", "0.0.0.0:9412"}, true, Want().Metrics("0.0.0.0", 9412)},
  };
  for (const Accepted& row : rows) {
    SCOPED_TRACE(Joined(row.arguments) + (row.hasDisplay ? " (display)" : " (no display)"));
    const CommandLine line = Parse(row.arguments, row.hasDisplay);
    EXPECT_EQ(line.action, Action::kRun) << line.text;
    EXPECT_EQ(line.text, "");
    EXPECT_EQ(Describe(line.options), Describe(row.expected.options));
  }
}

struct Refused {
  std::vector<std::string> arguments;
  bool hasDisplay;
  std::string error;
};

TEST(CommandLine, RefusedWithTheReason) {
  const std::string kMonitorAlone =
      "--monitor is a source of its own; not with --simulate, --scenario, --pcap or --interface";
  const std::string kChannelsWanted =
      "--channels wants channel numbers (1-14, 32-177) or frequencies in MHz, separated by "
      "commas; ";
  const Refused rows[] = {
      {{"--simulate=x"}, true, "--simulate wants a whole number as its seed, not 'x'"},
      {{"--simulate="}, true, "--simulate wants a whole number as its seed, not ''"},
      {{"--simulate=-1"}, true, "--simulate wants a whole number as its seed, not '-1'"},
      {{"--simulate=18446744073709551616"},
       true,
       "--simulate wants a whole number as its seed, not '18446744073709551616'"},
      {{"--list", "--cycles", "0"}, true, "--cycles wants a whole number of at least 1, not '0'"},
      {{"--list", "--cycles", "-1"}, true, "--cycles wants a whole number of at least 1, not '-1'"},
      {{"--list", "--cycles", "x"}, true, "--cycles wants a whole number of at least 1, not 'x'"},
      {{"--list", "--cycles", "99999999999"},
       true,
       "--cycles wants a whole number of at least 1, not '99999999999'"},
      {{"--cycles", "2"}, true, "--cycles goes with --list"},
      {{"--text", "--cycles", "2"}, true, "--cycles goes with --list"},
      {{"--list", "--cycles", "2", "--scenario", "s.jsonl"},
       true,
       "--cycles does not go with --scenario: --list runs one cycle per line"},
      {{"--list", "--format", "xml"}, true, "--format wants tsv, csv or json, not 'xml'"},
      {{"--list", "--format", "TSV"}, true, "--format wants tsv, csv or json, not 'TSV'"},
      {{"--format", "csv"}, true, "--format goes with --list"},
      {{"--scenario", ""}, true, "--scenario wants a file"},
      {{"--pcap", ""}, true, "--pcap wants a file"},
      {{"--pcap="}, true, "--pcap wants a file"},
      {{"--pcap"}, true, "Missing value after '--pcap'."},
      {{"--pcap", "a.pcap", "--scenario", "s.jsonl"},
       true,
       "--pcap is a source of its own; not with --simulate, --scenario or --interface"},
      {{"--simulate", "--pcap", "a.pcap"},
       true,
       "--pcap is a source of its own; not with --simulate, --scenario or --interface"},
      {{"--pcap", "a.pcap", "--interface", "wlan0"},
       true,
       "--pcap is a source of its own; not with --simulate, --scenario or --interface"},
      {{"--list", "--cycles", "2", "--pcap", "a.pcap"},
       true,
       "--cycles does not go with --pcap: --list runs one cycle per 20 s of it"},
      {{"--monitor", ""}, true, "--monitor wants an interface"},
      {{"--monitor", "wlan0", "--pcap", "a.pcap"}, true, kMonitorAlone},
      {{"--simulate", "--monitor", "wlan0"}, true, kMonitorAlone},
      {{"--monitor", "wlan0", "--scenario", "s.jsonl"}, true, kMonitorAlone},
      {{"--interface", "wlan1", "--monitor", "wlan0"}, true, kMonitorAlone},
      {{"--channels", "1"}, true, "--channels goes with --monitor"},
      {{"--monitor", "wlan0", "--channels", "1,15"}, true, kChannelsWanted + "'15' is neither"},
      {{"--monitor", "wlan0", "--channels", "1,"}, true, kChannelsWanted + "'' is neither"},
      {{"--monitor", "wlan0", "--channels", "6g1"}, true, kChannelsWanted + "'6g1' is neither"},
      {{"--monitor", "wlan0", "--speed", "2"},
       true,
       "--speed goes with --scenario or --pcap: a radio answers in its own time"},
      {{"--scenario="}, true, "--scenario wants a file"},
      {{"--record", ""}, true, "--record wants a file"},
      {{"--scenario", "s.jsonl", "--simulate"},
       true,
       "--scenario and --simulate are two sources; choose one"},
      {{"--simulate=4", "--scenario", "s.jsonl"},
       true,
       "--scenario and --simulate are two sources; choose one"},
      {{"--simulate", "--interface", "wlan0"},
       true,
       "--interface chooses a real radio; not with --simulate or --scenario"},
      {{"--scenario", "s.jsonl", "--interface", "wlan0"},
       true,
       "--interface chooses a real radio; not with --simulate or --scenario"},
      {{"--interface", ""}, true, "--interface wants a name"},
      {{"--list", "--record", "-"},
       true,
       "--record - would write into the list on standard output; record to a file"},
      {{"--text", "--record", "-"},
       true,
       "--record - would write into the terminal view on standard output; record to a file"},
      {{"--record", "-"},
       false,
       "--record - would write into the terminal view on standard output; record to a file"},
      {{"--scenario", "s.jsonl", "--speed", "0"},
       true,
       "--speed wants a number above 0 and at most 100, not '0'"},
      {{"--scenario", "s.jsonl", "--speed", "-2"},
       true,
       "--speed wants a number above 0 and at most 100, not '-2'"},
      {{"--scenario", "s.jsonl", "--speed", "100.5"},
       true,
       "--speed wants a number above 0 and at most 100, not '100.5'"},
      {{"--scenario", "s.jsonl", "--speed", "1000"},
       true,
       "--speed wants a number above 0 and at most 100, not '1000'"},
      {{"--scenario", "s.jsonl", "--speed", "nan"},
       true,
       "--speed wants a number above 0 and at most 100, not 'nan'"},
      {{"--scenario", "s.jsonl", "--speed", "inf"},
       true,
       "--speed wants a number above 0 and at most 100, not 'inf'"},
      {{"--scenario", "s.jsonl", "--speed", "1e400"},
       true,
       "--speed wants a number above 0 and at most 100, not '1e400'"},
      {{"--scenario", "s.jsonl", "--speed", "fast"},
       true,
       "--speed wants a number above 0 and at most 100, not 'fast'"},
      {{"--scenario", "s.jsonl", "--speed="},
       true,
       "--speed wants a number above 0 and at most 100, not ''"},
      {{"--speed", "10"},
       true,
       "--speed goes with --scenario or --pcap: a radio answers in its own time"},
      {{"--simulate", "--speed", "10"},
       true,
       "--speed goes with --scenario or --pcap: a radio answers in its own time"},
      {{"--list", "--scenario", "s.jsonl", "--speed", "10"},
       true,
       "--speed does not go with --list: it runs the cycles back to back"},
      {{"--headless", "--list"}, true, "--headless and --list are two ways to run; choose one"},
      {{"--headless", "--text"}, true, "--headless and --text are two front ends; choose one"},
      {{"--list", "--metrics", ":9412"},
       true,
       "--metrics serves a program that keeps running; not with --list"},
      {{"--metrics"}, true, "Missing value after '--metrics'."},
      {{"--headless", "--speed", "10"},
       true,
       "--speed goes with --scenario or --pcap: a radio answers in its own time"},
      {{"extra"}, true, "unexpected argument 'extra'"},
      {{"--list", "a", "b"}, true, "unexpected argument 'a'"},
      {{"--bogus"}, true, "Unknown option 'bogus'."},
      {{"--list=yes"}, true, "Unexpected value after '--list'."},
      {{"--cycles"}, true, "Missing value after '--cycles'."},
      {{"--scenario"}, true, "Missing value after '--scenario'."},
  };
  for (const Refused& row : rows) {
    SCOPED_TRACE(Joined(row.arguments) + (row.hasDisplay ? " (display)" : " (no display)"));
    const CommandLine line = Parse(row.arguments, row.hasDisplay);
    EXPECT_EQ(line.action, Action::kUsageError);
    EXPECT_EQ(line.text, row.error);
  }
  // Every form but the three, each refused with the same words.
  for (const char* address : {"",
                              "9412",
                              ":",
                              ":0",
                              ":65536",
                              ":99999",
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
                              "a:80"}) {
    SCOPED_TRACE(address);
    const CommandLine line = Parse({"--headless", "--metrics", address}, false);
    EXPECT_EQ(line.action, Action::kUsageError);
    EXPECT_EQ(line.text,
              "--metrics wants ADDRESS:PORT (127.0.0.1:9412, [::1]:9412 or :9412), "
              "not '" +
                  std::string(address) + "'");
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

// File names are bytes: whatever is not UTF-8 reaches open() as given.
TEST(CommandLine, FileNamesComeBackAsTheirBytes) {
  const std::string names[] = {
      "\xFF\xFE.jsonl",
      "caf\xC3\xA9 \xE7\xBD\x91 \xF0\x9F\x98\x80.jsonl",
      "mixed\xC3\xA9\xC3(\xED\xA0\x80\x80.jsonl",  // valid, truncated, a surrogate, stray
      "\x01tab\there",
  };
  for (const std::string& name : names) {
    SCOPED_TRACE(::testing::PrintToString(name));
    const CommandLine scenario = Parse({"--scenario", name});
    ASSERT_EQ(scenario.action, Action::kRun) << scenario.text;
    EXPECT_EQ(scenario.options.scenario, name);
    const CommandLine record = Parse({"--record=" + name, "--interface", name});
    ASSERT_EQ(record.action, Action::kRun) << record.text;
    EXPECT_EQ(record.options.record, name);
    EXPECT_EQ(record.options.interface, name);
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
      {{"--list", "--cycles", "\xC3"},
       true,
       "--cycles wants a whole number of at least 1, not '\\xC3'"},
      {{"--list", "--format", "\x07json"},
       true,
       "--format wants tsv, csv or json, not '\\x07json'"},
      {{"--b\xFFogus\x7F"}, true, "Unknown option 'b\\xFFogus\\x7F'."},
  };
  for (const Refused& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(Joined(row.arguments)));
    const CommandLine line = Parse(row.arguments, row.hasDisplay);
    EXPECT_EQ(line.action, Action::kUsageError);
    EXPECT_EQ(line.text, row.error);
  }
}

// Recording into the scenario being replayed would empty it before it is read.
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
  const std::string refusedLink =
      "--record " + link + " is the --scenario file; recording would destroy it";
  const Refused rows[] = {
      {{"--scenario", scenario, "--record", scenario}, true, refusedSelf},
      {{"--scenario", scenario, "--record", link}, true, refusedLink},
      {{"--scenario", link, "--record", scenario}, true, refusedSelf},
      {{"--list", "--scenario", scenario, "--record", scenario}, true, refusedSelf},
      // A capture is refused alike: the recording would empty it before it is read.
      {{"--pcap", link, "--record", scenario},
       true,
       "--record " + directory.string() +
           "/s\\xFF.jsonl is the --pcap file; recording would destroy it"},
  };
  for (const Refused& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(Joined(row.arguments)));
    const CommandLine line = Parse(row.arguments, row.hasDisplay);
    EXPECT_EQ(line.action, Action::kUsageError);
    EXPECT_EQ(line.text, row.error);
  }
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

#include "wlan/scenario_file.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/wlan/scenario_test_support.h"
#include "wlan/query_recorder.h"

namespace quorvan {
namespace {

using testing::Fields;

// One BSS line in, the observation that must come out of it.
struct FieldCase {
  const char* fields;  // the object's members after "bssid"
  std::function<void(BssObservation&)> expect;
};

TEST(ScenarioParse, EachFieldReachesItsObservationField) {
  const FieldCase cases[] = {
      {"", [](BssObservation& o) { o.linkQuality = 100; }},  // rssi 0 gives quality 100
      {R"("ssid": "cafe")",
       [](BssObservation& o) {
         std::copy_n("cafe", 4, o.ssid.begin());
         o.linkQuality = 100;
       }},
      {R"("ssid": "caf\u00e9 \u4e2d")",
       [](BssObservation& o) {
         const std::string utf8 = "caf\xC3\xA9 \xE4\xB8\xAD";
         std::copy(utf8.begin(), utf8.end(), o.ssid.begin());
         o.linkQuality = 100;
       }},
      {R"("ssid": "a\u0000b")",
       [](BssObservation& o) {
         o.ssid[0] = 'a', o.ssid[2] = 'b';
         o.linkQuality = 100;
       }},
      {R"("ssid_hex": "ff00FE")",
       [](BssObservation& o) {
         o.ssid[0] = 0xFF, o.ssid[2] = 0xFE;
         o.linkQuality = 100;
       }},
      {R"("ssid_hex": "")", [](BssObservation& o) { o.linkQuality = 100; }},
      {R"("rssi": -60)",
       [](BssObservation& o) {
         o.rssi = -60;
         o.linkQuality = 80;
       }},
      {R"("rssi": -61, "link_quality": 7)",
       [](BssObservation& o) {
         o.rssi = -61;
         o.linkQuality = 7;
       }},
      {R"("rssi": -75)",
       [](BssObservation& o) {
         o.rssi = -75;
         o.linkQuality = 50;
       }},
      {R"("rssi": -100)", [](BssObservation& o) { o.rssi = -100; }},
      {R"("rssi": -2147483648)", [](BssObservation& o) { o.rssi = INT32_MIN; }},
      {R"("rssi": 2147483647)",
       [](BssObservation& o) {
         o.rssi = INT32_MAX;
         o.linkQuality = 100;
       }},
      {R"("link_quality": 0)", [](BssObservation&) {}},
      {R"("frequency_khz": 5180000)",
       [](BssObservation& o) {
         o.centerFrequency = 5180000;
         o.linkQuality = 100;
       }},
      {R"("frequency_khz": 4294967295)",
       [](BssObservation& o) {
         o.centerFrequency = UINT32_MAX;
         o.linkQuality = 100;
       }},
      {R"("beacon_period": 65535)",
       [](BssObservation& o) {
         o.beaconPeriod = 65535;
         o.linkQuality = 100;
       }},
      {R"("timestamp": 18446744073709551615, "host_timestamp": 0)",
       [](BssObservation& o) {
         o.timestamp = UINT64_MAX;
         o.linkQuality = 100;
       }},
      {R"("timestamp": "0xFFFFFFFFFFFFFFFF", "host_timestamp": "0x01db000087654321")",
       [](BssObservation& o) {
         o.timestamp = UINT64_MAX;
         o.hostTimestamp = 0x01DB000087654321ULL;
         o.linkQuality = 100;
       }},
      {R"("timestamp": "0X0000000000000000000000abc", "host_timestamp": 9223372036854775808)",
       [](BssObservation& o) {
         o.timestamp = 0xABC;
         o.hostTimestamp = 1ULL << 63;
         o.linkQuality = 100;
       }},
      {R"("link_quality": 100, "unknown": {"nested": [1, {"x": null}]}, "ssid2": 5)",
       [](BssObservation& o) { o.linkQuality = 100; }},
  };
  for (const FieldCase& c : cases) {
    SCOPED_TRACE(c.fields);
    const std::string text = std::string(R"([{"bssid": "00:1a:2B:3c:4D:5e")") +
                             (*c.fields ? ", " : "") + c.fields + "}]";
    std::vector<ScenarioLine> lines;
    std::string error;
    ASSERT_TRUE(ParseScenario(text, lines, error)) << error;
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(lines[0].bsses.size(), 1u);
    BssObservation expected;
    expected.bssid = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    c.expect(expected);
    EXPECT_EQ(Fields(lines[0].bsses[0]), Fields(expected));
  }
}

TEST(ScenarioParse, BssidForms) {
  struct Case {
    const char* bssid;
    bool valid;
  };
  const Case cases[] = {
      {"00:1A:2B:3C:4D:5E", true},  {"00-1a-2b-3c-4d-5e", true},   {"fF:Ff:00:00:00:01", true},
      {"00:1A-2B:3C:4D:5E", false}, {"001A2B3C4D5E", false},       {"00:1A:2B:3C:4D", false},
      {"0:1A:2B:3C:4D:5E0", false}, {"00:1A:2B:3C:4D:5G", false},  {"00:1A:2B:3C:4D:5E:", false},
      {"00.1A.2B.3C.4D.5E", false}, {" 00:1A:2B:3C:4D:5E", false}, {"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bssid);
    std::vector<ScenarioLine> lines;
    std::string error;
    const bool parsed =
        ParseScenario(std::string(R"([{"bssid": ")") + c.bssid + "\"}]", lines, error);
    EXPECT_EQ(parsed, c.valid) << error;
    if (!c.valid) {
      EXPECT_EQ(error,
                "1: BSS 1: \"bssid\" must be six two-digit hex numbers separated by ':' or '-'");
    }
  }
  std::vector<ScenarioLine> lines;
  std::string error;
  ASSERT_TRUE(ParseScenario(R"([{"bssid": "FF-FF-FF-FF-FF-FF"}])", lines, error));
  EXPECT_EQ(lines[0].bsses[0].bssid, (std::array<uint8_t, 6>{255, 255, 255, 255, 255, 255}));
}

std::string Repeated(std::string_view text, int times) {
  std::string all;
  for (int i = 0; i < times; ++i) all += text;
  return all;
}

TEST(ScenarioParse, SsidLengthLimits) {
  struct Case {
    std::string field;
    bool valid;
  };
  const Case cases[] = {
      {R"("ssid": ")" + Repeated("n", 32) + "\"", true},
      {R"("ssid": ")" + Repeated("n", 33) + "\"", false},
      // An escaped zero is one byte of the name.
      {R"("ssid": ")" + Repeated("n", 21) + Repeated("\\u0000", 11) + "\"", true},
      {R"("ssid": ")" + Repeated("n", 22) + Repeated("\\u0000", 11) + "\"", false},
      // Eleven three-byte characters: 11 characters, 33 bytes.
      {R"("ssid": ")" + Repeated("\\u4e2d", 11) + "\"", false},
      {R"("ssid": ")" + Repeated("\\u4e2d", 10) + "xy\"", true},
      {R"("ssid_hex": ")" + std::string(64, 'a') + "\"", true},
      {R"("ssid_hex": ")" + std::string(66, 'a') + "\"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    std::vector<ScenarioLine> lines;
    std::string error;
    EXPECT_EQ(ParseScenario(R"([{"bssid": "00:00:00:00:00:01", )" + c.field + "}]", lines, error),
              c.valid)
        << error;
    if (!c.valid) {
      EXPECT_NE(error.find("bytes, more than 32"), std::string::npos) << error;
    }
  }
}

// Each fault, on a line of its own after good lines and comments, reported with its line.
TEST(ScenarioParse, EachFaultNamesItsLine) {
  struct Case {
    const char* line;
    const char* error;
  };
  const Case cases[] = {
      {"[{\"bssid\": \"00:00:00:00:00:01\"", "not JSON (error at column 31)"},
      {"[{\"bssid\": \"00:00:00:00:00:01\"}] []", "not JSON (error at column 34)"},
      {"bssid", "not JSON (error at column 1)"},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"ssid\": \"\xC3\x28\"}]",
       "not JSON (error at column 43)"},
      {"[1e999]", "not JSON (a number too large for any type)"},
      {"42", "expected a JSON array of BSS objects or an {\"error\": ...} object"},
      {"\"text\"", "expected a JSON array of BSS objects or an {\"error\": ...} object"},
      {"null", "expected a JSON array of BSS objects or an {\"error\": ...} object"},
      {"{}", "an object line needs \"error\""},
      {"{\"error\": \"no-radio\"}",
       "\"error\" must be \"no-service\", \"no-interface\" or \"query-failed\""},
      {"{\"error\": 1}", "\"error\" must be \"no-service\", \"no-interface\" or \"query-failed\""},
      {"[{\"bssid\": \"00:00:00:00:00:01\"}, []]", "BSS 2: expected a JSON object"},
      {"[{\"ssid\": \"x\"}]", "BSS 1: \"bssid\" is missing"},
      {"[{\"bssid\": 1}]", "BSS 1: \"bssid\" must be a string"},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"ssid\": \"a\", \"ssid_hex\": \"61\"}]",
       "BSS 1: \"ssid\" and \"ssid_hex\" are both given"},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"ssid\": 5}]", "BSS 1: \"ssid\" must be a string"},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"ssid_hex\": \"abc\"}]",
       "BSS 1: \"ssid_hex\" is not hex digits in pairs"},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"ssid_hex\": \"zz\"}]",
       "BSS 1: \"ssid_hex\" is not hex digits in pairs"},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"ssid_hex\": [97]}]",
       "BSS 1: \"ssid_hex\" must be a string"},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"rssi\": 2147483648}]",
       "BSS 1: \"rssi\" is out of range"},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"rssi\": -2147483649}]",
       "BSS 1: \"rssi\" is out of range"},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"rssi\": -60.5}]",
       "BSS 1: \"rssi\" is out of range (not an integer, or too large)"},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"rssi\": \"-60\"}]",
       "BSS 1: \"rssi\" must be a number"},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"link_quality\": 101}]",
       "BSS 1: \"link_quality\" is out of range"},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"link_quality\": -1}]",
       "BSS 1: \"link_quality\" is out of range"},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"frequency_khz\": 4294967296}]",
       "BSS 1: \"frequency_khz\" is out of range"},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"frequency_khz\": 2.4e6}]",
       "BSS 1: \"frequency_khz\" is out of range (not an integer, or too large)"},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"beacon_period\": 65536}]",
       "BSS 1: \"beacon_period\" is out of range"},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"beacon_period\": true}]",
       "BSS 1: \"beacon_period\" must be a number"},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"timestamp\": 18446744073709551616}]",
       "BSS 1: \"timestamp\" is out of range (not an integer, or too large)"},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"timestamp\": -1}]",
       "BSS 1: \"timestamp\" is out of range"},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"timestamp\": \"0x10000000000000000\"}]",
       "BSS 1: \"timestamp\" is out of range"},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"host_timestamp\": \"0x\"}]",
       "BSS 1: \"host_timestamp\" must be an integer or a \"0x...\" hex string"},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"host_timestamp\": \"123\"}]",
       "BSS 1: \"host_timestamp\" must be an integer or a \"0x...\" hex string"},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"host_timestamp\": \"0x12g\"}]",
       "BSS 1: \"host_timestamp\" must be an integer or a \"0x...\" hex string"},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"host_timestamp\": null}]",
       "BSS 1: \"host_timestamp\" must be a number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const std::string text =
        std::string("# recorded\n[]\n\n   \t\n{\"error\": \"no-service\"}\r\n") + c.line + "\n[]\n";
    std::vector<ScenarioLine> lines;
    std::string error;
    EXPECT_FALSE(ParseScenario(text, lines, error));
    EXPECT_EQ(error, std::string("6: ") + c.error);
  }
}

TEST(ScenarioParse, DeepNestingIsRefusedNotRecursedInto) {
  struct Case {
    std::string line;
    bool valid;
  };
  const Case cases[] = {
      {std::string(1000000, '['), false},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"x\": " + std::string(15, '[') + std::string(15, ']') +
           "}]",
       false},
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"x\": " + std::string(14, '[') + std::string(14, ']') +
           "}]",
       true},
      // Brackets inside strings, escaped quotes included, do not count.
      {"[{\"bssid\": \"00:00:00:00:00:01\", \"x\": \"\\\"" + std::string(40, '[') + "\"}]", true},
  };
  for (const Case& c : cases) {
    std::vector<ScenarioLine> lines;
    std::string error;
    EXPECT_EQ(ParseScenario(c.line, lines, error), c.valid) << error;
    if (!c.valid) {
      EXPECT_EQ(error, "1: nested deeper than 16 levels");
    }
  }
}

TEST(ScenarioParse, LinesInOrderWithTheirNumbers) {
  const std::string text =
      "\xEF\xBB\xBF# a comment after a byte order mark\n"
      "\n"
      "[{\"bssid\": \"00:00:00:00:00:01\"}, {\"bssid\": \"00:00:00:00:00:01\", \"rssi\": -1}]\n"
      "  # an indented comment\n"
      "{\"error\": \"no-service\"}\r\n"
      "{\"error\": \"no-interface\", \"why\": \"unplugged\"}\n"
      "   \n"
      "{\"error\": \"query-failed\"}\n"
      "\t[ ]  ";  // no newline at the end
  std::vector<ScenarioLine> lines;
  std::string error;
  ASSERT_TRUE(ParseScenario(text, lines, error)) << error;
  ASSERT_EQ(lines.size(), 5u);
  const QueryOutcome outcomes[] = {QueryOutcome::kListed, QueryOutcome::kNoService,
                                   QueryOutcome::kNoInterface, QueryOutcome::kListFailed,
                                   QueryOutcome::kListed};
  const int numbers[] = {3, 5, 6, 8, 9};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].outcome, outcomes[i]) << i;
    EXPECT_EQ(lines[i].lineNumber, numbers[i]) << i;
  }
  // The same BSSID twice stays twice, in order.
  ASSERT_EQ(lines[0].bsses.size(), 2u);
  EXPECT_EQ(lines[0].bsses[1].rssi, -1);
  EXPECT_TRUE(lines[4].bsses.empty());

  EXPECT_TRUE(ParseScenario("", lines, error));
  EXPECT_TRUE(lines.empty());
  EXPECT_TRUE(ParseScenario("\n# only comments\n\n", lines, error));
  EXPECT_TRUE(lines.empty());
}

// A file of its own per test, removed afterwards.
class ScenarioFile : public ::testing::Test {
 protected:
  void Write(const std::string& text) { file_.Write(text); }
  std::string Read() { return file_.Read(); }
  testing::TempFile file_;
  const std::string& path_ = file_.path();
};

TEST_F(ScenarioFile, LoadNamesTheFileInEveryError) {
  std::vector<ScenarioLine> lines;
  std::string error;
  Write("[]\n{\"error\": \"query-failed\"}\n");
  ASSERT_TRUE(LoadScenarioFile(path_, lines, error)) << error;
  EXPECT_EQ(lines.size(), 2u);

  Write("[]\n\n[{\"bssid\": \"00:00:00:00:00:01\", \"ssid_hex\": \"0\"}]\n");
  EXPECT_FALSE(LoadScenarioFile(path_, lines, error));
  EXPECT_EQ(error, path_ + ":3: BSS 1: \"ssid_hex\" is not hex digits in pairs");

  EXPECT_FALSE(LoadScenarioFile(path_ + ".missing", lines, error));
  EXPECT_EQ(error, path_ + ".missing: cannot be read: No such file or directory");

  EXPECT_FALSE(LoadScenarioFile("/tmp", lines, error));
  EXPECT_EQ(error, "/tmp: cannot be read: Is a directory");
}

BssObservation Extreme(std::string_view ssid, uint8_t last) {
  BssObservation o;
  o.bssid = {0xFF, 0x00, 0xAB, 0xcd, 0x01, last};
  std::copy(ssid.begin(), ssid.end(), o.ssid.begin());
  o.rssi = INT32_MIN;
  o.linkQuality = 100;
  o.timestamp = UINT64_MAX;
  o.hostTimestamp = 0x01DB000087654321ULL;
  o.centerFrequency = UINT32_MAX;
  o.beaconPeriod = 65535;
  return o;
}

TEST(ScenarioWrite, LinesReadBackAsTheSameObservations) {
  struct Case {
    std::string ssid;    // as stored, up to 32 bytes
    const char* member;  // how the writer must spell it
  };
  const Case cases[] = {
      {"", "\"ssid\":\"\""},
      {"plain", "\"ssid\":\"plain\""},
      {"caf\xC3\xA9", "\"ssid\":\"caf\xC3\xA9\""},
      {"tab\there\x7F", "\"ssid\":\"tab\\there\x7F\""},
      {"\xFF\xFE", "\"ssid_hex\":\"fffe\""},
      {"\xC0\x80", "\"ssid_hex\":\"c080\""},              // overlong zero
      {"\xED\xA0\x80", "\"ssid_hex\":\"eda080\""},        // a surrogate
      {"\xF4\x90\x80\x80", "\"ssid_hex\":\"f4908080\""},  // above U+10FFFF
      {"ab\xE4\xB8", "\"ssid_hex\":\"6162e4b8\""},        // cut in the middle of a character
      {std::string(32, 'x'), nullptr},
      {std::string(31, 'x') + "\xC3", nullptr},
      {std::string("ab\0cd", 5), "\"ssid\":\"ab\""},  // the name ends at the zero
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ssid);
    const BssObservation written[] = {Extreme(c.ssid, 1), Extreme("second", 2)};
    const std::string text = ScenarioLineText(QueryOutcome::kListed, written);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    if (c.member != nullptr) {
      EXPECT_NE(text.find(c.member), std::string::npos) << text;
    }
    std::vector<ScenarioLine> lines;
    std::string error;
    ASSERT_TRUE(ParseScenario(text, lines, error)) << error << "\n" << text;
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(lines[0].bsses.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
      BssObservation expected = written[i];
      std::fill(std::find(expected.ssid.begin(), expected.ssid.end(), 0), expected.ssid.end(), 0);
      EXPECT_EQ(Fields(lines[0].bsses[i]), Fields(expected));
    }
  }
}

TEST(ScenarioWrite, ExactText) {
  BssObservation bss = Extreme("cafe", 0x5E);
  bss.rssi = -60;
  bss.linkQuality = 80;
  bss.timestamp = 0x1F;
  EXPECT_EQ(ScenarioLineText(QueryOutcome::kListed, std::span(&bss, 1)),
            R"([{"bssid":"FF:00:AB:CD:01:5E","ssid":"cafe","rssi":-60,"link_quality":80,)"
            R"("frequency_khz":4294967295,"beacon_period":65535,"timestamp":"0x1f",)"
            R"("host_timestamp":"0x1db000087654321"}])");
  EXPECT_EQ(ScenarioLineText(QueryOutcome::kListed, {}), "[]");
  EXPECT_EQ(ScenarioLineText(QueryOutcome::kNoService, std::span(&bss, 1)),
            R"({"error":"no-service"})");
  EXPECT_EQ(ScenarioLineText(QueryOutcome::kNoInterface, {}), R"({"error":"no-interface"})");
  EXPECT_EQ(ScenarioLineText(QueryOutcome::kListFailed, {}), R"({"error":"query-failed"})");
}

TEST_F(ScenarioFile, RecorderWritesAndFlushesEachQuery) {
  std::string error;
  const auto recorder = QueryRecorder::Open(path_, error);
  ASSERT_TRUE(recorder) << error;
  EXPECT_EQ(Read(), "");
  const BssObservation bss = Extreme("\xFF", 7);
  recorder->Record(QueryOutcome::kListed, std::span(&bss, 1));
  // On disk before the recorder is closed.
  const std::string first = Read();
  EXPECT_EQ(first, ScenarioLineText(QueryOutcome::kListed, std::span(&bss, 1)) + "\n");
  recorder->Record(QueryOutcome::kNoInterface, {});
  EXPECT_EQ(Read(), first + "{\"error\":\"no-interface\"}\n");
  EXPECT_EQ(recorder->WriteError(), "");

  EXPECT_FALSE(QueryRecorder::Open("/nonexistent-dir/rec.jsonl", error));
  EXPECT_EQ(error, "/nonexistent-dir/rec.jsonl: cannot be written: No such file or directory");
}

TEST(QueryRecorderFull, AWriteFailureStopsRecordingWithAReason) {
  std::string error;
  const auto recorder = QueryRecorder::Open("/dev/full", error);
  ASSERT_TRUE(recorder) << error;
  recorder->Record(QueryOutcome::kListFailed, {});
  EXPECT_EQ(recorder->WriteError(), "/dev/full: cannot be written: No space left on device");
}

}  // namespace
}  // namespace quorvan

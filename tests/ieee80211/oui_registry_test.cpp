// Vendor names from registry files written to a temporary folder in the layout of Debian's
// ieee-data, and the CSV reader under them.

#include "ieee80211/oui_registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace quorvan::ieee80211 {
namespace {

namespace fs = std::filesystem;

using Records = std::vector<std::vector<std::string>>;

TEST(Csv, ReadsQuotedFieldsLineEndsAndTornLines) {
  const struct {
    const char* name;
    std::string text;
    Records expected;
  } cases[] = {
      {"Crlf", "a,b\r\nc,d\r\n", {{"a", "b"}, {"c", "d"}}},
      {"NoLastLineBreak", "a,b\nc,d", {{"a", "b"}, {"c", "d"}}},
      {"QuotedComma",
       "MA-L,F4BD9E,\"Cisco Systems, Inc\",80 West\n",
       {{"MA-L", "F4BD9E", "Cisco Systems, Inc", "80 West"}}},
      {"DoubledQuote", "x,\"say \"\"hi\"\"\",y\n", {{"x", "say \"hi\"", "y"}}},
      {"QuotedLineBreak", "x,\"two\nlines\",y\n", {{"x", "two\nlines", "y"}}},
      {"EmptyLinesSkipped", "\n\r\na\n\n", {{"a"}}},
      {"TrailingComma", "MA-M,741AE09,Private,\n", {{"MA-M", "741AE09", "Private", ""}}},
      {"UnclosedQuote", "a,\"open", {{"a", "open"}}},
      {"Empty", "", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseCsv(c.text), c.expected) << c.name;
}

class OuiRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // Tests run in parallel, from several build trees: a folder of its own for each.
    directory_ = fs::temp_directory_path() / (std::string("quorvan-oui-") + info->name() + "-" +
                                              std::to_string(std::random_device{}()));
    fs::remove_all(directory_);
    ASSERT_TRUE(fs::create_directories(directory_));
  }
  void TearDown() override { fs::remove_all(directory_); }

  void Write(const std::string& file, const std::string& text) {
    std::ofstream out(directory_ / file, std::ios::binary);
    out << text;
    out.close();
    ASSERT_TRUE(out) << file;
  }

  fs::path directory_;
};

constexpr char kHeader[] = "Registry,Assignment,Organization Name,Organization Address\r\n";

TEST_F(OuiRegistryTest, LongestPrefixWins) {
  Write("oui.csv", std::string(kHeader) +
                       "MA-L,F4BD9E,\"Cisco Systems, Inc\",80 West Tasman Drive San Jose CA US\r\n"
                       "MA-L,70B3D5,IEEE Registration Authority,445 Hoes Lane Piscataway NJ US\r\n"
                       "MA-L,0050F2,MICROSOFT CORP.,ONE MICROSOFT WAY REDMOND WA US\r\n"
                       "MA-L,741AE0,IEEE Registration Authority,445 Hoes Lane\r\n");
  Write("mam.csv", std::string(kHeader) +
                       "MA-M,741AE09,Private,\r\n"
                       "MA-M,70B3D5F,\"Block, Twenty-Eight\",Somewhere\r\n");
  Write("oui36.csv",
        std::string(kHeader) +
            "MA-S,70B3D5F2F,TELEPLATFORMS,\"Polbina st., 3/1 Moscow  RU 109388 \"\r\n");
  Write("iab.csv", std::string(kHeader) + "IAB,0050C27D5,DEUTA-WERKE GmbH,Paffrather Strasse\r\n");
  const OuiRegistry registry(directory_.string());

  const struct {
    std::array<uint8_t, 6> mac;
    std::string_view name;
  } cases[] = {
      {{0xF4, 0xBD, 0x9E, 0x12, 0x34, 0x56}, "Cisco Systems, Inc"},
      {{0x00, 0x50, 0xF2, 0x00, 0x00, 0x01}, "MICROSOFT CORP."},
      {{0x70, 0xB3, 0xD5, 0xF2, 0xF0, 0x00}, "TELEPLATFORMS"},                // 36 bits
      {{0x70, 0xB3, 0xD5, 0xF2, 0xE0, 0x00}, "Block, Twenty-Eight"},          // 28 bits
      {{0x70, 0xB3, 0xD5, 0x12, 0x00, 0x00}, "IEEE Registration Authority"},  // 24 bits
      {{0x74, 0x1A, 0xE0, 0x9F, 0xFF, 0xFF}, "Private"},
      {{0x74, 0x1A, 0xE0, 0x8F, 0xFF, 0xFF}, "IEEE Registration Authority"},
      {{0x00, 0x50, 0xC2, 0x7D, 0x5A, 0xBC}, "DEUTA-WERKE GmbH"},
      {{0x00, 0x50, 0xC2, 0x7D, 0x6A, 0xBC}, ""},
      // The locally administered bit, whatever the registry says of the rest.
      {{0xF6, 0xBD, 0x9E, 0x12, 0x34, 0x56}, "locally administered"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(registry.Lookup(c.mac), c.name) << int{c.mac[0]} << ":" << int{c.mac[1]};
  }
  EXPECT_EQ(registry.size(), 8u);
}

TEST_F(OuiRegistryTest, SkipsLinesThatAreNotAssignments) {
  Write("oui.csv", std::string(kHeader) +
                       "MA-L,GGGGGG,Not Hex,\n"
                       "MA-L,12345,Five Digits,\n"
                       "MA-L,0C0B0C,,\n"
                       "MA-L,0C0B0D\n"
                       "garbage\n"
                       "MA-L, 0c0b0e ,  Lower Case Padded  ,\n");
  const OuiRegistry registry(directory_.string());
  EXPECT_EQ(registry.size(), 1u);
  EXPECT_EQ(registry.Lookup({0x0C, 0x0B, 0x0E, 0, 0, 0}), "Lower Case Padded");
  EXPECT_EQ(registry.Lookup({0x0C, 0x0B, 0x0C, 0, 0, 0}), "");
}

TEST_F(OuiRegistryTest, MissingFilesNameNoVendor) {
  const OuiRegistry registry((directory_ / "absent").string());
  EXPECT_EQ(registry.Lookup({0x00, 0x50, 0xF2, 0, 0, 0}), "");
  EXPECT_EQ(registry.size(), 0u);
  EXPECT_EQ(registry.Lookup({0x06, 0x50, 0xF2, 0, 0, 0}), "locally administered");
}

TEST_F(OuiRegistryTest, ReadsTheFilesOnceOnFirstLookup) {
  Write("oui.csv", std::string(kHeader) + "MA-L,0050F2,MICROSOFT CORP.,\n");
  const OuiRegistry registry(directory_.string());
  // Nothing is read before the first lookup...
  Write("oui.csv", std::string(kHeader) + "MA-L,0050F2,Written Later,\n");
  std::vector<std::thread> threads;
  std::vector<std::string> seen(4);
  for (std::size_t i = 0; i < seen.size(); ++i) {
    threads.emplace_back([&, i] { seen[i] = registry.Lookup({0x00, 0x50, 0xF2, 1, 2, 3}); });
  }
  for (std::thread& thread : threads) thread.join();
  for (const std::string& name : seen) EXPECT_EQ(name, "Written Later");
  // ...and nothing after it.
  fs::remove(directory_ / "oui.csv");
  EXPECT_EQ(registry.Lookup({0x00, 0x50, 0xF2, 0, 0, 0}), "Written Later");
}

// Debian's files themselves, which install-deps installs: the layout this reader expects.
TEST(SystemOuiRegistry, ReadsDebiansIeeeData) {
  if (!fs::exists(std::string(kIeeeDataDirectory) + "/oui.csv")) {
    GTEST_SKIP() << "ieee-data is not installed";
  }
  const OuiRegistry registry;
  EXPECT_GT(registry.size(), 30000u);
  EXPECT_EQ(registry.Lookup({0x00, 0x50, 0xF2, 0x00, 0x00, 0x00}), "MICROSOFT CORP.");
}

}  // namespace
}  // namespace quorvan::ieee80211

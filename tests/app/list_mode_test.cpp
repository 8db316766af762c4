#include "app/list_mode.h"

#include <gtest/gtest.h>

#include "tests/support/fake_radio.h"

namespace quorvan {
namespace {

using testing::BssEntry;

constexpr const char* kHeaders =
    "index\t活动因子\tMAC地址\tS S I D\t信号强度 (dbm)\t链路质量(%)\tChannel\tullTimestamp\t"
    "ullHostTimestamp\tEncryption\tBeaconPeriod\tUsername\tPassword\n";

TEST(ListMode, PrintsTheListAfterTheLastOfSeveralCycles) {
  auto radio = testing::InstallFakeRadio();
  WLAN_BSS_ENTRY hostile = BssEntry(3, "a\tb\nc\x1B", -80, 5180000);
  radio->lists = {{BssEntry(1, "home", -50), BssEntry(2, "cafe", -70), hostile},
                  {BssEntry(1, "home", -52)},
                  {BssEntry(1, "home", -54)}};
  const ListResult result = RunListMode(3);
  EXPECT_EQ(radio->queries, 3);
  EXPECT_EQ(radio->scans, 0);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.text,
            std::string(kHeaders) +
                "1\t14\t02 00 00 00 00 03\ta\\x09b\\x0Ac\\x1B\t20  0  0  0  0\t\t  36  5180000\t"
                "0x0\t0x0\t0,wep \t100\t\t\n"
                "2\t14\t02 00 00 00 00 02\tcafe\t30  0  0  0  0\t\t   6  2437000\t0x0\t0x0\t0,wep "
                "\t100\t\t\n"
                "3\t18\t02 00 00 00 00 01\thome\t50 48 46  0  0\t92\t   6  2437000\t0x0\t0x0\t"
                "0,wep \t100\t\t\n");
}

TEST(ListMode, FailsWhenTheLastQueryFindsNoList) {
  struct Case {
    bool serviceDown;
    bool noInterface;
    int exitCode;
    const char* reason;
  };
  const Case cases[] = {
      {true, false, 1, "the WLAN service could not be reached"},
      {false, true, 1, "no wireless interface was found"},
      {false, false, 0, ""},
  };
  for (const Case& c : cases) {
    auto radio = testing::InstallFakeRadio();
    radio->serviceDown = c.serviceDown;
    radio->noInterface = c.noInterface;
    const ListResult result = RunListMode(1);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_EQ(result.reason, c.reason);
    EXPECT_EQ(result.text, kHeaders);
  }
}

}  // namespace
}  // namespace quorvan

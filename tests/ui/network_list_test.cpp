#include "ui/network_list.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

#include "tests/support/listed_table.h"
#include "tests/support/observations.h"

namespace quorvan {
namespace {

using testing::Observation;

class NetworkListTest : public ::testing::Test, public testing::ListedTable {};

TEST_F(NetworkListTest, RowsAfterTwoCycles) {
  BssObservation cafe = Observation(1, "cafe", -47, 2437000, 100);
  cafe.timestamp = 0xAAAA000012345678ull;
  cafe.hostTimestamp = 0x01D0000000ABCDEFull;
  Cycle({cafe, Observation(2, "bar", -60, 5180000, 102)});
  EXPECT_EQ(status.Text(), "scanning...Sleep(30000),num=2");
  Cycle({Observation(2, "bar", -105, 5180000, 102)});  // cafe missed
  EXPECT_EQ(
      ListAsText(list),
      "index\t活动因子\tMAC地址\tS S I D\t信号强度 (dbm)\t链路质量(%)\tChannel\tullTimestamp\t"
      "ullHostTimestamp\tEncryption\tBeaconPeriod\tUsername\tPassword\n"
      "1\t17\t00 1A 2B 3C 00 02\tbar\t40 -5  0  0  0\t\t  36  5180000\t0x0\t0x0\t0,wep "
      "\t102\t\t\n"
      "2\t15\t00 1A 2B 3C 00 01\tcafe\t53  0  0  0  0\t\t   6  2437000\t0x12345678\t"
      "0xabcdef\t0,wep \t100\t\t\n");
  std::string widths;
  for (const auto& column : list.Columns()) widths += std::to_string(column.widthPx) + " ";
  EXPECT_EQ(widths, "35 76 140 150 130 99 120 120 120 75 99 110 110 ");
  EXPECT_EQ(list.ExtendedStyle(), kListStyleFullRowSelect);

  table.Clear();
  RefreshList(table, list, status);
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(status.Text(), "scanning...Sleep(30000),num=0");
}

TEST_F(NetworkListTest, HostileSsidIsEscapedInItsCellOnly) {
  BssObservation wide = Observation(1, "", -50);
  wide.ssid.fill(0xFF);  // 32 bytes, no zero byte
  Cycle({wide, Observation(2, "\x1B[2J\\\xE2\x80\xAEgnp.exe", -50)});
  std::string escaped;
  for (int i = 0; i < 32; ++i) escaped += "\\xFF";
  EXPECT_EQ(list.CellText(1, 3), escaped);  // never truncated
  EXPECT_EQ(list.CellText(0, 3), "\\x1B[2J\\\\\\xE2\\x80\\xAEgnp.exe");
  EXPECT_EQ(std::string(table.begin()->ssid), "\x1B[2J\\\xE2\x80\xAEgnp.exe");
}

// The cells as printf's formats make them, for records whose numbers run to the limits of their
// types and whose text fields hold anything.
TEST(RecordCells, MatchTheirPrintfFormats) {
  std::mt19937 random(11);
  std::uniform_int_distribution<int32_t> any(std::numeric_limits<int32_t>::min(),
                                             std::numeric_limits<int32_t>::max());
  std::uniform_int_distribution<int32_t> small(-120, 120);
  const auto number = [&] { return random() % 3 == 0 ? any(random) : small(random); };
  const auto fill = [&](char* field, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i)
      field[i] = static_cast<char>(random() % 4 ? 'a' + i % 26 : 0);
  };
  for (int round = 0; round < 2000; ++round) {
    TrackedNetwork r;
    r.activity = number(), r.channel = number(), r.frequency = number();
    r.linkQuality = number(), r.encryptionCode = number();
    for (int32_t& slot : r.rssiHistory) slot = number();
    r.timestamp = static_cast<uint32_t>(any(random)),
    r.hostTimestamp = static_cast<uint32_t>(number());
    fill(r.mac, sizeof r.mac), fill(r.encryption, sizeof r.encryption);
    fill(r.beaconPeriod, sizeof r.beaconPeriod), fill(r.username, sizeof r.username);
    fill(r.password, sizeof r.password);
    const auto bounded = [](const char* field, std::size_t size) {
      return static_cast<int>(strnlen(field, size));
    };
    char expected[13][64] = {};
    std::snprintf(expected[1], 64, "%d", r.activity);
    std::snprintf(expected[2], 64, "%.*s", bounded(r.mac, sizeof r.mac), r.mac);
    std::snprintf(expected[4], 64, "%2i %2i %2i %2i %2i", r.rssiHistory[0], r.rssiHistory[1],
                  r.rssiHistory[2], r.rssiHistory[3], r.rssiHistory[4]);
    if (r.linkQuality != 0) std::snprintf(expected[5], 64, "%ld", long{r.linkQuality});
    std::snprintf(expected[6], 64, "%4d  %ld", r.channel, long{r.frequency});
    std::snprintf(expected[7], 64, "0x%x", r.timestamp);
    std::snprintf(expected[8], 64, "0x%x", r.hostTimestamp);
    std::snprintf(expected[9], 64, "%ld,%.*s", long{r.encryptionCode},
                  bounded(r.encryption, sizeof r.encryption), r.encryption);
    std::snprintf(expected[10], 64, "%.*s", bounded(r.beaconPeriod, sizeof r.beaconPeriod),
                  r.beaconPeriod);
    std::snprintf(expected[11], 64, "%.*s", bounded(r.username, sizeof r.username), r.username);
    std::snprintf(expected[12], 64, "%.*s", bounded(r.password, sizeof r.password), r.password);
    for (int column = 1; column < kColumnCount; ++column) {
      if (column == ColumnNumber(Column::kSsid)) continue;
      ASSERT_EQ(RecordCellText(r, static_cast<Column>(column)), expected[column])
          << "column " << column << ", round " << round;
    }
  }
}

}  // namespace
}  // namespace quorvan

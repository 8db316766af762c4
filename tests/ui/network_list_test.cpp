#include "ui/network_list.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace quorvan

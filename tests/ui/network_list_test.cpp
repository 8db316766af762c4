#include "ui/network_list.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/listed_table.h"
#include "tests/support/observations.h"
#include "tracking/scan_cycle.h"
#include "ui/memory_list_view.h"

namespace quorvan {
namespace {

using testing::Observation;

class NetworkListTest : public ::testing::Test, public testing::ListedTable {};

TEST_F(NetworkListTest, ColumnsHeadersWidthsAndStyle) {
  std::string headers;
  for (const auto& column : list.Columns()) {
    headers += column.header + "/" + std::to_string(column.widthPx) + "|";
  }
  EXPECT_EQ(headers,
            "index/35|活动因子/76|MAC地址/140|S S I D/150|信号强度 (dbm)/130|链路质量(%)/99|"
            "Channel/120|ullTimestamp/120|ullHostTimestamp/120|Encryption/75|BeaconPeriod/99|"
            "Username/110|Password/110|");
  EXPECT_EQ(list.ExtendedStyle(), kListStyleFullRowSelect);

  // Full-row selection is added to whatever styles the list already has.
  MemoryListView styled;
  styled.SetExtendedStyle(0x4);
  SetUpColumns(styled);
  EXPECT_EQ(styled.ExtendedStyle(), 0x4 | kListStyleFullRowSelect);
}

TEST_F(NetworkListTest, RowsAfterTwoCycles) {
  BssObservation cafe = Observation(1, "cafe", -47, 2437000, 100);
  cafe.timestamp = 0xAAAA000012345678ull;
  cafe.hostTimestamp = 0x01D0000000ABCDEFull;
  const BssObservation bar = Observation(2, "bar", -60, 5180000, 102);
  Cycle({cafe, bar});
  EXPECT_EQ(
      ListAsText(list),
      "index\t活动因子\tMAC地址\tS S I D\t信号强度 (dbm)\t链路质量(%)\tChannel\tullTimestamp\t"
      "ullHostTimestamp\tEncryption\tBeaconPeriod\tUsername\tPassword\n"
      "1\t16\t00 1A 2B 3C 00 02\tbar\t40  0  0  0  0\t80\t  36  5180000\t0x0\t0x0\t0,wep "
      "\t102\t\t\n"
      "2\t16\t00 1A 2B 3C 00 01\tcafe\t53  0  0  0  0\t100\t   6  2437000\t0x12345678\t"
      "0xabcdef\t0,wep \t100\t\t\n");
  EXPECT_EQ(status.Text(), "scanning...Sleep(30000),num=2");
  EXPECT_EQ(list.ItemDataOf(0), 0);
  EXPECT_EQ(list.ItemDataOf(1), 1);

  // cafe is missed: its new slot stays 0 and its link-quality cell empties.
  BssObservation weak = Observation(2, "bar", -105, 5180000, 102);
  Cycle({weak});
  EXPECT_EQ(list.Row(0),
            (std::vector<std::string>{"1", "17", "00 1A 2B 3C 00 02", "bar", "40 -5  0  0  0", "",
                                      "  36  5180000", "0x0", "0x0", "0,wep ", "102", "", ""}));
  EXPECT_EQ(list.Row(1), (std::vector<std::string>{
                             "2", "15", "00 1A 2B 3C 00 01", "cafe", "53  0  0  0  0", "",
                             "   6  2437000", "0x12345678", "0xabcdef", "0,wep ", "100", "", ""}));
}

TEST_F(NetworkListTest, EmptyTableAndRebuildFromScratch) {
  RefreshList(table, list, status);
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(status.Text(), "scanning...Sleep(30000),num=0");

  Cycle({Observation(1, "a", -50), Observation(2, "b", -50)});
  ASSERT_EQ(list.RowCount(), 2);
  table.Clear();
  RefreshList(table, list, status);
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(status.Text(), "scanning...Sleep(30000),num=0");
}

TEST_F(NetworkListTest, EqualNamesTradePlacesOnEveryRefresh) {
  const BssSnapshot snapshot = {Observation(1, "lab", -50), Observation(2, "lab", -60)};
  std::vector<std::string> macs;
  for (int i = 0; i < 3; ++i) {
    Cycle(snapshot);
    macs.push_back(list.CellText(0, 2));
  }
  EXPECT_EQ(macs, (std::vector<std::string>{"00 1A 2B 3C 00 02", "00 1A 2B 3C 00 01",
                                            "00 1A 2B 3C 00 02"}));
  EXPECT_EQ(list.CellText(0, 0), "1");
  EXPECT_EQ(list.CellText(1, 0), "2");
}

TEST_F(NetworkListTest, HostileSsidIsEscapedInItsCellOnly) {
  BssObservation o = Observation(1, "", -50);
  for (auto& byte : o.ssid) byte = 0xFF;  // 32 bytes, no zero byte
  const BssObservation evil = Observation(2, "\x1B[2J\\\xE2\x80\xAEgnp.exe", -50);
  Cycle({o, evil});
  std::string expected;
  for (int i = 0; i < 32; ++i) expected += "\\xFF";
  EXPECT_EQ(list.CellText(1, 3), expected);  // never truncated
  EXPECT_EQ(list.CellText(0, 3), "\\x1B[2J\\\\\\xE2\\x80\\xAEgnp.exe");
  // The record keeps the bytes as they came.
  EXPECT_EQ(std::string(table.begin()->ssid), "\x1B[2J\\\xE2\x80\xAEgnp.exe");
}

TEST(CellText, FieldsReadOnlyWithinTheirCapacity) {
  TrackedNetwork record;
  std::memset(record.beaconPeriod, '7', sizeof record.beaconPeriod);  // no terminator
  std::memset(record.password, 'p', sizeof record.password);
  EXPECT_EQ(CellText(record, 10), std::string(16, '7'));
  EXPECT_EQ(CellText(record, 12), std::string(32, 'p'));
  EXPECT_EQ(CellText(record, 0), "");
  EXPECT_EQ(CellText(record, 13), "");
}

}  // namespace
}  // namespace quorvan

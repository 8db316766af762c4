#include "ui/column_sort.h"

#include <gtest/gtest.h>

#include "tests/support/listed_table.h"
#include "tests/support/observations.h"

namespace quorvan {
namespace {

using testing::Observation;
using Texts = std::vector<std::string>;

class ColumnSortTest : public ::testing::Test, public testing::ListedTable {
 protected:
  ColumnSortTest() {
    Cycle({Observation(1, "charlie", -60), Observation(2, "alpha", -55),
           Observation(3, "delta", -90)});
    // Activities 100, 10 and 9 sort as text; delta's link-quality cell is empty.
    const int activity[] = {100, 10, 9};
    for (auto& record : table) record.activity = activity[record.mac[16] - '1'];
    table.FindByMac("00 1A 2B 3C 00 03")->linkQuality = 0;
    RefreshList(table, list, status);
  }

  Texts Column(int column) const {
    Texts texts;
    for (int row = 0; row < list.RowCount(); ++row) texts.push_back(list.CellText(row, column));
    return texts;
  }

  SortState state;  // column 0, descending 1: the first click sorts ascending
};

TEST_F(ColumnSortTest, ClicksAlternateDirectionOverTheTexts) {
  SortByColumn(list, 1, state);
  EXPECT_EQ(Column(1), (Texts{"10", "100", "9"}));
  SortByColumn(list, 5, state);  // the direction is shared: another column sorts descending
  EXPECT_EQ(state.sortColumn, 5);
  EXPECT_EQ(Column(5), (Texts{"90", "80", ""}));
  SortByColumn(list, 5, state);
  EXPECT_EQ(Column(5), (Texts{"", "80", "90"}));
  // Whole rows move, row numbers included; item data is renumbered for the next sort.
  EXPECT_EQ(Column(3), (Texts{"delta", "charlie", "alpha"}));
  EXPECT_EQ(Column(0), (Texts{"3", "2", "1"}));
  for (int row = 0; row < list.RowCount(); ++row) EXPECT_EQ(list.ItemDataOf(row), row);

  RefreshList(table, list, status);  // the next cycle restores SSID order
  EXPECT_EQ(Column(3), (Texts{"alpha", "charlie", "delta"}));
}

TEST(ColumnSort, EmptyListChangesOnlyTheState) {
  testing::ListedTable empty;
  SortState state;
  SortByColumn(empty.list, 7, state);
  EXPECT_EQ(state.sortColumn, 7);
  EXPECT_EQ(state.sortDescending, 0);
}

}  // namespace
}  // namespace quorvan

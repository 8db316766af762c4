#include "ui/column_sort.h"

#include <gtest/gtest.h>

#include "tests/support/observations.h"
#include "tracking/scan_cycle.h"
#include "ui/memory_list_view.h"
#include "ui/network_list.h"

namespace quorvan {
namespace {

using testing::Observation;

class ColumnSortTest : public ::testing::Test {
 protected:
  ColumnSortTest() {
    SetUpColumns(list);
    // delta: activity 9, link quality 0; alpha: activity 10; charlie: activity 100.
    const BssSnapshot snapshot = {Observation(1, "charlie", -60), Observation(2, "alpha", -55),
                                  Observation(3, "delta", -90)};
    AdvanceHistory(table);
    MergeBssList(table, snapshot);
    for (auto& record : table) {
      record.activity = std::string(record.ssid) == "delta"   ? 9
                        : std::string(record.ssid) == "alpha" ? 10
                                                              : 100;
    }
    table.FindByMac("00 1A 2B 3C 00 03")->linkQuality = 0;
    RefreshList(table, list, status);
  }

  // The texts of one column, top to bottom.
  std::vector<std::string> Column(int column) const {
    std::vector<std::string> texts;
    for (int row = 0; row < list.RowCount(); ++row) texts.push_back(list.CellText(row, column));
    return texts;
  }

  using Texts = std::vector<std::string>;
  NetworkTable table;
  MemoryListView list;
  MemoryLabel status;
  SortState state;  // as the main window's initialisation leaves it: column 0, descending 1
};

TEST_F(ColumnSortTest, ClicksAlternateDirectionAndRowsTravelWhole) {
  ASSERT_EQ(Column(3), (Texts{"alpha", "charlie", "delta"}));

  OnColumnClick(list, 3, state);
  EXPECT_EQ(state.sortColumn, 3);
  EXPECT_EQ(state.sortDescending, 0);
  EXPECT_EQ(Column(3), (Texts{"alpha", "charlie", "delta"}));

  OnColumnClick(list, 3, state);
  EXPECT_EQ(state.sortDescending, 1);
  EXPECT_EQ(Column(3), (Texts{"delta", "charlie", "alpha"}));
  // Row numbers travel with their rows; item data is renumbered for the next sort.
  EXPECT_EQ(Column(0), (Texts{"3", "2", "1"}));
  EXPECT_EQ(Column(1), (Texts{"9", "100", "10"}));
  for (int row = 0; row < list.RowCount(); ++row) EXPECT_EQ(list.ItemDataOf(row), row);
}

TEST_F(ColumnSortTest, EveryColumnComparesAsText) {
  OnColumnClick(list, 1, state);  // ascending
  EXPECT_EQ(Column(1), (Texts{"10", "100", "9"}));
  EXPECT_EQ(Column(3), (Texts{"alpha", "charlie", "delta"}));

  // The direction is shared: the next click, on another column, sorts descending.
  OnColumnClick(list, 5, state);
  EXPECT_EQ(state.sortDescending, 1);
  EXPECT_EQ(Column(5), (Texts{"90", "80", ""}));

  OnColumnClick(list, 5, state);  // ascending: an empty link quality first
  EXPECT_EQ(Column(5), (Texts{"", "80", "90"}));
  EXPECT_EQ(Column(3), (Texts{"delta", "charlie", "alpha"}));
}

TEST_F(ColumnSortTest, NextRefreshRestoresSsidOrder) {
  OnColumnClick(list, 3, state);
  OnColumnClick(list, 3, state);
  ASSERT_EQ(Column(3), (Texts{"delta", "charlie", "alpha"}));
  RefreshList(table, list, status);
  EXPECT_EQ(Column(3), (Texts{"alpha", "charlie", "delta"}));
  EXPECT_EQ(Column(0), (Texts{"1", "2", "3"}));
}

TEST(ColumnSort, EmptyListChangesOnlyTheState) {
  MemoryListView list;
  SetUpColumns(list);
  SortState state;
  OnColumnClick(list, 7, state);
  EXPECT_EQ(state.sortColumn, 7);
  EXPECT_EQ(state.sortDescending, 0);
  EXPECT_EQ(list.RowCount(), 0);
}

TEST(ColumnSort, CompareRowsOnTexts) {
  SortContext context{{"b", "a", "b", "\xC3\xA9", "", "Z"}, 0};
  struct Case {
    ItemData first, second;
    int ascending;
  };
  const Case cases[] = {
      {0, 1, 1},  {1, 0, -1}, {0, 2, 0},  // equal texts compare equal
      {3, 0, 1},                          // bytes compare unsigned
      {4, 5, -1},                         // empty before anything
      {5, 1, -1},                         // upper case before lower case
      {0, 99, 1},                         // unknown item data reads as an empty text
  };
  for (const Case& c : cases) {
    context.descending = 0;
    EXPECT_EQ(CompareRows(c.first, c.second, &context), c.ascending) << c.first << " " << c.second;
    context.descending = 1;
    EXPECT_EQ(CompareRows(c.first, c.second, &context), -c.ascending) << c.first << " " << c.second;
  }
}

TEST(MemoryListView, CompareFunctionReadsRowsAsTheyStoodWhenTheSortBegan) {
  MemoryListView list;
  list.InsertColumn(0, "n", 10);
  for (int i = 0; i < 20; ++i) list.InsertRow(i, std::to_string(i), i);
  static int mismatches;
  mismatches = 0;
  list.SortRows(
      [](ItemData a, ItemData b, void* context) {
        auto* self = static_cast<MemoryListView*>(context);
        if (self->CellText(static_cast<int>(a), 0) != std::to_string(a)) ++mismatches;
        return static_cast<int>(b - a);
      },
      &list);
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(list.CellText(0, 0), "19");
  EXPECT_EQ(list.ItemDataOf(19), 0);
}

}  // namespace
}  // namespace quorvan

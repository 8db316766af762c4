#pragma once

#include <algorithm>
#include <numeric>
#include <span>
#include <string>
#include <vector>

#include "ui/window_ops.h"

namespace quorvan {

// The list view and label kept in memory: the rows behind the Qt list and the terminal view, and
// the list printed as text.
// Sorts `rows` (each with a `data` member of type ItemData) as a list view does: `compare` over
// their item data, equal rows keeping their order, applied only at the end, so that a compare
// function that reads cells while the sort runs sees the rows as they stood. Returns each old
// row's new place.
template <typename Row>
std::vector<int> SortRowsByItemData(std::vector<Row>& rows, ListView::CompareFunction compare,
                                    void* context) {
  std::vector<int> order(rows.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return compare(rows[static_cast<std::size_t>(a)].data, rows[static_cast<std::size_t>(b)].data,
                   context) < 0;
  });
  std::vector<int> newRowOf(rows.size());
  std::vector<Row> sorted;
  sorted.reserve(rows.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    newRowOf[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    sorted.push_back(std::move(rows[static_cast<std::size_t>(order[i])]));
  }
  rows = std::move(sorted);
  return newRowOf;
}

class MemoryListView final : public ListView {
 public:
  struct Column {
    std::string header;
    int widthPx = 0;
  };

  uint32_t ExtendedStyle() const override { return extendedStyle_; }
  void SetExtendedStyle(uint32_t style) override { extendedStyle_ = style; }
  void InsertColumn(int column, std::string_view header, int widthPx) override;
  void DeleteAllRows() override;
  int RowCount() const override { return static_cast<int>(rows_.size()); }
  int InsertRow(int row, std::string_view text, ItemData data) override;
  void SetCellText(int row, int column, std::string_view text) override;
  std::string CellText(int row, int column) const override;
  void SetItemData(int row, ItemData data) override;
  void SortRows(CompareFunction compare, void* context) override { Sort(compare, context); }

  // Sorts as SortRows does and returns, for each row's old position, its new one.
  std::vector<int> Sort(CompareFunction compare, void* context);

  const std::vector<Column>& Columns() const { return columns_; }
  // The columns' header texts, left to right: the header line of every text form of the list.
  std::vector<std::string> Headers() const;
  ItemData ItemDataOf(int row) const;
  // All cells of a row, one per column.
  std::vector<std::string> Row(int row) const;

  // Changes with every change to the columns, the rows or their order, so that a view can tell
  // whether it has anything new to draw.
  uint64_t Version() const { return version_; }

 private:
  struct RowData {
    std::vector<std::string> cells;
    ItemData data = 0;
  };

  bool Contains(int row, int column) const;

  uint32_t extendedStyle_ = 0;
  uint64_t version_ = 0;
  std::vector<Column> columns_;
  std::vector<RowData> rows_;
  // Rows deleted, kept with their strings' memory for the rows of the next rebuild: a list
  // rebuilt every cycle then allocates next to nothing.
  std::vector<RowData> spare_;
};

// The list as text: a line of headers, then a line per row, cells separated by a tab and every
// line ending in a newline.
std::string ListAsText(const MemoryListView& list);

// One line of that text: `cells` separated by tabs, and the newline.
void AppendListLine(std::string& text, std::span<const std::string> cells);

class MemoryLabel final : public TextLabel {
 public:
  void SetText(std::string_view text) override { text_ = text; }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace quorvan

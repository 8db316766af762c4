#include "ui/memory_list_view.h"

#include <algorithm>

namespace quorvan {

void MemoryListView::InsertColumn(int column, std::string_view header, int widthPx) {
  ++version_;
  const auto at = static_cast<std::size_t>(std::clamp<int>(column, 0, columns_.size()));
  columns_.insert(columns_.begin() + static_cast<std::ptrdiff_t>(at),
                  Column{std::string(header), widthPx});
  for (RowData& row : rows_) {
    row.cells.insert(row.cells.begin() + static_cast<std::ptrdiff_t>(at), std::string());
  }
  spare_.clear();
}

void MemoryListView::DeleteAllRows() {
  ++version_;
  for (RowData& row : rows_) spare_.push_back(std::move(row));
  rows_.clear();
}

int MemoryListView::InsertRow(int row, std::string_view text, ItemData data) {
  ++version_;
  if (columns_.empty() || row < 0) return -1;
  const auto at = std::min<std::size_t>(static_cast<std::size_t>(row), rows_.size());
  RowData inserted;
  if (!spare_.empty()) {
    inserted = std::move(spare_.back());
    spare_.pop_back();
    for (std::string& cell : inserted.cells) cell.clear();
  }
  inserted.cells.resize(columns_.size());
  inserted.data = data;
  inserted.cells[0] = text;
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), std::move(inserted));
  return static_cast<int>(at);
}

bool MemoryListView::Contains(int row, int column) const {
  return row >= 0 && row < RowCount() && column >= 0 && column < static_cast<int>(columns_.size());
}

void MemoryListView::SetCellText(int row, int column, std::string_view text) {
  ++version_;
  if (Contains(row, column)) rows_[row].cells[column] = text;
}

std::string MemoryListView::CellText(int row, int column) const {
  return Contains(row, column) ? rows_[row].cells[column] : std::string();
}

void MemoryListView::SetItemData(int row, ItemData data) {
  ++version_;
  if (row >= 0 && row < RowCount()) rows_[row].data = data;
}

ItemData MemoryListView::ItemDataOf(int row) const {
  return row >= 0 && row < RowCount() ? rows_[row].data : 0;
}

std::vector<std::string> MemoryListView::Headers() const {
  std::vector<std::string> headers;
  headers.reserve(columns_.size());
  for (const Column& column : columns_) headers.push_back(column.header);
  return headers;
}

std::vector<std::string> MemoryListView::Row(int row) const {
  return row >= 0 && row < RowCount() ? rows_[row].cells : std::vector<std::string>();
}

std::vector<int> MemoryListView::Sort(CompareFunction compare, void* context) {
  ++version_;
  return SortRowsByItemData(rows_, compare, context);
}

void AppendListLine(std::string& text, std::span<const std::string> cells) {
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) text += '\t';
    text += cells[i];
  }
  text += '\n';
}

std::string ListAsText(const MemoryListView& list) {
  std::string text;
  AppendListLine(text, list.Headers());
  for (int row = 0; row < list.RowCount(); ++row) AppendListLine(text, list.Row(row));
  return text;
}

}  // namespace quorvan

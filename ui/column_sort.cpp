#include "ui/column_sort.h"

#include "tracking/tracked_network.h"

namespace quorvan {

SortState& ProcessSortState() {
  static SortState state;
  return state;
}

namespace {

const std::string& TextOf(const SortContext& context, ItemData data) {
  static const std::string kNone;
  if (data < 0 || static_cast<std::size_t>(data) >= context.texts.size()) return kNone;
  return context.texts[static_cast<std::size_t>(data)];
}

}  // namespace

int CompareRows(ItemData first, ItemData second, void* context) {
  const auto& sort = *static_cast<const SortContext*>(context);
  const std::string& a = TextOf(sort, first);
  const std::string& b = TextOf(sort, second);
  return sort.descending == 0 ? CompareText(a.c_str(), b.c_str())
                              : CompareText(b.c_str(), a.c_str());
}

void SortByColumn(ListView& list, int column, SortState& state) {
  state.sortDescending = state.sortDescending == 0 ? 1 : 0;
  state.sortColumn = column;

  // Every row's item data is its position since the last refresh or sort, so the texts can be
  // taken up front by position. Reading them once, before the platform starts moving rows,
  // keeps the comparison independent of how the platform sorts.
  const int count = list.RowCount();
  SortContext context;
  context.descending = state.sortDescending;
  context.texts.reserve(static_cast<std::size_t>(count));
  for (int row = 0; row < count; ++row) context.texts.push_back(list.CellText(row, column));

  list.SortRows(&CompareRows, &context);
  for (int row = 0; row < count; ++row) list.SetItemData(row, row);
}

}  // namespace quorvan

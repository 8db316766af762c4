#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/window_ops.h"

namespace quorvan {

// The column and direction of the last header click. One per process, shared by every column:
// each click flips the direction whichever column it hits.
struct SortState {
  int32_t sortColumn = 0;
  int32_t sortDescending = 1;  // so the first click sorts ascending
};

SortState& ProcessSortState();

// A header click on `column`: flips the direction, remembers the column, sorts the rows by the
// text of that column, and renumbers the rows' item data 0..n-1 for the next sort.
void SortByColumn(ListView& list, int column, SortState& state = ProcessSortState());

// What CompareRows reads: the sort column's texts indexed by item data, taken before the sort
// began, and the direction.
struct SortContext {
  std::vector<std::string> texts;
  int32_t descending = 0;
};

// -1, 0 or 1 for the rows with item data `first` and `second`: their texts compared byte by
// byte as unsigned values, the operands swapped when descending. Every column compares as text,
// numbers included, so "10" sorts before "9". `context` is a SortContext.
int CompareRows(ItemData first, ItemData second, void* context);

}  // namespace quorvan

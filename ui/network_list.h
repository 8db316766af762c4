#pragma once

#include <array>
#include <string>
#include <string_view>

#include "tracking/network_table.h"
#include "ui/window_ops.h"

namespace quorvan {

inline constexpr int kColumnCount = 13;
inline constexpr std::size_t kCellSize = 64;

struct ColumnSpec {
  std::string_view header;  // UTF-8
  int widthPx;
};

// The list's columns, left to right.
extern const std::array<ColumnSpec, kColumnCount> kNetworkColumns;

// Adds full-row selection to the list's extended styles and inserts the columns.
void SetUpColumns(ListView& list);

// The text of column `column` (1..12) for a record; column 5 is empty when the link quality is 0.
// Column 0, the row number, belongs to the row, not the record.
std::string CellText(const TrackedNetwork& record, int column);

// Sorts the table by SSID, rebuilds every row of the list from it and writes the status text.
// The list is rebuilt rather than updated: a refresh is the moment the table's order becomes the
// list's order again, and a few hundred rows every 20 seconds cost nothing worth saving.
void RefreshList(NetworkTable& table, ListView& list, TextLabel& status);

}  // namespace quorvan

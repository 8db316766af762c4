#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "tracking/network_table.h"
#include "ui/window_ops.h"

namespace quorvan {

// The list's columns, left to right; their numbers are those of the list view.
enum class Column : int {
  kIndex,  // the row number: it belongs to the row, not to the record
  kActivity,
  kMac,
  kSsid,
  kSignalHistory,  // RSSI + 100 of the last five cycles
  kLinkQuality,
  kChannel,  // channel and centre frequency
  kTimestamp,
  kHostTimestamp,
  kEncryption,
  kBeaconPeriod,
  kUsername,
  kPassword,
};
inline constexpr int kColumnCount = 13;
constexpr int ColumnNumber(Column column) { return static_cast<int>(column); }

inline constexpr std::size_t kCellSize = 64;

struct ColumnSpec {
  std::string_view header;  // UTF-8
  int widthPx;
};

// The list's columns, left to right.
extern const std::array<ColumnSpec, kColumnCount> kNetworkColumns;

// Adds full-row selection to the list's extended styles and inserts the columns.
void SetUpColumns(ListView& list);

// A cell that stays empty: the link quality of a record not seen in the latest cycle.
bool CellIsBlank(const TrackedNetwork& record, Column column);

// The text of one of a record's cells (every column but kIndex); "" for a blank cell.
std::string RecordCellText(const TrackedNetwork& record, Column column);

// A program's own text for some cells of a record, in place of what the record holds: the text
// for `record`'s cell in `column`, or nothing to keep the record's. The view must stay valid
// until the next call. Only the Linux program sets one (the Encryption cell from the elements it
// decoded); the record itself never changes.
using CellTextOverride =
    std::function<std::optional<std::string_view>(const TrackedNetwork& record, Column column)>;

// Installs `cells` for every cell formatted from now on, on this thread of the window, until the
// guard goes; what was installed before comes back then. Never asked for the index, the SSID or
// a blank cell.
class ScopedCellTextOverride {
 public:
  explicit ScopedCellTextOverride(CellTextOverride cells);
  ~ScopedCellTextOverride();
  ScopedCellTextOverride(const ScopedCellTextOverride&) = delete;
  ScopedCellTextOverride& operator=(const ScopedCellTextOverride&) = delete;

 private:
  CellTextOverride previous_;
};

// The same into `out`, zero-terminated and cut to fit; returns its length. Every cell fits in
// kCellSize bytes but the SSID's, which needs kSsidCellSize.
std::size_t FormatRecordCell(const TrackedNetwork& record, Column column, char* out,
                             std::size_t size);

// Sorts the table by SSID, rebuilds every row of the list from it and writes the status text.
// The list is rebuilt rather than updated: a refresh is the moment the table's order becomes the
// list's order again, and a few hundred rows every 20 seconds cost nothing worth saving.
void RefreshList(NetworkTable& table, ListView& list, TextLabel& status);

}  // namespace quorvan

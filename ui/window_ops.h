#pragma once

// The window operations that the list logic and the main window need, in the program's own
// terms. Each platform implements them over its own controls (Win32, Qt, the terminal view), and
// MemoryListView implements them in memory. Texts cross this seam as UTF-8.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "tracking/tracked_network.h"

namespace quorvan {

class NetworkTable;

// A number kept with a row; pointer-sized, like the platform's own item data.
using ItemData = std::intptr_t;

// Extended list styles, with the values the Win32 list view uses.
inline constexpr uint32_t kListStyleFullRowSelect = 0x00000020;

// A list view in report mode: rows of text cells under headed columns.
class ListView {
 public:
  // Returns <0 if the first row goes first, >0 if the second does, 0 if they are equal.
  using CompareFunction = int (*)(ItemData first, ItemData second, void* context);

  virtual ~ListView() = default;

  virtual uint32_t ExtendedStyle() const = 0;
  virtual void SetExtendedStyle(uint32_t style) = 0;

  // A left-aligned column at `column` with its header text and width in pixels.
  virtual void InsertColumn(int column, std::string_view header, int widthPx) = 0;

  virtual void DeleteAllRows() = 0;
  virtual int RowCount() const = 0;

  // Inserts a row at `row` (at the end when past it) with its column-0 text and item data;
  // returns the row's position, or -1 when it could not be inserted.
  virtual int InsertRow(int row, std::string_view text, ItemData data) = 0;

  // Cells outside the list are ignored on write and read back empty.
  virtual void SetCellText(int row, int column, std::string_view text) = 0;
  virtual std::string CellText(int row, int column) const = 0;

  virtual void SetItemData(int row, ItemData data) = 0;

  // Reorders the rows with `compare`, which is given the item data of two rows and `context`.
  // `compare` may read cell texts while the sort runs.
  virtual void SortRows(CompareFunction compare, void* context) = 0;

  // Bracket a rebuild of the whole list, so that a view may show it as one change rather than
  // thousands. The list reads back as usual in between. Views that redraw by themselves need
  // neither, and the native list view gets no call from them.
  virtual void BeginRebuild() {}
  virtual void EndRebuild() {}

  // A list that can format the table's records itself, faster than row by row through the
  // calls above, takes the sorted records here instead and returns true; row i then shows
  // records[i], numbered i + 1, with item data i, as a rebuild would have left it. The records
  // are valid only during the call: the next cycle's eviction frees them before the next
  // refresh, while the window may still paint, sort or copy. Lists of texts return false and
  // get the rows.
  virtual bool ShowRecords(std::span<TrackedNetwork* const> records) {
    (void)records;
    return false;
  }
};

// A static text control.
class TextLabel {
 public:
  virtual ~TextLabel() = default;
  virtual void SetText(std::string_view text) = 0;
};

// What the main window's behaviour needs from the window that hosts it. The platform window
// forwards its events to the behaviour and gives the default handling to whatever the behaviour
// reports as not handled.
class MainWindowHost {
 public:
  enum class IconSize { kSmall = 0, kBig = 1 };

  virtual ~MainWindowHost() = default;

  // The list of networks (control 1000) and the hidden status label (control 1008).
  virtual ListView& NetworkList() = 0;
  virtual TextLabel& StatusLabel() = 0;

  virtual void SetTitle(std::string_view title) = 0;

  // From now on the behaviour's OnTimer(timer) runs every `periodMs` until the window closes.
  virtual void StartTimer(int timer, int periodMs) = 0;

  // The window menu, fetched without resetting it: false when the window has none.
  virtual bool HasWindowMenu() = 0;
  virtual void AppendWindowMenuSeparator() = 0;
  // Choosing the item delivers `command` to the behaviour's OnSysCommand.
  virtual void AppendWindowMenuItem(unsigned command, std::string_view text) = 0;

  // A string resource's text, empty when absent.
  virtual std::string LoadResourceString(int id) = 0;

  // Sets the application icon as the window's icon of that size.
  virtual void SetIcon(IconSize size) = 0;

  // Shows the About box modally; returns when it is closed.
  virtual void RunAboutBox() = 0;

  // Every cycle, once the table has lost the records it evicts and before the list shows it:
  // for what a program keeps beside the table. Reads only; the table is valid during the call.
  virtual void TableUpdated(const NetworkTable& table) { (void)table; }
};

}  // namespace quorvan

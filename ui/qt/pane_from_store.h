#pragma once
// What the pane shows, read from the details store by MAC at the moment of the update: the
// pane keeps copies, never a pointer into the store or the table.

#include <QString>
#include <span>
#include <string>

#include "details/details_store.h"
#include "ui/qt/details_pane.h"

namespace quorvan {

// A row of the list as the pane needs it.
struct ListedNetwork {
  std::string mac;  // "00 1A 2B 3C 4D 5E"
  QString ssid;     // as the list shows it
  bool selected = false;
};

// With nothing selected the Signal tab follows the strongest few.
inline constexpr std::size_t kStrongestFollowed = 5;

// The Details tab for the first selected row; the Signal tab for the selected rows, or the five
// strongest of the last cycle when none is; the Channels tab for every row heard in the last
// cycle, the selected ones marked. A row the store does not know is left out.
PaneContent PaneContentFromStore(const DetailsStore& store, std::span<const ListedNetwork> rows);

}  // namespace quorvan

#include "ui/network_list.h"

#include <cstdio>
#include <cstring>

#include "ui/ssid_text.h"

namespace quorvan {

const std::array<ColumnSpec, kColumnCount> kNetworkColumns = {{
    {"index", 35},
    {"活动因子", 76},  // activity factor
    {"MAC地址", 140},  // MAC address
    {"S S I D", 150},
    {"信号强度 (dbm)", 130},  // signal strength
    {"链路质量(%)", 99},      // link quality
    {"Channel", 120},
    {"ullTimestamp", 120},
    {"ullHostTimestamp", 120},
    {"Encryption", 75},
    {"BeaconPeriod", 99},
    {"Username", 110},
    {"Password", 110},
}};

namespace {

// A text field read only up to its capacity, whatever it holds.
template <std::size_t N>
int Bounded(const char (&field)[N]) {
  return static_cast<int>(strnlen(field, N));
}

}  // namespace

void SetUpColumns(ListView& list) {
  list.SetExtendedStyle(list.ExtendedStyle() | kListStyleFullRowSelect);
  for (int column = 0; column < kColumnCount; ++column) {
    list.InsertColumn(column, kNetworkColumns[column].header, kNetworkColumns[column].widthPx);
  }
}

std::string CellText(const TrackedNetwork& r, int column) {
  if (column == 3) {
    char cell[kSsidCellSize];
    EscapeSsid(std::string_view(r.ssid, static_cast<std::size_t>(Bounded(r.ssid))), cell,
               sizeof cell);
    return cell;
  }
  char cell[kCellSize] = {};
  switch (column) {
    case 1:
      std::snprintf(cell, sizeof cell, "%d", r.activity);
      break;
    case 2:
      std::snprintf(cell, sizeof cell, "%.*s", Bounded(r.mac), r.mac);
      break;
    case 4:
      std::snprintf(cell, sizeof cell, "%2i %2i %2i %2i %2i", r.rssiHistory[0], r.rssiHistory[1],
                    r.rssiHistory[2], r.rssiHistory[3], r.rssiHistory[4]);
      break;
    case 5:
      if (r.linkQuality != 0) std::snprintf(cell, sizeof cell, "%ld", long{r.linkQuality});
      break;
    case 6:
      std::snprintf(cell, sizeof cell, "%4d  %ld", r.channel, long{r.frequency});
      break;
    case 7:
      std::snprintf(cell, sizeof cell, "0x%x", r.timestamp);
      break;
    case 8:
      std::snprintf(cell, sizeof cell, "0x%x", r.hostTimestamp);
      break;
    case 9:
      std::snprintf(cell, sizeof cell, "%ld,%.*s", long{r.encryptionCode}, Bounded(r.encryption),
                    r.encryption);
      break;
    case 10:
      std::snprintf(cell, sizeof cell, "%.*s", Bounded(r.beaconPeriod), r.beaconPeriod);
      break;
    case 11:
      std::snprintf(cell, sizeof cell, "%.*s", Bounded(r.username), r.username);
      break;
    case 12:
      std::snprintf(cell, sizeof cell, "%.*s", Bounded(r.password), r.password);
      break;
    default:
      break;
  }
  return cell;
}

void RefreshList(NetworkTable& table, ListView& list, TextLabel& status) {
  list.DeleteAllRows();
  table.SortBySsid();
  int row = 0;
  for (const TrackedNetwork& record : table) {
    char number[kCellSize];
    std::snprintf(number, sizeof number, "%d", list.RowCount() + 1);
    const int at = list.InsertRow(row, number, row);
    if (at < 0) continue;
    for (int column = 1; column < kColumnCount; ++column) {
      if (column == 5 && record.linkQuality == 0) continue;  // stays empty
      list.SetCellText(at, column, CellText(record, column));
    }
    ++row;
  }
  char text[kCellSize];
  std::snprintf(text, sizeof text, "scanning...Sleep(30000),num=%d", list.RowCount());
  status.SetText(text);
}

}  // namespace quorvan

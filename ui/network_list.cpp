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

bool CellIsBlank(const TrackedNetwork& record, Column column) {
  return column == Column::kLinkQuality && record.linkQuality == 0;
}

std::string RecordCellText(const TrackedNetwork& r, Column column) {
  if (CellIsBlank(r, column)) return {};
  if (column == Column::kSsid) {
    char cell[kSsidCellSize];
    EscapeSsid(std::string_view(r.ssid, static_cast<std::size_t>(Bounded(r.ssid))), cell,
               sizeof cell);
    return cell;
  }
  char cell[kCellSize] = {};
  switch (column) {
    case Column::kActivity:
      std::snprintf(cell, sizeof cell, "%d", r.activity);
      break;
    case Column::kMac:
      std::snprintf(cell, sizeof cell, "%.*s", Bounded(r.mac), r.mac);
      break;
    case Column::kSignalHistory:
      std::snprintf(cell, sizeof cell, "%2i %2i %2i %2i %2i", r.rssiHistory[0], r.rssiHistory[1],
                    r.rssiHistory[2], r.rssiHistory[3], r.rssiHistory[4]);
      break;
    case Column::kLinkQuality:
      std::snprintf(cell, sizeof cell, "%ld", long{r.linkQuality});
      break;
    case Column::kChannel:
      std::snprintf(cell, sizeof cell, "%4d  %ld", r.channel, long{r.frequency});
      break;
    case Column::kTimestamp:
      std::snprintf(cell, sizeof cell, "0x%x", r.timestamp);
      break;
    case Column::kHostTimestamp:
      std::snprintf(cell, sizeof cell, "0x%x", r.hostTimestamp);
      break;
    case Column::kEncryption:
      std::snprintf(cell, sizeof cell, "%ld,%.*s", long{r.encryptionCode}, Bounded(r.encryption),
                    r.encryption);
      break;
    case Column::kBeaconPeriod:
      std::snprintf(cell, sizeof cell, "%.*s", Bounded(r.beaconPeriod), r.beaconPeriod);
      break;
    case Column::kUsername:
      std::snprintf(cell, sizeof cell, "%.*s", Bounded(r.username), r.username);
      break;
    case Column::kPassword:
      std::snprintf(cell, sizeof cell, "%.*s", Bounded(r.password), r.password);
      break;
    case Column::kIndex:
    case Column::kSsid:
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
    for (int number = ColumnNumber(Column::kActivity); number < kColumnCount; ++number) {
      const auto column = static_cast<Column>(number);
      if (CellIsBlank(record, column)) continue;  // never written, so it stays empty
      list.SetCellText(at, number, RecordCellText(record, column));
    }
    ++row;
  }
  char text[kCellSize];
  std::snprintf(text, sizeof text, "scanning...Sleep(30000),num=%d", list.RowCount());
  status.SetText(text);
}

}  // namespace quorvan

#include "ui/network_list.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <utility>

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

void SetUpColumns(ListView& list) {
  list.SetExtendedStyle(list.ExtendedStyle() | kListStyleFullRowSelect);
  for (int column = 0; column < kColumnCount; ++column) {
    list.InsertColumn(column, kNetworkColumns[column].header, kNetworkColumns[column].widthPx);
  }
}

namespace {

CellTextOverride& InstalledOverride() {
  static CellTextOverride cells;
  return cells;
}

}  // namespace

ScopedCellTextOverride::ScopedCellTextOverride(CellTextOverride cells)
    : previous_(std::exchange(InstalledOverride(), std::move(cells))) {}

ScopedCellTextOverride::~ScopedCellTextOverride() { InstalledOverride() = std::move(previous_); }

bool CellIsBlank(const TrackedNetwork& record, Column column) {
  return column == Column::kLinkQuality && record.linkQuality == 0;
}

namespace {

// Appends to a fixed buffer and keeps it zero-terminated; what does not fit is cut off, as
// snprintf would cut it.
class CellWriter {
 public:
  CellWriter(char* out, std::size_t size) : out_(out), size_(size) { out_[0] = '\0'; }

  void Text(std::string_view text) {
    const std::size_t n = std::min(text.size(), size_ - 1 - length_);
    std::memcpy(out_ + length_, text.data(), n);
    length_ += n;
    out_[length_] = '\0';
  }
  // A decimal number, right-aligned in `width` characters ("%*d").
  void Number(long long value, int width = 0) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const auto length = static_cast<int>(end - digits);
    for (int pad = width - length; pad > 0; --pad) Text(" ");
    Text(std::string_view(digits, static_cast<std::size_t>(length)));
  }
  // "0x" and lower-case hex digits ("0x%x").
  void Hex(uint32_t value) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value, 16).ptr;
    Text("0x");
    Text(std::string_view(digits, static_cast<std::size_t>(end - digits)));
  }
  std::size_t Length() const { return length_; }

 private:
  char* out_;
  std::size_t size_;
  std::size_t length_ = 0;
};

void WriteStatus(const ListView& list, TextLabel& status) {
  char text[kCellSize];
  std::snprintf(text, sizeof text, "scanning...Sleep(30000),num=%d", list.RowCount());
  status.SetText(text);
}

// The records handed to a list that draws them itself, when it does; the table is sorted
// either way.
bool ShowSortedRecords(NetworkTable& table, ListView& list) {
  table.SortBySsid();
  std::vector<TrackedNetwork*> records;
  records.reserve(table.size());
  for (TrackedNetwork& record : table) records.push_back(&record);
  return list.ShowRecords(records);
}

}  // namespace

std::size_t FormatRecordCell(const TrackedNetwork& r, Column column, char* out, std::size_t size) {
  if (size == 0) return 0;
  if (column == Column::kSsid) return EscapeSsid(FieldText(r.ssid), out, size);
  CellWriter cell(out, std::min(size, kCellSize));
  if (CellIsBlank(r, column)) return 0;
  if (const CellTextOverride& cells = InstalledOverride(); cells) {
    if (const std::optional<std::string_view> text = cells(r, column)) {
      cell.Text(*text);
      return cell.Length();
    }
  }
  switch (column) {
    case Column::kActivity:
      cell.Number(r.activity);
      break;
    case Column::kMac:
      cell.Text(FieldText(r.mac));
      break;
    case Column::kSignalHistory:
      for (int slot = 0; slot < kHistorySlots; ++slot) {
        if (slot > 0) cell.Text(" ");
        cell.Number(r.rssiHistory[slot], 2);
      }
      break;
    case Column::kLinkQuality:
      cell.Number(r.linkQuality);
      break;
    case Column::kChannel:
      cell.Number(r.channel, 4);
      cell.Text("  ");
      cell.Number(r.frequency);
      break;
    case Column::kTimestamp:
      cell.Hex(r.timestamp);
      break;
    case Column::kHostTimestamp:
      cell.Hex(r.hostTimestamp);
      break;
    case Column::kEncryption:
      cell.Number(r.encryptionCode);
      cell.Text(",");
      cell.Text(FieldText(r.encryption));
      break;
    case Column::kBeaconPeriod:
      cell.Text(FieldText(r.beaconPeriod));
      break;
    case Column::kUsername:
      cell.Text(FieldText(r.username));
      break;
    case Column::kPassword:
      cell.Text(FieldText(r.password));
      break;
    case Column::kIndex:
    case Column::kSsid:
      break;
  }
  return cell.Length();
}

std::string RecordCellText(const TrackedNetwork& record, Column column) {
  char cell[kSsidCellSize];
  const std::size_t length = FormatRecordCell(record, column, cell, sizeof cell);
  return std::string(cell, length);
}

void RefreshList(NetworkTable& table, ListView& list, TextLabel& status) {
  if (ShowSortedRecords(table, list)) {
    WriteStatus(list, status);
    return;
  }
  // A list of texts: rebuilt row by row, in the order just sorted.
  list.BeginRebuild();
  list.DeleteAllRows();
  int row = 0;
  for (const TrackedNetwork& record : table) {
    char number[kCellSize];
    std::snprintf(number, sizeof number, "%d", list.RowCount() + 1);
    const int at = list.InsertRow(row, number, row);
    if (at < 0) continue;
    for (int c = ColumnNumber(Column::kActivity); c < kColumnCount; ++c) {
      const auto column = static_cast<Column>(c);
      if (CellIsBlank(record, column)) continue;  // never written, so it stays empty
      char cell[kSsidCellSize];
      const std::size_t length = FormatRecordCell(record, column, cell, sizeof cell);
      list.SetCellText(at, c, std::string_view(cell, length));
    }
    ++row;
  }
  list.EndRebuild();
  WriteStatus(list, status);
}

}  // namespace quorvan

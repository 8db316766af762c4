#include "ui/win32/win32_list_view.h"

#include <commctrl.h>

#include <vector>

#include "ui/win32/wide_text.h"

namespace quorvan {
namespace {

// Most cells fit at the first try; an SSID escaped byte by byte (up to 252 characters) takes a
// second.
constexpr std::size_t kFirstReadChars = 128;
constexpr std::size_t kMostReadChars = 1 << 16;

struct SortCall {
  ListView::CompareFunction compare;
  void* context;
};

int CALLBACK CompareThroughSortCall(LPARAM first, LPARAM second, LPARAM sortCall) {
  const auto* call = reinterpret_cast<const SortCall*>(sortCall);
  return call->compare(first, second, call->context);
}

}  // namespace

uint32_t Win32ListView::ExtendedStyle() const {
  return static_cast<uint32_t>(SendMessageW(control_, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
}

void Win32ListView::SetExtendedStyle(uint32_t style) {
  // A zero mask sets every extended style bit to the value given.
  SendMessageW(control_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(style));
}

void Win32ListView::InsertColumn(int column, std::string_view header, int widthPx) {
  std::wstring text = Widen(header);
  LVCOLUMNW lvc{};
  lvc.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  lvc.fmt = LVCFMT_LEFT;
  lvc.cx = widthPx;
  lvc.pszText = text.data();
  lvc.iSubItem = column;
  SendMessageW(control_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
               reinterpret_cast<LPARAM>(&lvc));
}

void Win32ListView::DeleteAllRows() { SendMessageW(control_, LVM_DELETEALLITEMS, 0, 0); }

int Win32ListView::RowCount() const {
  return static_cast<int>(SendMessageW(control_, LVM_GETITEMCOUNT, 0, 0));
}

int Win32ListView::ColumnCount() const {
  const auto header = reinterpret_cast<HWND>(SendMessageW(control_, LVM_GETHEADER, 0, 0));
  if (header == nullptr) return 0;
  return static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
}

bool Win32ListView::HoldsCell(int row, int column) const {
  return row >= 0 && row < RowCount() && column >= 0 && column < ColumnCount();
}

int Win32ListView::InsertRow(int row, std::string_view text, ItemData data) {
  std::wstring wide = Widen(text);
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = row < 0 ? 0 : row;
  item.pszText = wide.data();
  item.lParam = data;
  return static_cast<int>(
      SendMessageW(control_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void Win32ListView::SetCellText(int row, int column, std::string_view text) {
  if (!HoldsCell(row, column)) return;
  std::wstring wide = Widen(text);
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = wide.data();
  SendMessageW(control_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
               reinterpret_cast<LPARAM>(&item));
}

std::string Win32ListView::CellText(int row, int column) const {
  if (!HoldsCell(row, column)) return {};
  // The control reports only how much it copied, so a full buffer means "try a larger one".
  for (std::size_t size = kFirstReadChars; size <= kMostReadChars; size *= 2) {
    std::vector<wchar_t> buffer(size, L'\0');
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(size);
    const auto copied = static_cast<std::size_t>(SendMessageW(
        control_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
    if (copied + 1 < size) return Narrow(std::wstring_view(item.pszText, copied));
  }
  return {};
}

void Win32ListView::SetItemData(int row, ItemData data) {
  if (!HoldsCell(row, 0)) return;
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  item.lParam = data;
  SendMessageW(control_, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

ItemData Win32ListView::ItemDataOf(int row) const {
  if (!HoldsCell(row, 0)) return 0;
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  SendMessageW(control_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  return item.lParam;
}

void Win32ListView::SortRows(CompareFunction compare, void* context) {
  SortCall call{compare, context};
  SendMessageW(control_, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&call),
               reinterpret_cast<LPARAM>(&CompareThroughSortCall));
}

void Win32Label::SetText(std::string_view text) { SetWindowTextW(control_, Widen(text).c_str()); }

}  // namespace quorvan

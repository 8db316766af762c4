#pragma once

// The list view and label of the window operations over the real Win32 controls.

#include <windows.h>

#include "ui/window_ops.h"

namespace quorvan {

// A SysListView32 in report mode. Does not own the control: the dialog does.
class Win32ListView final : public ListView {
 public:
  Win32ListView() = default;
  explicit Win32ListView(HWND control) : control_(control) {}
  void Attach(HWND control) { control_ = control; }
  HWND Handle() const { return control_; }

  uint32_t ExtendedStyle() const override;
  void SetExtendedStyle(uint32_t style) override;
  void InsertColumn(int column, std::string_view header, int widthPx) override;
  void DeleteAllRows() override;
  int RowCount() const override;
  int InsertRow(int row, std::string_view text, ItemData data) override;
  void SetCellText(int row, int column, std::string_view text) override;
  std::string CellText(int row, int column) const override;
  void SetItemData(int row, ItemData data) override;
  void SortRows(CompareFunction compare, void* context) override;

  int ColumnCount() const;
  ItemData ItemDataOf(int row) const;  // 0 outside the list

 private:
  bool HoldsCell(int row, int column) const;

  HWND control_ = nullptr;
};

// A static text control; not owned.
class Win32Label final : public TextLabel {
 public:
  Win32Label() = default;
  explicit Win32Label(HWND control) : control_(control) {}
  void Attach(HWND control) { control_ = control; }

  void SetText(std::string_view text) override;

 private:
  HWND control_ = nullptr;
};

}  // namespace quorvan

#pragma once

#include <QAbstractTableModel>
#include <QLabel>
#include <QString>
#include <QTreeView>
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ui/memory_list_view.h"
#include "ui/network_list.h"
#include "ui/window_ops.h"

namespace quorvan {

// The rows and columns of the list as a Qt model. A refresh hands it the table's records; it
// formats their cells once, into one buffer it owns, and keeps no pointer to a record: the next
// cycle frees the records it evicts before its refresh replaces the rows, and whatever runs in
// between (a paint, a tooltip, a copy) reads only the texts the last refresh wrote, as it would
// from a native list view. Rows written as texts (by callers other than the refresh) live in a
// MemoryListView.
class QtListModel final : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  int RowCount() const;
  std::string CellText(int row, int column) const;
  // Whether `row` shows a record that was not in the last cycle's list (rows written as texts
  // never do).
  bool RowNotSeen(int row) const;
  // The header line and `rows`, in the order given, as --list prints them.
  std::string RowsAsText(std::span<const int> rows) const;
  void InsertColumn(int column, std::string_view header);
  void Clear();
  int InsertRow(int row, std::string_view text, ItemData data);
  void SetCell(int row, int column, std::string_view text);
  void SetItemData(int row, ItemData data);
  void Sort(ListView::CompareFunction compare, void* context);
  // Rows of the records' cell texts, as they read now, those of records not seen in the last
  // cycle dimmed; the records are not kept.
  void ShowRecords(std::span<TrackedNetwork* const> records);
  // One model reset for a whole rebuild, instead of a signal per row and per cell: measured,
  // the cheapest way for a view to take thousands of new rows.
  void BeginRebuild();
  void EndRebuild();

 private:
  // A row shown from a record: its cells lie one after another in texts_ from `start`, cell c
  // ending at start + ends[c].
  struct ShownRow {
    std::size_t start;
    std::array<uint16_t, kColumnCount> ends;
    ItemData data;
    bool notSeen;  // the record was not in the last cycle's list: drawn dimmed
  };
  std::string_view ShownCell(int row, int column) const;
  // Turns shown rows into rows of a MemoryListView, before a change only those can take.
  void ToTexts();

  // The rows while showing records, and their cells; both keep their memory from one refresh to
  // the next, so that a refresh allocates next to nothing.
  std::vector<ShownRow> shown_;
  std::string texts_;
  bool showingRecords_ = false;
  MemoryListView rows_;  // the rows otherwise
  bool rebuilding_ = false;
};

// The list's widget: a QTreeView in report style that, while it has no rows, shows why in their
// place, centred in grey, as file managers show an empty folder.
class ListTreeView final : public QTreeView {
 public:
  using QTreeView::QTreeView;

  // "" shows nothing.
  void SetPlaceholderText(const QString& text);

  // Called for the copy key (Ctrl+C, or what the platform uses), in place of Qt's copy of the
  // current cell.
  void SetCopyHandler(std::function<void()> copy) { copy_ = std::move(copy); }
  const QString& PlaceholderText() const { return placeholder_; }
  // Whether the placeholder is drawn now: it has a text and the list has no rows.
  bool ShowsPlaceholder() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QString placeholder_;
  std::function<void()> copy_;
};

// The list view of the window operations over a QTreeView in report style.
class QtListView final : public ListView {
 public:
  explicit QtListView(QTreeView& view);

  uint32_t ExtendedStyle() const override { return extendedStyle_; }
  void SetExtendedStyle(uint32_t style) override;
  void InsertColumn(int column, std::string_view header, int widthPx) override;
  void DeleteAllRows() override { model_->Clear(); }
  int RowCount() const override { return model_->RowCount(); }
  int InsertRow(int row, std::string_view text, ItemData data) override {
    return model_->InsertRow(row, text, data);
  }
  void SetCellText(int row, int column, std::string_view text) override {
    model_->SetCell(row, column, text);
  }
  std::string CellText(int row, int column) const override { return model_->CellText(row, column); }
  void SetItemData(int row, ItemData data) override { model_->SetItemData(row, data); }
  void SortRows(CompareFunction compare, void* context) override { model_->Sort(compare, context); }
  void BeginRebuild() override { model_->BeginRebuild(); }
  void EndRebuild() override {
    model_->EndRebuild();
    ClearSortIndicator();
  }
  bool ShowRecords(std::span<TrackedNetwork* const> records) override {
    if (model_->columnCount() == 0) return false;
    model_->ShowRecords(records);
    ClearSortIndicator();
    return true;
  }

  // The selected rows, top to bottom, as --list prints rows, under the header line.
  std::string SelectedRowsAsText() const;

 private:
  // A refresh puts the rows back in SSID order: no column is sorted any more.
  void ClearSortIndicator();

  QTreeView& view_;
  QtListModel* model_;  // owned by the view
  uint32_t extendedStyle_ = 0;
};

class QtLabel final : public TextLabel {
 public:
  explicit QtLabel(QLabel& label) : label_(label) {}
  void SetText(std::string_view text) override;

 private:
  QLabel& label_;
};

inline QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace quorvan

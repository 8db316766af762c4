#pragma once

#include <QAbstractTableModel>
#include <QLabel>
#include <QString>
#include <QTreeView>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "ui/memory_list_view.h"
#include "ui/window_ops.h"

namespace quorvan {

// The rows and columns of the list as a Qt model. After a refresh the rows are the table's
// records, and a cell is formatted only when the view draws it or the list logic reads it, so a
// refresh of thousands of rows costs one model reset. Rows written as texts (by callers other
// than the refresh) live in a MemoryListView.
class QtListModel final : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  int RowCount() const;
  std::string CellText(int row, int column) const;
  // The header line and `rows`, in the order given, as --list prints them.
  std::string RowsAsText(std::span<const int> rows) const;
  void InsertColumn(int column, std::string_view header);
  void Clear();
  int InsertRow(int row, std::string_view text, ItemData data);
  void SetCell(int row, int column, std::string_view text);
  void SetItemData(int row, ItemData data);
  void Sort(ListView::CompareFunction compare, void* context);
  void ShowRecords(std::span<TrackedNetwork* const> records);
  // One model reset for a whole rebuild, instead of a signal per row and per cell: measured,
  // the cheapest way for a view to take thousands of new rows.
  void BeginRebuild();
  void EndRebuild();

 private:
  struct RecordRow {
    const TrackedNetwork* record;
    int number;  // shown in the index column: the row's place at the refresh
    ItemData data;
  };
  // Turns record rows into rows of texts, before a change only texts can take.
  void ToTexts();

  std::vector<RecordRow> records_;  // the rows while showing records
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

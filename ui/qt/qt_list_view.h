#pragma once

#include <QAbstractTableModel>
#include <QLabel>
#include <QString>
#include <QTreeView>

#include "ui/memory_list_view.h"
#include "ui/window_ops.h"

namespace quorvan {

// The rows and columns of the list as a Qt model. The texts live in a MemoryListView; the model
// only tells the view what changed, and the view draws only what is on screen, so a refresh of
// thousands of rows stays cheap.
class QtListModel final : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  const MemoryListView& Rows() const { return rows_; }
  void InsertColumn(int column, std::string_view header);
  void Clear();
  int InsertRow(int row, std::string_view text, ItemData data);
  void SetCell(int row, int column, std::string_view text);
  void SetItemData(int row, ItemData data) { rows_.SetItemData(row, data); }
  void Sort(ListView::CompareFunction compare, void* context);
  // One model reset for a whole rebuild, instead of a signal per row and per cell: measured,
  // the cheapest way for a view to take thousands of new rows.
  void BeginRebuild();
  void EndRebuild();

 private:
  MemoryListView rows_;
  bool rebuilding_ = false;
};

// The list view of the window operations over a QTreeView in report style.
class QtListView final : public ListView {
 public:
  explicit QtListView(QTreeView& view);

  uint32_t ExtendedStyle() const override { return extendedStyle_; }
  void SetExtendedStyle(uint32_t style) override;
  void InsertColumn(int column, std::string_view header, int widthPx) override;
  void DeleteAllRows() override { model_->Clear(); }
  int RowCount() const override { return model_->Rows().RowCount(); }
  int InsertRow(int row, std::string_view text, ItemData data) override {
    return model_->InsertRow(row, text, data);
  }
  void SetCellText(int row, int column, std::string_view text) override {
    model_->SetCell(row, column, text);
  }
  std::string CellText(int row, int column) const override {
    return model_->Rows().CellText(row, column);
  }
  void SetItemData(int row, ItemData data) override { model_->SetItemData(row, data); }
  void SortRows(CompareFunction compare, void* context) override { model_->Sort(compare, context); }
  void BeginRebuild() override { model_->BeginRebuild(); }
  void EndRebuild() override { model_->EndRebuild(); }

 private:
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

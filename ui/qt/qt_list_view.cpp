#include "ui/qt/qt_list_view.h"

#include <QHeaderView>
#include <algorithm>
#include <numeric>

namespace quorvan {

int QtListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int QtListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(headers_.size());
}

QVariant QtListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !Contains(index.row(), index.column())) return {};
  if (role == Qt::DisplayRole) return rows_[index.row()].cells[index.column()];
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

QVariant QtListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 ||
      section >= static_cast<int>(headers_.size())) {
    return {};
  }
  if (role == Qt::DisplayRole) return headers_[section];
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

bool QtListModel::Contains(int row, int column) const {
  return row >= 0 && row < static_cast<int>(rows_.size()) && column >= 0 &&
         column < static_cast<int>(headers_.size());
}

void QtListModel::InsertColumn(int column, const QString& header) {
  column = std::clamp<int>(column, 0, headers_.size());
  beginInsertColumns(QModelIndex(), column, column);
  headers_.insert(headers_.begin() + column, header);
  for (Row& row : rows_) row.cells.insert(row.cells.begin() + column, QString());
  endInsertColumns();
}

void QtListModel::Clear() {
  beginResetModel();
  rows_.clear();
  endResetModel();
}

int QtListModel::InsertRow(int row, const QString& text, ItemData data) {
  if (headers_.empty() || row < 0) return -1;
  row = std::min<int>(row, rows_.size());
  beginInsertRows(QModelIndex(), row, row);
  Row inserted{std::vector<QString>(headers_.size()), data};
  inserted.cells[0] = text;
  rows_.insert(rows_.begin() + row, std::move(inserted));
  endInsertRows();
  return row;
}

void QtListModel::SetCell(int row, int column, const QString& text) {
  if (!Contains(row, column)) return;
  rows_[row].cells[column] = text;
  const QModelIndex changed = index(row, column);
  emit dataChanged(changed, changed, {Qt::DisplayRole});
}

QString QtListModel::Cell(int row, int column) const {
  return Contains(row, column) ? rows_[row].cells[column] : QString();
}

void QtListModel::SetItemData(int row, ItemData data) {
  if (row >= 0 && row < static_cast<int>(rows_.size())) rows_[row].data = data;
}

void QtListModel::Sort(ListView::CompareFunction compare, void* context) {
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  // Sort an order and apply it afterwards, so the compare function may read cells while the
  // sort runs and sees them as they stood when it began.
  std::vector<int> order(rows_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return compare(rows_[a].data, rows_[b].data, context) < 0;
  });
  std::vector<int> newRowOf(rows_.size());
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  for (int i = 0; i < static_cast<int>(order.size()); ++i) {
    newRowOf[order[i]] = i;
    sorted.push_back(std::move(rows_[order[i]]));
  }
  rows_ = std::move(sorted);
  // Selection and the current row follow their rows, as in a native list view.
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& old : before) after.append(index(newRowOf[old.row()], old.column()));
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QtListView::QtListView(QTreeView& view) : view_(view), model_(new QtListModel(&view)) {
  view_.setModel(model_);
  view_.setRootIsDecorated(false);
  view_.setItemsExpandable(false);
  view_.setUniformRowHeights(true);
  view_.setSortingEnabled(false);  // rows are sorted by the list logic, on a header click
  view_.setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_.setSelectionBehavior(QAbstractItemView::SelectItems);
  view_.setAllColumnsShowFocus(false);
  view_.header()->setSectionsClickable(true);
  view_.header()->setSectionsMovable(false);
  view_.header()->setStretchLastSection(false);
  view_.header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void QtListView::SetExtendedStyle(uint32_t style) {
  extendedStyle_ = style;
  const bool fullRow = (style & kListStyleFullRowSelect) != 0;
  view_.setSelectionBehavior(fullRow ? QAbstractItemView::SelectRows
                                     : QAbstractItemView::SelectItems);
  view_.setAllColumnsShowFocus(fullRow);
}

void QtListView::InsertColumn(int column, std::string_view header, int widthPx) {
  model_->InsertColumn(column, FromUtf8(header));
  view_.setColumnWidth(std::clamp(column, 0, model_->columnCount() - 1), widthPx);
}

int QtListView::InsertRow(int row, std::string_view text, ItemData data) {
  return model_->InsertRow(row, FromUtf8(text), data);
}

void QtListView::SetCellText(int row, int column, std::string_view text) {
  model_->SetCell(row, column, FromUtf8(text));
}

std::string QtListView::CellText(int row, int column) const {
  return model_->Cell(row, column).toStdString();
}

void QtLabel::SetText(std::string_view text) { label_.setText(FromUtf8(text)); }

}  // namespace quorvan

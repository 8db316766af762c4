#include "ui/qt/qt_list_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <algorithm>
#include <string>

#include "ui/network_list.h"

namespace quorvan {
namespace {

const QVariant kLeftAligned = QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);

}  // namespace

int QtListModel::RowCount() const {
  return showingRecords_ ? static_cast<int>(records_.size()) : rows_.RowCount();
}

std::string QtListModel::CellText(int row, int column) const {
  if (!showingRecords_) return rows_.CellText(row, column);
  if (row < 0 || row >= RowCount() || column < 0 || column >= columnCount()) return {};
  const RecordRow& shown = records_[static_cast<std::size_t>(row)];
  if (column == ColumnNumber(Column::kIndex)) return std::to_string(shown.number);
  return RecordCellText(*shown.record, static_cast<Column>(column));
}

int QtListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : RowCount();
}

int QtListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.Columns().size());
}

QVariant QtListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole) return FromUtf8(CellText(index.row(), index.column()));
  // The whole text, for a cell too narrow to show it.
  if (role == Qt::ToolTipRole) {
    const std::string text = CellText(index.row(), index.column());
    return text.empty() ? QVariant() : QVariant(FromUtf8(text));
  }
  if (role == Qt::TextAlignmentRole) return kLeftAligned;
  return {};
}

QVariant QtListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  const auto& columns = rows_.Columns();
  if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(columns.size())) {
    return {};
  }
  if (role == Qt::DisplayRole) return FromUtf8(columns[section].header);
  if (role == Qt::TextAlignmentRole) return kLeftAligned;
  return {};
}

std::string QtListModel::RowsAsText(std::span<const int> rows) const {
  std::string text;
  AppendListLine(text, rows_.Headers());
  std::vector<std::string> cells;
  for (const int row : rows) {
    cells.clear();
    for (int column = 0; column < columnCount(); ++column) cells.push_back(CellText(row, column));
    AppendListLine(text, cells);
  }
  return text;
}

void QtListModel::ShowRecords(std::span<TrackedNetwork* const> records) {
  beginResetModel();
  rows_.DeleteAllRows();
  records_.clear();
  records_.reserve(records.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    records_.push_back({records[i], static_cast<int>(i) + 1, static_cast<ItemData>(i)});
  }
  showingRecords_ = true;
  endResetModel();
}

void QtListModel::ToTexts() {
  if (!showingRecords_) return;
  // No signal: the texts are those the view was shown.
  MemoryListView texts;
  for (const auto& column : rows_.Columns()) {
    texts.InsertColumn(static_cast<int>(texts.Columns().size()), column.header, column.widthPx);
  }
  for (int row = 0; row < RowCount(); ++row) {
    texts.InsertRow(row, CellText(row, 0), records_[static_cast<std::size_t>(row)].data);
    for (int column = 1; column < columnCount(); ++column) {
      texts.SetCellText(row, column, CellText(row, column));
    }
  }
  rows_ = std::move(texts);
  records_.clear();
  showingRecords_ = false;
}

void QtListModel::SetItemData(int row, ItemData data) {
  if (!showingRecords_) {
    rows_.SetItemData(row, data);
  } else if (row >= 0 && row < RowCount()) {
    records_[static_cast<std::size_t>(row)].data = data;
  }
}

void QtListModel::InsertColumn(int column, std::string_view header) {
  ToTexts();
  column = std::clamp<int>(column, 0, columnCount());
  beginInsertColumns(QModelIndex(), column, column);
  rows_.InsertColumn(column, header, 0);
  endInsertColumns();
}

void QtListModel::BeginRebuild() {
  if (rebuilding_) return;
  beginResetModel();
  rebuilding_ = true;
}

void QtListModel::EndRebuild() {
  if (!rebuilding_) return;
  rebuilding_ = false;
  endResetModel();
}

void QtListModel::Clear() {
  if (rebuilding_) {
    rows_.DeleteAllRows();
    records_.clear();
    showingRecords_ = false;
    return;
  }
  beginResetModel();
  rows_.DeleteAllRows();
  records_.clear();
  showingRecords_ = false;
  endResetModel();
}

int QtListModel::InsertRow(int row, std::string_view text, ItemData data) {
  ToTexts();
  if (rebuilding_) return rows_.InsertRow(row, text, data);
  if (columnCount() == 0 || row < 0) return -1;
  row = std::min(row, rowCount());
  beginInsertRows(QModelIndex(), row, row);
  rows_.InsertRow(row, text, data);
  endInsertRows();
  return row;
}

void QtListModel::SetCell(int row, int column, std::string_view text) {
  ToTexts();
  rows_.SetCellText(row, column, text);
  if (rebuilding_ || row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) {
    return;
  }
  const QModelIndex changed = index(row, column);
  emit dataChanged(changed, changed, {Qt::DisplayRole});
}

void QtListModel::Sort(ListView::CompareFunction compare, void* context) {
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<int> newRowOf;
  if (showingRecords_) {
    newRowOf = SortRowsByItemData(records_, compare, context);
  } else {
    newRowOf = rows_.Sort(compare, context);
  }
  // Selection and the current row follow their rows, as in a native list view.
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& old : before) after.append(index(newRowOf[old.row()], old.column()));
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ListTreeView::SetPlaceholderText(const QString& text) {
  if (text == placeholder_) return;
  placeholder_ = text;
  viewport()->update();
}

bool ListTreeView::ShowsPlaceholder() const {
  return !placeholder_.isEmpty() && (model() == nullptr || model()->rowCount() == 0);
}

void ListTreeView::keyPressEvent(QKeyEvent* event) {
  if (copy_ && event->matches(QKeySequence::Copy)) {
    copy_();
    event->accept();
    return;
  }
  QTreeView::keyPressEvent(event);
}

void ListTreeView::paintEvent(QPaintEvent* event) {
  QTreeView::paintEvent(event);
  if (!ShowsPlaceholder()) return;
  QPainter painter(viewport());
  painter.setPen(palette().color(QPalette::PlaceholderText));
  const int margin = fontMetrics().averageCharWidth() * 2;
  painter.drawText(viewport()->rect().adjusted(margin, 0, -margin, 0),
                   Qt::AlignCenter | Qt::TextWordWrap, placeholder_);
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

void QtListView::ClearSortIndicator() { view_.header()->setSortIndicatorShown(false); }

std::string QtListView::SelectedRowsAsText() const {
  std::vector<int> rows;
  for (const QModelIndex& index : view_.selectionModel()->selectedIndexes()) {
    rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return model_->RowsAsText(rows);
}

void QtListView::SetExtendedStyle(uint32_t style) {
  extendedStyle_ = style;
  const bool fullRow = (style & kListStyleFullRowSelect) != 0;
  view_.setSelectionBehavior(fullRow ? QAbstractItemView::SelectRows
                                     : QAbstractItemView::SelectItems);
  view_.setAllColumnsShowFocus(fullRow);
}

void QtListView::InsertColumn(int column, std::string_view header, int widthPx) {
  model_->InsertColumn(column, header);
  view_.setColumnWidth(std::clamp(column, 0, model_->columnCount() - 1), widthPx);
}

void QtLabel::SetText(std::string_view text) { label_.setText(FromUtf8(text)); }

}  // namespace quorvan

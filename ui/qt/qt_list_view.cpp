#include "ui/qt/qt_list_view.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <charconv>
#include <limits>
#include <string>

#include "ui/ssid_text.h"

namespace quorvan {
namespace {

const QVariant kLeftAligned = QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);

// The longest row, the index, the SSID and every other cell at its longest, fits the ends' type.
static_assert(kCellSize * kColumnCount + kSsidCellSize <= std::numeric_limits<uint16_t>::max());
static_assert(kSsidCellSize >= kCellSize);

}  // namespace

int QtListModel::RowCount() const {
  return showingRecords_ ? static_cast<int>(shown_.size()) : rows_.RowCount();
}

std::string_view QtListModel::ShownCell(int row, int column) const {
  if (row < 0 || row >= RowCount() || column < 0 || column >= columnCount() ||
      column >= kColumnCount) {
    return {};
  }
  const ShownRow& shown = shown_[static_cast<std::size_t>(row)];
  const std::size_t begin = column == 0 ? 0 : shown.ends[static_cast<std::size_t>(column) - 1];
  const std::size_t end = shown.ends[static_cast<std::size_t>(column)];
  return std::string_view(texts_).substr(shown.start + begin, end - begin);
}

std::string QtListModel::CellText(int row, int column) const {
  if (!showingRecords_) return rows_.CellText(row, column);
  return std::string(ShownCell(row, column));
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
  // A network not heard in the last cycle fades: half way from the text's colour to the
  // background's, so that it reads on light and dark themes alike.
  if (role == Qt::ForegroundRole && RowNotSeen(index.row())) {
    const QPalette palette = QGuiApplication::palette();
    const QColor text = palette.color(QPalette::Text);
    const QColor base = palette.color(QPalette::Base);
    return QColor((text.red() + base.red()) / 2, (text.green() + base.green()) / 2,
                  (text.blue() + base.blue()) / 2);
  }
  return {};
}

bool QtListModel::RowNotSeen(int row) const {
  return showingRecords_ && row >= 0 && row < RowCount() &&
         shown_[static_cast<std::size_t>(row)].notSeen;
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
  shown_.clear();
  texts_.clear();
  shown_.reserve(records.size());
  char cell[kSsidCellSize];
  for (std::size_t i = 0; i < records.size(); ++i) {
    ShownRow& shown = shown_.emplace_back();
    shown.start = texts_.size();
    shown.data = static_cast<ItemData>(i);
    shown.notSeen = records[i]->seen != 1;
    const auto endCell = [&](int column) {
      shown.ends[static_cast<std::size_t>(column)] =
          static_cast<uint16_t>(texts_.size() - shown.start);
    };
    // The row's place at the refresh, counted from 1, then the record's cells.
    texts_.append(cell, std::to_chars(cell, cell + sizeof cell, i + 1).ptr);
    endCell(ColumnNumber(Column::kIndex));
    for (int column = ColumnNumber(Column::kActivity); column < kColumnCount; ++column) {
      texts_.append(cell,
                    FormatRecordCell(*records[i], static_cast<Column>(column), cell, sizeof cell));
      endCell(column);
    }
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
    texts.InsertRow(row, ShownCell(row, 0), shown_[static_cast<std::size_t>(row)].data);
    for (int column = 1; column < columnCount(); ++column) {
      texts.SetCellText(row, column, ShownCell(row, column));
    }
  }
  rows_ = std::move(texts);
  shown_.clear();
  texts_.clear();
  showingRecords_ = false;
}

void QtListModel::SetItemData(int row, ItemData data) {
  if (!showingRecords_) {
    rows_.SetItemData(row, data);
  } else if (row >= 0 && row < RowCount()) {
    shown_[static_cast<std::size_t>(row)].data = data;
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
  if (!rebuilding_) beginResetModel();
  rows_.DeleteAllRows();
  shown_.clear();
  texts_.clear();
  showingRecords_ = false;
  if (!rebuilding_) endResetModel();
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
    newRowOf = SortRowsByItemData(shown_, compare, context);
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

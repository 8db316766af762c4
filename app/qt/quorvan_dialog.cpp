#include "app/qt/quorvan_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QVBoxLayout>
#include <algorithm>
#include <string>

#include "app/about_box.h"
#include "ui/column_sort.h"
#include "ui/qt/pane_from_store.h"

namespace quorvan {
namespace {

// Dialog units as Windows converts them: a quarter of the dialog font's average character width
// horizontally and an eighth of its height vertically.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters =
        metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    baseX_ = (letters / 26 + 1) / 2;
    baseY_ = metrics.height();
  }
  int X(int units) const { return (units * baseX_ + 2) / 4; }
  int Y(int units) const { return (units * baseY_ + 4) / 8; }
  QRect Rect(int x, int y, int width, int height) const {
    return QRect(X(x), Y(y), X(width), Y(height));
  }

 private:
  int baseX_ = 6;
  int baseY_ = 13;
};

QFont DialogFont() {
  QFont font("MS Shell Dlg", 8);  // falls back to the desktop's sans-serif face
  font.setStyleHint(QFont::SansSerif);
  return font;
}

}  // namespace

QIcon ApplicationIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 96}) {
    icon.addFile(QStringLiteral(":/quorvan/icons/quorvan-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setFont(DialogFont());
  setWindowTitle(FromUtf8(kAboutCaption));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  const DialogUnits du(font());
  setFixedSize(du.X(235), du.Y(55));

  auto* icon = new QLabel(this);
  icon->setGeometry(du.Rect(11, 17, 20, 20));
  icon->setPixmap(ApplicationIcon().pixmap(32, 32));
  icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  auto* text = new QLabel(this);
  text->setObjectName("aboutText");
  text->setTextFormat(Qt::PlainText);  // no "&" processing, no markup
  text->setText(FromUtf8(kAboutText));
  text->setGeometry(du.Rect(40, 10, 119, 8));

  auto* ok = new QPushButton(FromUtf8(kAboutButton), this);
  ok->setGeometry(du.Rect(178, 7, 50, 16));
  ok->setDefault(true);
  ok->setAutoDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

QuorvanDialog::QuorvanDialog(TimerScale scale, QWidget* parent)
    : QDialog(parent),
      view_(new ListTreeView(this)),
      pane_(new DetailsPane(this)),
      statusLabel_(new QLabel(this)),
      list_(*view_),
      status_(*statusLabel_),
      timers_(scale),
      behaviour_(*this) {
  setFont(DialogFont());
  setWindowTitle("quorvan");
  // A window of its own rather than a dialog, so that window managers offer maximise.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  const DialogUnits du(font());
  // The size and margins of the Windows dialog, and the pane below them; the list takes
  // whatever size the user gives, the pane keeps its height until the user drags the splitter.
  const int paneHeight = du.Y(180);
  resize(du.X(547), du.Y(289) + paneHeight);
  setMinimumSize(du.X(120), du.Y(60));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(du.X(7), du.Y(7), du.X(7), du.Y(7));
  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->setObjectName("paneSplitter");
  splitter->setChildrenCollapsible(true);
  splitter->addWidget(view_);
  splitter->addWidget(pane_);
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 0);
  splitter->setSizes({du.Y(289 - 14), paneHeight});
  layout->addWidget(splitter);
  view_->setObjectName("networkList");
  view_->setFrameShape(QFrame::StyledPanel);
  view_->setFocusPolicy(Qt::StrongFocus);
  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  view_->SetCopyHandler([this] { CopySelectedRows(); });
  connect(view_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    const auto menu = BuildContextMenu();
    QAction* chosen = menu->exec(view_->viewport()->mapToGlobal(at));
    if (chosen != nullptr && chosen->data().isValid()) {
      behaviour_.OnSysCommand(chosen->data().toUInt());
    }
  });
  connect(view_->header(), &QHeaderView::sectionClicked, this, [this](int column) {
    behaviour_.OnColumnClick(column);
    // The column just sorted, in the direction it was sorted; the next refresh clears it.
    QHeaderView* header = view_->header();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(
        column, ProcessSortState().sortDescending != 0 ? Qt::DescendingOrder : Qt::AscendingOrder);
  });

  connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { UpdatePane(); });

  statusLabel_->setObjectName("statusLabel");
  statusLabel_->setText("NO INTERFACE");
  statusLabel_->setGeometry(du.Rect(7, 7, 116, 8));
  statusLabel_->hide();

  auto* about = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(about, &QShortcut::activated, this, [this] { behaviour_.OnSysCommand(kAboutCommand); });

  behaviour_.OnInitDialog();
  view_->setFocus();
}

QuorvanDialog::~QuorvanDialog() { behaviour_.OnDestroy(); }

void QuorvanDialog::SetTitle(std::string_view title) { setWindowTitle(FromUtf8(title)); }

void QuorvanDialog::StartTimer(int timer, int periodMs) {
  timers_.Start(timer, periodMs, [this](int fired) { OnTimer(fired); });
}

int QuorvanDialog::TimerPeriodMs(int timer) const { return timers_.PeriodMs(timer); }

void QuorvanDialog::ShowEmptyListReason(std::function<std::string()> reason) {
  emptyListReason_ = std::move(reason);
  OnTimer(0);  // no timer of the behaviour's: only the reason is asked
}

void QuorvanDialog::OnTimer(int timer) {
  if (timer == kScanTimer) {
    // The cycle rebuilds the rows, which drops the selection; the user chose networks, not
    // lines, so the same networks are selected again wherever the refresh put them.
    const std::vector<std::string> chosen = SelectedMacs();
    behaviour_.OnTimer(timer);
    SelectMacs(chosen);
    UpdatePane();
  } else {
    behaviour_.OnTimer(timer);
  }
  view_->SetPlaceholderText(emptyListReason_ ? FromUtf8(emptyListReason_()) : QString());
}

void QuorvanDialog::AppendWindowMenuSeparator() { windowMenu_.push_back({0, QString()}); }

void QuorvanDialog::AppendWindowMenuItem(unsigned command, std::string_view text) {
  windowMenu_.push_back({command, FromUtf8(text)});
}

std::string QuorvanDialog::LoadResourceString(int id) {
  return id == kAboutMenuString ? std::string(kAboutMenuText) : std::string();
}

void QuorvanDialog::SetIcon(IconSize) {
  // Qt picks the size it needs from one icon, so big and small are the same call.
  setWindowIcon(ApplicationIcon());
}

void QuorvanDialog::RunAboutBox() {
  CAboutDlg about(this);
  about.exec();
}

void QuorvanDialog::CopySelectedRows() {
  // Nothing selected, nothing copied: the clipboard keeps what the user put there.
  if (!view_->selectionModel()->hasSelection()) return;
  const std::string text = list_.SelectedRowsAsText();
  QApplication::clipboard()->setText(FromUtf8(text));
}

void QuorvanDialog::SetDetailsStore(const DetailsStore* store) {
  store_ = store;
  UpdatePane();
}

std::vector<std::string> QuorvanDialog::SelectedMacs() const {
  std::vector<std::string> macs;
  const QAbstractItemModel& model = *view_->model();
  for (const QModelIndex& row : view_->selectionModel()->selectedRows()) {
    macs.push_back(
        model.index(row.row(), ColumnNumber(Column::kMac)).data().toString().toStdString());
  }
  return macs;
}

void QuorvanDialog::SelectMacs(const std::vector<std::string>& macs) {
  if (macs.empty()) return;
  const QAbstractItemModel& model = *view_->model();
  QItemSelection rows;
  for (int row = 0; row < model.rowCount(); ++row) {
    const std::string mac =
        model.index(row, ColumnNumber(Column::kMac)).data().toString().toStdString();
    if (std::find(macs.begin(), macs.end(), mac) != macs.end()) {
      rows.select(model.index(row, 0), model.index(row, model.columnCount() - 1));
    }
  }
  // One change, one update of the pane (by the caller).
  const QSignalBlocker quiet(view_->selectionModel());
  view_->selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
  view_->viewport()->update();
}

void QuorvanDialog::UpdatePane() {
  if (store_ == nullptr) {
    PaneContent nothing;
    nothing.anySelected = view_->selectionModel()->hasSelection();
    pane_->Show(std::move(nothing));
    return;
  }
  // The rows as the list shows them now: the records behind them may be gone already.
  const QAbstractItemModel& model = *view_->model();
  const QItemSelectionModel& selection = *view_->selectionModel();
  std::vector<ListedNetwork> rows(static_cast<std::size_t>(model.rowCount()));
  for (int row = 0; row < model.rowCount(); ++row) {
    ListedNetwork& listed = rows[static_cast<std::size_t>(row)];
    listed.mac = model.index(row, ColumnNumber(Column::kMac)).data().toString().toStdString();
    listed.ssid = model.index(row, ColumnNumber(Column::kSsid)).data().toString();
    listed.selected = selection.isRowSelected(row);
  }
  pane_->Show(PaneContentFromStore(*store_, rows));
}

std::unique_ptr<QMenu> QuorvanDialog::BuildContextMenu() {
  auto menu = std::make_unique<QMenu>(this);
  QAction* copy = menu->addAction("Copy", this, [this] { CopySelectedRows(); });
  copy->setShortcut(QKeySequence::Copy);
  copy->setEnabled(view_->selectionModel()->hasSelection());
  for (const MenuEntry& entry : windowMenu_) {
    // A separator leads nowhere when nothing stands above it in this menu of our own.
    if (entry.command == 0) {
      if (!menu->isEmpty()) menu->addSeparator();
    } else {
      menu->addAction(entry.text)->setData(entry.command);
    }
  }
  return menu;
}

QStringList QuorvanDialog::WindowMenuTexts() const {
  QStringList texts;
  for (const MenuEntry& entry : windowMenu_) texts << entry.text;
  return texts;
}

void QuorvanDialog::keyPressEvent(QKeyEvent* event) {
  // Enter and Escape end the dialog, as OK and Cancel do for a Windows dialog without buttons.
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      accept();
      return;
    case Qt::Key_Escape:
      reject();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void QuorvanDialog::done(int result) {
  timers_.Clear();
  behaviour_.OnDestroy();
  list_.DeleteAllRows();  // a closed window lists nothing, as its table holds nothing
  QDialog::done(result);
}

}  // namespace quorvan

// The Linux window over the real Qt widgets, on the offscreen platform. Every test opens its own
// window with QAbstractItemModelTester watching the list's model, so each change a test makes
// (refreshes, sorts, closing) is also checked against Qt's rules for models.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QCryptographicHash>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMenu>
#include <QPalette>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/qt/quorvan_dialog.h"
#include "tests/support/fake_wlan.h"
#include "tracking/scan_cycle.h"

namespace quorvan {
namespace {

using testing::BssEntry;
using BssLists = std::vector<std::vector<WlanBss>>;

const std::string kLongName = "Hotel Grand Europa Lobby 5G";
const std::string kHeaderLine =
    "index\t活动因子\tMAC地址\tS S I D\t信号强度 (dbm)\t链路质量(%)\tChannel\tullTimestamp\t"
    "ullHostTimestamp\tEncryption\tBeaconPeriod\tUsername\tPassword\n";

// Four networks, one with a Chinese name.
BssLists FourNetworks() {
  return {{BssEntry(1, "bravo", -50), BssEntry(2, "alpha", -70), BssEntry(3, "charlie", -60),
           BssEntry(4, "\xE5\xAE\xB6", -55)},
          {BssEntry(5, "delta", -40), BssEntry(2, "alpha", -72)}};
}

// Three networks, one with a name too long for its column; in SSID order "Hotel…" comes first
// (byte order: upper case before lower case). alpha is not heard after the first cycle.
BssLists ThreeNetworks() {
  return {{BssEntry(1, "bravo", -50), BssEntry(2, "alpha", -70), BssEntry(3, kLongName, -60)},
          {BssEntry(1, "bravo", -50), BssEntry(3, kLongName, -60)}};
}

class QtWindow : public ::testing::Test {
 public:
  // Opens a new window on a new radio that answers `lists`, one per query, and waits until it
  // shows.
  ::testing::AssertionResult Open(BssLists lists, std::function<std::string()> reason = {}) {
    tester_.reset();
    dialog_.reset();
    radio_.reset();
    testing::FakeAnswers answers;
    answers.lists = std::move(lists);
    radio_.emplace(std::move(answers));
    dialog_ = std::make_unique<QuorvanDialog>();
    if (reason) dialog_->ShowEmptyListReason(std::move(reason));
    tester_ = std::make_unique<QAbstractItemModelTester>(
        Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    dialog_->show();
    if (!QTest::qWaitForWindowExposed(dialog_.get())) {
      return ::testing::AssertionFailure() << "the window never showed";
    }
    return ::testing::AssertionSuccess();
  }

  QuorvanDialog& Dialog() { return *dialog_; }
  ListTreeView& List() { return dialog_->ListWidget(); }
  QAbstractItemModel* Model() { return List().model(); }

  // The texts of one column top to bottom.
  std::string ColumnTexts(int column) {
    QStringList texts;
    for (int row = 0; row < Model()->rowCount(); ++row) {
      texts << Model()->data(Model()->index(row, column)).toString();
    }
    return texts.join("|").toStdString();
  }

  void ClickHeader(int column) {
    QHeaderView* header = List().header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
  }

  void SelectRows(const std::vector<int>& rows) {
    List().selectionModel()->clear();
    for (const int row : rows) {
      List().selectionModel()->select(Model()->index(row, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }

 private:
  std::optional<testing::ScopedFakeWlan> radio_;
  std::unique_ptr<QuorvanDialog> dialog_;
  std::unique_ptr<QAbstractItemModelTester> tester_;  // goes before the model it watches
};

// The dialog's caption, the thirteen headers, and no status label.
TEST_F(QtWindow, OpensAsTheDialog) {
  ASSERT_TRUE(Open(FourNetworks()));
  EXPECT_EQ(Dialog().windowTitle(), "quorvan");
  EXPECT_TRUE(Dialog().StatusWidget().isHidden());
  QStringList headers;
  for (int c = 0; c < Model()->columnCount(); ++c) {
    headers << Model()->headerData(c, Qt::Horizontal).toString();
  }
  EXPECT_EQ(headers.join("|").toStdString(),
            "index|活动因子|MAC地址|S S I D|信号强度 (dbm)|链路质量(%)|Channel|ullTimestamp|"
            "ullHostTimestamp|Encryption|BeaconPeriod|Username|Password");
}

// The rows open in SSID byte order; a header click sorts them by that column's text, byte by
// byte, each click flipping the one direction shared by all columns; the index texts travel
// with their rows.
TEST_F(QtWindow, HeaderClicksSortByColumnText) {
  const struct {
    BssLists (*lists)();
    std::vector<int> clicks;
    int column;
    std::string texts;
  } cases[] = {
      {FourNetworks, {}, 3, "alpha|bravo|charlie|\xE5\xAE\xB6"},
      {FourNetworks, {5}, 5, "100|60|80|90"},
      {FourNetworks, {5, 5}, 5, "90|80|60|100"},
      {FourNetworks, {5, 5}, 0, "4|3|1|2"},
      {FourNetworks, {3, 5}, 5, "90|80|60|100"},
      {ThreeNetworks, {3}, 3, kLongName + "|alpha|bravo"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.clicks) + " column " + std::to_string(c.column));
    ASSERT_TRUE(Open(c.lists()));
    for (const int column : c.clicks) ClickHeader(column);
    EXPECT_EQ(ColumnTexts(c.column), c.texts);
  }
}

TEST_F(QtWindow, RefreshPutsChangedRowsBackInSsidOrder) {
  ASSERT_TRUE(Open(FourNetworks()));
  ClickHeader(5);
  ClickHeader(5);
  Dialog().Behaviour().RunScanCycle();
  EXPECT_EQ(ColumnTexts(3), "alpha|bravo|charlie|delta|\xE5\xAE\xB6");
  EXPECT_EQ(ColumnTexts(0), "1|2|3|4|5");
}

// The header shows the column last clicked and its direction, until a refresh restores SSID
// order.
TEST_F(QtWindow, SortIndicatorFollowsTheLastClickUntilTheRefresh) {
  const struct {
    std::vector<int> clicks;
    bool refresh;
    std::optional<std::pair<int, Qt::SortOrder>> indicator;  // none when not shown
  } cases[] = {
      {{}, false, std::nullopt},
      {{3}, false, std::pair(3, Qt::AscendingOrder)},
      {{3, 1}, false, std::pair(1, Qt::DescendingOrder)},
      {{3, 1}, true, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.clicks) + (c.refresh ? " then a refresh" : ""));
    ASSERT_TRUE(Open(ThreeNetworks()));
    for (const int column : c.clicks) ClickHeader(column);
    if (c.refresh) Dialog().OnTimer(kScanTimer);
    QHeaderView* header = List().header();
    ASSERT_EQ(header->isSortIndicatorShown(), c.indicator.has_value());
    if (!c.indicator) continue;
    EXPECT_EQ(header->sortIndicatorSection(), c.indicator->first);
    EXPECT_EQ(header->sortIndicatorOrder(), c.indicator->second);
  }
}

TEST_F(QtWindow, ListFollowsTheWindowSizeKeepingItsMargins) {
  ASSERT_TRUE(Open(ThreeNetworks()));
  ListTreeView& list = List();
  // Opens at the Windows dialog's size, and can grow far beyond it.
  const QSize opening = Dialog().size();
  const QRect listAtOpening = list.geometry();
  EXPECT_LT(Dialog().minimumWidth(), opening.width());
  EXPECT_GT(Dialog().maximumWidth(), 4000);

  Dialog().resize(opening.width() + 500, opening.height() + 300);
  QApplication::processEvents();
  EXPECT_EQ(list.width(), listAtOpening.width() + 500);
  EXPECT_EQ(list.height(), listAtOpening.height() + 300);
  EXPECT_EQ(list.geometry().topLeft(), listAtOpening.topLeft());

  Dialog().showMaximized();
  QApplication::processEvents();
  EXPECT_EQ(Dialog().width() - list.width(), opening.width() - listAtOpening.width());
}

// Every cell tells its whole text as its tooltip, for a cell too narrow to show it; an empty
// one tells nothing.
TEST_F(QtWindow, CellTooltipIsItsWholeText) {
  const struct {
    int row, column;
    std::optional<std::string> tip;
  } cases[] = {
      {0, 3, kLongName},
      {1, 2, "00 00 00 00 00 02"},
      {0, 11, std::nullopt},
  };
  ASSERT_TRUE(Open(ThreeNetworks()));
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(c.row) + " column " + std::to_string(c.column));
    const QVariant tip = Model()->data(Model()->index(c.row, c.column), Qt::ToolTipRole);
    ASSERT_EQ(tip.isValid(), c.tip.has_value());
    if (c.tip) {
      EXPECT_EQ(tip.toString().toStdString(), *c.tip);
    }
  }
}

TEST_F(QtWindow, ShiftDownExtendsTheSelectionByWholeRows) {
  ASSERT_TRUE(Open(ThreeNetworks()));
  List().setCurrentIndex(Model()->index(0, 0));
  QTest::keyClick(&List(), Qt::Key_Down, Qt::ShiftModifier);
  QTest::keyClick(&List(), Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(List().selectionModel()->selectedRows().size(), 3);
}

// Copy puts the selected rows on the clipboard under the header line, exactly as --list prints
// them, from the copy key or the context menu's entry; with nothing selected the clipboard keeps
// what it had.
TEST_F(QtWindow, CopyPutsTheSelectedRowsOnTheClipboard) {
  enum class CopyBy { kKey, kMenu };
  // The rows after the first cycle.
  const std::string hotel = "1\t16\t00 00 00 00 00 03\t" + kLongName +
                            "\t40  0  0  0  0\t80\t   6  2437000\t0x0\t0x0\t0,wep \t0\t\t\n";
  const std::string bravo =
      "3\t16\t00 00 00 00 00 01\tbravo\t50  0  0  0  0\t100\t   6  2437000\t0x0\t0x0\t0,wep "
      "\t0\t\t\n";
  // After a second cycle that did not hear alpha: its link quality is blank.
  const std::string alphaUnheard =
      "2\t15\t00 00 00 00 00 02\talpha\t30  0  0  0  0\t\t   6  2437000\t0x0\t0x0\t0,wep \t0\t\t\n";
  const std::string bravoHeardTwice =
      "3\t17\t00 00 00 00 00 01\tbravo\t50 50  0  0  0\t100\t   6  2437000\t0x0\t0x0\t0,wep "
      "\t0\t\t\n";
  const struct {
    int cycles;
    std::vector<int> rows;
    CopyBy by;
    std::string clipboard;
  } cases[] = {
      {1, {}, CopyBy::kKey, "kept"},
      {1, {2, 0}, CopyBy::kKey, kHeaderLine + hotel + bravo},
      {2, {1, 2}, CopyBy::kMenu, kHeaderLine + alphaUnheard + bravoHeardTwice},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.cycles) + " cycles, rows " + ::testing::PrintToString(c.rows) +
                 (c.by == CopyBy::kKey ? " by key" : " by menu"));
    ASSERT_TRUE(Open(ThreeNetworks()));
    for (int cycle = 1; cycle < c.cycles; ++cycle) Dialog().OnTimer(kScanTimer);
    SelectRows(c.rows);
    QApplication::clipboard()->setText("kept");
    if (c.by == CopyBy::kKey) {
      QTest::keyClick(&List(), Qt::Key_C, Qt::ControlModifier);
    } else {
      Dialog().BuildContextMenu()->actions().first()->trigger();
    }
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), c.clipboard);
  }
}

// The context menu's entries as they would show now, "" for a separator, "(off)" after one
// that is disabled.
QStringList ContextMenuTexts(QuorvanDialog& dialog) {
  QStringList texts;
  const auto menu = dialog.BuildContextMenu();
  for (QAction* action : menu->actions()) {
    texts << action->text() + (action->isEnabled() ? "" : "(off)");
  }
  return texts;
}

TEST_F(QtWindow, ContextMenuOffersCopyOnlyForASelection) {
  const struct {
    std::vector<int> rows;
    QStringList entries;
  } cases[] = {
      {{}, {"Copy(off)", "", "&Info über quorvan..."}},
      {{1}, {"Copy", "", "&Info über quorvan..."}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.rows));
    ASSERT_TRUE(Open(ThreeNetworks()));
    SelectRows(c.rows);
    EXPECT_EQ(ContextMenuTexts(Dialog()), c.entries);
  }
}

// Runs `action` and plays the user meanwhile: chooses the About entry of a context menu that
// pops up, and closes the About box once it shows. Returns the About box's texts.
QStringList AboutBoxShownBy(const std::function<void()>& action) {
  QStringList shown;
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
      for (QAction* entry : menu->actions()) {
        if (entry->text().contains("quorvan")) menu->setActiveAction(entry);
      }
      QTest::keyClick(menu, Qt::Key_Return);
    } else if (auto* about = dynamic_cast<CAboutDlg*>(QApplication::activeModalWidget())) {
      user.stop();
      shown << about->windowTitle();
      for (auto* label : about->findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) shown << label->text();
      }
      auto* ok = about->findChild<QPushButton*>();
      shown << ok->text();
      QTest::mouseClick(ok, Qt::LeftButton);
    }
  });
  user.start(10);
  action();
  return shown;
}

TEST_F(QtWindow, AboutBoxOpensFromF1AndTheContextMenu) {
  const struct {
    const char* way;
    std::function<void(QuorvanDialog&)> open;
  } cases[] = {
      {"F1", [](QuorvanDialog& d) { QTest::keyClick(&d.ListWidget(), Qt::Key_F1); }},
      {"context menu",
       [](QuorvanDialog& d) { emit d.ListWidget().customContextMenuRequested(QPoint(10, 10)); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.way);
    ASSERT_TRUE(Open(FourNetworks()));
    EXPECT_EQ(AboutBoxShownBy([&] { c.open(Dialog()); }),
              QStringList({"Quorvan", "quorvan Version 1.0", "OK"}));
  }
}

// Escape and Enter end the window as Cancel and OK end a Windows dialog without buttons; the
// records go with it, and so do the rows that showed them.
TEST_F(QtWindow, EscapeAndEnterCloseTheWindowAndDestroyTheRecords) {
  for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
    SCOPED_TRACE(key);
    ASSERT_TRUE(Open(FourNetworks()));
    QTest::keyClick(&List(), key);
    EXPECT_FALSE(Dialog().isVisible());
    EXPECT_TRUE(Dialog().Behaviour().Table().empty());
    EXPECT_EQ(Model()->rowCount(), 0);
  }
}

// Takes the record of `mac` out of `table` as a cycle's eviction does, and stops there: in the
// program the refresh follows in the same handler, here the window's events run first.
void EvictWithoutRefresh(NetworkTable& table, std::string_view mac) {
  AdvanceHistory(table);  // nothing heard this cycle: every link quality drops to 0
  TrackedNetwork* record = table.FindByMac(mac);
  ASSERT_NE(record, nullptr);
  record->activity = 0;  // falls below zero now
  UpdateActivity(table);
  ASSERT_EQ(table.FindByMac(mac), nullptr);
}

// What the window's events read from the list: one way each.
struct ListReader {
  const char* name;
  std::string (*read)(QtWindow&);
};

void PrintTo(const ListReader& reader, std::ostream* out) { *out << reader.name; }

// What the list paints, after the events waiting for the event loop have run.
std::string PaintedPixels(QtWindow& window) {
  QApplication::processEvents();
  const QImage image = window.List().viewport()->grab().toImage();
  const QByteArray bits(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
  return QCryptographicHash::hash(bits, QCryptographicHash::Sha256).toHex().toStdString();
}

// The tooltip that hovering over alpha's link quality shows. A cell without a tip leaves the
// last tip up while it fades, so another cell is hovered first, whose tip is known.
std::string HoverTooltip(QtWindow& window) {
  ListTreeView& list = window.List();
  const auto hover = [&](int row, int column) {
    const QPoint at = list.visualRect(list.model()->index(row, column)).center();
    QHelpEvent event(QEvent::ToolTip, at, list.viewport()->mapToGlobal(at));
    QApplication::sendEvent(list.viewport(), &event);
  };
  hover(0, 2);
  EXPECT_EQ(QToolTip::text().toStdString(), "00 00 00 00 00 03");
  hover(1, 5);
  return QToolTip::text().toStdString();
}

std::string CopiedRows(QtWindow& window) {
  ListTreeView& list = window.List();
  list.selectAll();
  QApplication::clipboard()->clear();
  QTest::keyClick(&list, Qt::Key_C, Qt::ControlModifier);
  return QApplication::clipboard()->text().toStdString();
}

std::string SortedLinkQualities(QtWindow& window) {
  window.ClickHeader(5);
  const std::string ascending = window.ColumnTexts(5);
  window.ClickHeader(5);
  return ascending + " / " + window.ColumnTexts(5);
}

class ShownRowsOutliveTheirRecords : public QtWindow,
                                     public ::testing::WithParamInterface<ListReader> {};

// The list shows what the last refresh wrote, whatever the table has done with its records
// since: an evicted record's row reads as before, in paint, tooltips, copies and sorts alike,
// until the next refresh takes it away.
TEST_P(ShownRowsOutliveTheirRecords, UntilTheNextRefresh) {
  ASSERT_TRUE(Open(ThreeNetworks()));
  const std::string before = GetParam().read(*this);
  ASSERT_FALSE(before.empty());

  ASSERT_NO_FATAL_FAILURE(EvictWithoutRefresh(Dialog().Behaviour().Table(), "00 00 00 00 00 02"));
  EXPECT_EQ(GetParam().read(*this), before);

  Dialog().OnTimer(kScanTimer);
  EXPECT_EQ(ColumnTexts(3), kLongName + "|bravo");
}

INSTANTIATE_TEST_SUITE_P(
    QtWindow, ShownRowsOutliveTheirRecords,
    ::testing::Values(ListReader{"Paint", PaintedPixels}, ListReader{"Tooltip", HoverTooltip},
                      ListReader{"Copy", CopiedRows}, ListReader{"Sort", SortedLinkQualities}),
    [](const ::testing::TestParamInfo<ListReader>& test) { return std::string(test.param.name); });

// Pixels of the list's viewport, in a band across its middle, that differ from its background,
// and the darkest of them (255 for none).
struct Ink {
  int pixels = 0;
  int darkest = 255;
};
Ink InkAcrossTheMiddle(ListTreeView& list) {
  const QImage image = list.viewport()->grab().toImage();
  const QRgb background = image.pixel(image.width() - 2, image.height() - 2);
  Ink ink;
  for (int y = image.height() / 2 - 10; y < image.height() / 2 + 10; ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) == background) continue;
      ++ink.pixels;
      ink.darkest = std::min(ink.darkest, qGray(image.pixel(x, y)));
    }
  }
  return ink;
}

const char kNoInterface[] = "No wireless interface is up (wlan0 is down)";

// While the list is empty it says why, centred, in grey: even the text's darkest pixel is well
// lighter than the rows' text and well darker than the background.
TEST_F(QtWindow, EmptyListSaysWhyInGrey) {
  ASSERT_TRUE(Open(BssLists(1), [] { return kNoInterface; }));
  EXPECT_TRUE(List().ShowsPlaceholder());
  EXPECT_EQ(List().PlaceholderText().toStdString(), kNoInterface);
  const Ink shown = InkAcrossTheMiddle(List());
  EXPECT_GT(shown.pixels, 100);
  EXPECT_GT(shown.darkest, qGray(List().palette().color(QPalette::Text).rgb()) + 40);
  EXPECT_LT(shown.darkest, qGray(List().palette().color(QPalette::Base).rgb()) - 40);
}

// The reason is asked again after every timer event: once there is nothing to say, the text
// goes; and when the radio comes back and the cycle lists a row, the text goes even were the
// reason left standing.
TEST_F(QtWindow, EmptyListReasonIsAskedAfterEveryTimerAndGoesWithTheFirstRow) {
  std::string reason = kNoInterface;
  ASSERT_TRUE(Open({{}, {BssEntry(1, "bravo", -50)}}, [&reason] { return reason; }));
  reason = "This kernel has no Wi-Fi support (nl80211 is missing)";
  Dialog().OnTimer(kTickTimer);
  EXPECT_EQ(List().PlaceholderText().toStdString(), reason);
  reason.clear();
  Dialog().OnTimer(kTickTimer);
  EXPECT_TRUE(List().PlaceholderText().isEmpty());
  EXPECT_FALSE(List().ShowsPlaceholder());
  reason = kNoInterface;
  Dialog().OnTimer(kScanTimer);
  EXPECT_EQ(ColumnTexts(3), "bravo");
  EXPECT_FALSE(List().ShowsPlaceholder());
  EXPECT_EQ(InkAcrossTheMiddle(List()).pixels, 0);
}

// A replay at --speed divides the periods of both timers; the behaviour is the same.
TEST(QtWindowTimers, RunAtTheReplaysSpeed) {
  const struct {
    double speed;
    int scanMs, tickMs;
  } cases[] = {{1, 20000, 1000}, {100, 200, 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE("speed " + std::to_string(c.speed));
    testing::ScopedFakeWlan radio{{.lists = {{BssEntry(1, "alpha", -50)}}}};
    QuorvanDialog dialog{TimerScale{c.speed}};
    EXPECT_EQ(dialog.TimerPeriodMs(kScanTimer), c.scanMs);
    EXPECT_EQ(dialog.TimerPeriodMs(kTickTimer), c.tickMs);
    EXPECT_EQ(dialog.TimerPeriodMs(3), 0);
    // The timers really run that fast: two more cycles in well under the 40 s of real time.
    if (c.speed == 100) {
      EXPECT_TRUE(QTest::qWaitFor([&] { return radio->queries >= 3; }, 5000)) << radio->queries;
    }
  }
}

// Rows of networks not heard in the last cycle are dimmed, whatever order a click puts them in;
// the others keep the view's own colour.
TEST_F(QtWindow, RowsNotSeenInTheLastCycleAreDimmed) {
  ASSERT_TRUE(Open(ThreeNetworks()));
  const auto dimmed = [this] {
    std::string names;
    for (int row = 0; row < Model()->rowCount(); ++row) {
      const QVariant foreground = Model()->data(Model()->index(row, 5), Qt::ForegroundRole);
      if (!foreground.isValid()) continue;
      EXPECT_NE(foreground.value<QColor>(), QGuiApplication::palette().color(QPalette::Text));
      names +=
          Model()->data(Model()->index(row, ColumnNumber(Column::kSsid))).toString().toStdString() +
          " ";
    }
    return names;
  };
  EXPECT_EQ(dimmed(), "");
  Dialog().Behaviour().RunScanCycle();
  EXPECT_EQ(dimmed(), "alpha ");
  ClickHeader(ColumnNumber(Column::kSsid));
  ClickHeader(ColumnNumber(Column::kSsid));
  EXPECT_EQ(dimmed(), "alpha ");
}

// The cells a program writes itself reach the window's rows.
TEST_F(QtWindow, ShowsTheProgramsOwnCellTexts) {
  const ScopedCellTextOverride cells(
      [](const TrackedNetwork& record, Column column) -> std::optional<std::string_view> {
        if (column != Column::kEncryption || FieldText(record.ssid) != "bravo") return std::nullopt;
        return "0,WPA3-Personal";
      });
  ASSERT_TRUE(Open(ThreeNetworks()));
  EXPECT_EQ(ColumnTexts(ColumnNumber(Column::kEncryption)), "0,wep |0,wep |0,WPA3-Personal");
}

}  // namespace
}  // namespace quorvan

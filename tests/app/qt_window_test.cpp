// The Linux window over the real Qt widgets, on the offscreen platform.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "app/qt/quorvan_dialog.h"
#include "tests/support/fake_wlan.h"

namespace quorvan {
namespace {

using testing::BssEntry;

// The texts of one column top to bottom, or with column -1 the headers.
QString Column(QuorvanDialog& dialog, int column) {
  QStringList texts;
  QAbstractItemModel* model = dialog.ListWidget().model();
  if (column < 0) {
    for (int c = 0; c < model->columnCount(); ++c)
      texts << model->headerData(c, Qt::Horizontal).toString();
  }
  for (int row = 0; column >= 0 && row < model->rowCount(); ++row) {
    texts << model->data(model->index(row, column)).toString();
  }
  return texts.join("|");
}

// Runs `action` and plays the user meanwhile: chooses the About entry of a context menu that
// pops up, and closes the About box once it shows. Returns the About box's texts.
QStringList AboutBoxShownBy(const std::function<void()>& action) {
  QStringList shown;
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
      for (QAction* action : menu->actions()) {
        if (action->text().contains("quorvan")) menu->setActiveAction(action);
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

TEST(QtWindow, ShowsSortsOpensAboutAndCloses) {
  const testing::ScopedFakeWlan radio;
  radio->lists = {{BssEntry(1, "bravo", -50), BssEntry(2, "alpha", -70),
                   BssEntry(3, "charlie", -60), BssEntry(4, "\xE5\xAE\xB6", -55)},
                  {BssEntry(5, "delta", -40), BssEntry(2, "alpha", -72)}};
  QuorvanDialog dialog;
  // Checks the model's every change, the sorts and refreshes below included, against Qt's rules.
  const QAbstractItemModelTester tester(dialog.ListWidget().model(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  EXPECT_EQ(dialog.windowTitle(), "quorvan");
  EXPECT_EQ(Column(dialog, -1).toStdString(),
            "index|活动因子|MAC地址|S S I D|信号强度 (dbm)|链路质量(%)|Channel|ullTimestamp|"
            "ullHostTimestamp|Encryption|BeaconPeriod|Username|Password");
  EXPECT_EQ(Column(dialog, 3).toStdString(), "alpha|bravo|charlie|\xE5\xAE\xB6");
  EXPECT_TRUE(dialog.StatusWidget().isHidden());

  QHeaderView* header = dialog.ListWidget().header();
  const QPoint linkQuality(header->sectionViewportPosition(5) + 5, header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, linkQuality);
  EXPECT_EQ(Column(dialog, 5), "100|60|80|90");
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, linkQuality);
  EXPECT_EQ(Column(dialog, 5), "90|80|60|100");
  EXPECT_EQ(Column(dialog, 0), "4|3|1|2");
  dialog.Behaviour().RunScanCycle();  // the refresh restores SSID order, with the rows changed
  EXPECT_EQ(Column(dialog, 3).toStdString(), "alpha|bravo|charlie|delta|\xE5\xAE\xB6");

  const QStringList about = {"Quorvan", "quorvan Version 1.0", "OK"};
  EXPECT_EQ(AboutBoxShownBy([&] { QTest::keyClick(&dialog.ListWidget(), Qt::Key_F1); }), about);
  EXPECT_EQ(
      AboutBoxShownBy([&] { emit dialog.ListWidget().customContextMenuRequested(QPoint(10, 10)); }),
      about);

  QTest::keyClick(&dialog.ListWidget(), Qt::Key_Escape);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_TRUE(dialog.Behaviour().Table().empty());
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

// What a user does around the list: resizes and maximises the window, reads a cut SSID from its
// tooltip, sees which column is sorted which way, copies rows.
TEST(QtWindow, ResizesShowsTipsSortIndicatorAndCopiesRows) {
  const testing::ScopedFakeWlan radio;
  const std::string longName = "Hotel Grand Europa Lobby 5G";
  radio->lists = {
      {BssEntry(1, "bravo", -50), BssEntry(2, "alpha", -70), BssEntry(3, longName, -60)}};
  QuorvanDialog dialog;
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  ListTreeView& list = dialog.ListWidget();

  // Opens at the Windows dialog's size; the list follows the window, margins kept.
  const QSize opening = dialog.size();
  const QRect listAtOpening = list.geometry();
  EXPECT_LT(dialog.minimumWidth(), opening.width());
  EXPECT_GT(dialog.maximumWidth(), 4000);
  dialog.resize(opening.width() + 500, opening.height() + 300);
  QApplication::processEvents();
  EXPECT_EQ(list.width(), listAtOpening.width() + 500);
  EXPECT_EQ(list.height(), listAtOpening.height() + 300);
  EXPECT_EQ(list.geometry().topLeft(), listAtOpening.topLeft());
  dialog.showMaximized();
  QApplication::processEvents();
  EXPECT_EQ(dialog.width() - list.width(), opening.width() - listAtOpening.width());

  // Every cell tells its whole text; an empty one tells nothing.
  QAbstractItemModel* model = list.model();
  // (SSID order, byte by byte: "Hotel…" before "alpha".)
  EXPECT_EQ(model->data(model->index(0, 3), Qt::ToolTipRole).toString().toStdString(), longName);
  EXPECT_EQ(model->data(model->index(1, 2), Qt::ToolTipRole).toString(), "00 00 00 00 00 02");
  EXPECT_FALSE(model->data(model->index(0, 11), Qt::ToolTipRole).isValid());

  // The sort indicator: the clicked column, its direction; a refresh clears it.
  QHeaderView* header = list.header();
  auto click = [&](int column) {
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
  };
  EXPECT_FALSE(header->isSortIndicatorShown());
  click(3);
  EXPECT_TRUE(header->isSortIndicatorShown());
  EXPECT_EQ(header->sortIndicatorSection(), 3);
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
  EXPECT_EQ(Column(dialog, 3).toStdString(), longName + "|alpha|bravo");
  click(1);  // one direction flag for all columns: this one sorts descending
  EXPECT_EQ(header->sortIndicatorSection(), 1);
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
  dialog.OnTimer(kScanTimer);
  EXPECT_FALSE(header->isSortIndicatorShown());

  // Copy: the selected rows under the header line, exactly as --list prints them.
  EXPECT_EQ(ContextMenuTexts(dialog), QStringList({"Copy(off)", "", "&Info über quorvan..."}));
  list.selectionModel()->clear();
  QApplication::clipboard()->setText("kept");
  QTest::keyClick(&list, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "kept");  // nothing selected, nothing copied
  list.setCurrentIndex(model->index(0, 0));
  QTest::keyClick(&list, Qt::Key_Down, Qt::ShiftModifier);
  QTest::keyClick(&list, Qt::Key_Down, Qt::ShiftModifier);
  ASSERT_EQ(list.selectionModel()->selectedRows().size(), 3);
  QApplication::clipboard()->clear();
  QTest::keyClick(&list, Qt::Key_C, Qt::ControlModifier);
  const std::string copied = QApplication::clipboard()->text().toStdString();
  const std::string header13 =
      "index\t活动因子\tMAC地址\tS S I D\t信号强度 (dbm)\t链路质量(%)\tChannel\tullTimestamp\t"
      "ullHostTimestamp\tEncryption\tBeaconPeriod\tUsername\tPassword\n";
  EXPECT_EQ(copied.substr(0, header13.size()), header13);
  EXPECT_EQ(std::count(copied.begin(), copied.end(), '\n'), 4);
  EXPECT_NE(copied.find("\n1\t17\t00 00 00 00 00 03\t" + longName + "\t"), std::string::npos)
      << copied;
  EXPECT_NE(copied.find("\n3\t17\t00 00 00 00 00 01\tbravo\t"), std::string::npos);
  EXPECT_EQ(ContextMenuTexts(dialog).first(), "Copy");
  // Only the second row, from the context menu's entry.
  list.selectionModel()->clear();
  list.selectionModel()->select(model->index(1, 0),
                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
  QApplication::clipboard()->clear();
  dialog.BuildContextMenu()->actions().first()->trigger();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString().substr(header13.size()),
            "2\t17\t00 00 00 00 00 02\talpha\t30 30  0  0  0\t60\t   6  2437000\t0x0\t0x0\t0,wep "
            "\t0\t\t\n");
}

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

TEST(QtWindow, SaysWhyTheListIsEmptyUntilTheFirstRow) {
  const testing::ScopedFakeWlan radio;
  radio->lists = {{}, {BssEntry(1, "bravo", -50)}};
  std::string reason = "No wireless interface is up (wlan0 is down)";
  QuorvanDialog dialog;
  dialog.ShowEmptyListReason([&reason] { return reason; });
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  ListTreeView& list = dialog.ListWidget();
  EXPECT_TRUE(list.ShowsPlaceholder());
  EXPECT_EQ(list.PlaceholderText().toStdString(), reason);
  // The text, centred, in grey: even its darkest pixel is well lighter than the rows' text and
  // well darker than the background.
  const Ink shown = InkAcrossTheMiddle(list);
  EXPECT_GT(shown.pixels, 100);
  EXPECT_GT(shown.darkest, qGray(list.palette().color(QPalette::Text).rgb()) + 40);
  EXPECT_LT(shown.darkest, qGray(list.palette().color(QPalette::Base).rgb()) - 40);

  // The radio comes back: the next cycle lists a row, and the text is gone, even were the
  // reason left standing.
  reason = "This kernel has no Wi-Fi support (nl80211 is missing)";
  dialog.OnTimer(kScanTimer);
  EXPECT_EQ(Column(dialog, 3), "bravo");
  EXPECT_FALSE(list.ShowsPlaceholder());
  EXPECT_EQ(InkAcrossTheMiddle(list).pixels, 0);
  reason.clear();
  dialog.OnTimer(kTickTimer);
  EXPECT_TRUE(list.PlaceholderText().isEmpty());
}

}  // namespace
}  // namespace quorvan

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

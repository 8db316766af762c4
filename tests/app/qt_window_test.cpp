// The Linux window over the real Qt widgets, on the offscreen platform.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/qt/quorvan_dialog.h"
#include "tests/support/fake_radio.h"

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

// Runs `action` and plays the user meanwhile: chooses the first entry of a context menu that
// pops up, and closes the About box once it shows. Returns the About box's texts.
QStringList AboutBoxShownBy(const std::function<void()>& action) {
  QStringList shown;
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
      QTest::keyClick(menu, Qt::Key_Down);
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
  auto radio = testing::InstallFakeRadio();
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
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());

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
  auto radio = testing::InstallFakeRadio();
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

// The Linux window over the real Qt widgets, on the offscreen platform.

#include <gtest/gtest.h>

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

class QtWindowTest : public ::testing::Test {
 protected:
  QtWindowTest() : radio(testing::InstallFakeRadio()) {
    radio->lists = {{BssEntry(1, "bravo", -50), BssEntry(2, "alpha", -70),
                     BssEntry(3, "charlie", -60), BssEntry(4, "\xE5\xAE\xB6", -55)}};
  }

  static QStringList Column(QuorvanDialog& dialog, int column) {
    QStringList texts;
    QAbstractItemModel* model = dialog.ListWidget().model();
    for (int row = 0; row < model->rowCount(); ++row) {
      texts << model->data(model->index(row, column)).toString();
    }
    return texts;
  }

  // Runs `action` and plays the user while it runs: chooses the first entry of any context menu
  // that pops up, and closes the About box as soon as it shows. Returns the texts the About box
  // showed, or an empty list if none opened.
  static QStringList AboutBoxShownBy(const std::function<void()>& action) {
    QStringList shown;
    QTimer user;
    user.setInterval(10);
    QObject::connect(&user, &QTimer::timeout, [&shown, &user] {
      if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        return;
      }
      auto* about = dynamic_cast<CAboutDlg*>(QApplication::activeModalWidget());
      if (about == nullptr) return;
      user.stop();
      shown << about->windowTitle();
      for (auto* label : about->findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) shown << label->text();
      }
      for (auto* button : about->findChildren<QPushButton*>()) {
        shown << button->text();
        QTest::mouseClick(button, Qt::LeftButton);
      }
    });
    user.start();
    action();
    user.stop();
    return shown;
  }

  std::shared_ptr<testing::FakeRadio> radio;
};

TEST_F(QtWindowTest, ShowsTheFirstQueryUnderThirteenHeaders) {
  QuorvanDialog dialog;
  EXPECT_EQ(dialog.windowTitle(), "quorvan");
  QAbstractItemModel* model = dialog.ListWidget().model();
  QStringList headers;
  for (int column = 0; column < model->columnCount(); ++column) {
    headers << model->headerData(column, Qt::Horizontal).toString();
  }
  EXPECT_EQ(headers.join("|").toStdString(),
            "index|活动因子|MAC地址|S S I D|信号强度 (dbm)|链路质量(%)|Channel|ullTimestamp|"
            "ullHostTimestamp|Encryption|BeaconPeriod|Username|Password");
  EXPECT_EQ(dialog.ListWidget().columnWidth(2), 140);
  EXPECT_EQ(Column(dialog, 3).join(",").toStdString(), "alpha,bravo,charlie,\xE5\xAE\xB6");
  EXPECT_EQ(Column(dialog, 0).join(",").toStdString(), "1,2,3,4");
  EXPECT_EQ(dialog.ListWidget().selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(dialog.ListWidget().selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_TRUE(dialog.StatusWidget().isHidden());
  EXPECT_EQ(dialog.StatusWidget().text().toStdString(), "scanning...Sleep(30000),num=4");
  // Fixed size, about that of the dialog template at 96 dpi.
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
  EXPECT_GT(dialog.width(), 600);
  EXPECT_GT(dialog.height(), 350);
  EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(QtWindowTest, HeaderClicksSortAscendingThenDescending) {
  QuorvanDialog dialog;
  dialog.show();
  QHeaderView* header = dialog.ListWidget().header();
  auto click = [&](int column) {
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
  };
  click(5);  // link quality, as text
  EXPECT_EQ(Column(dialog, 5).join(",").toStdString(), "100,60,80,90");
  click(5);
  EXPECT_EQ(Column(dialog, 5).join(",").toStdString(), "90,80,60,100");
  EXPECT_EQ(Column(dialog, 0).join(",").toStdString(), "4,3,1,2");
}

TEST_F(QtWindowTest, F1AndTheContextMenuOpenTheAboutBox) {
  QuorvanDialog dialog;
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  const QStringList expected = {"Quorvan", "quorvan Version 1.0", "OK"};
  EXPECT_EQ(AboutBoxShownBy([&] { QTest::keyClick(&dialog.ListWidget(), Qt::Key_F1); }), expected);

  auto menu = dialog.BuildWindowMenu();
  ASSERT_EQ(menu->actions().size(), 1);
  EXPECT_EQ(menu->actions().first()->text().toStdString(), "&Info über quorvan...");
  // A right click on the list: the context menu pops up and its entry is chosen.
  EXPECT_EQ(
      AboutBoxShownBy([&] { emit dialog.ListWidget().customContextMenuRequested(QPoint(10, 10)); }),
      expected);
  EXPECT_TRUE(dialog.isVisible());
}

TEST_F(QtWindowTest, EscapeAndEnterCloseTheWindowAndDestroyTheRecords) {
  for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
    QuorvanDialog dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    ASSERT_EQ(dialog.Behaviour().Table().size(), 4u);
    QTest::keyClick(&dialog.ListWidget(), key);
    EXPECT_FALSE(dialog.isVisible()) << key;
    EXPECT_TRUE(dialog.Behaviour().Table().empty());
  }
}

}  // namespace
}  // namespace quorvan

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

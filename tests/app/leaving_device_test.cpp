// Leaving the open device: another device (or none) replaces it only after the unsaved-changes
// question of closing the program, whose cancel keeps everything as it was; the open device is
// never read again behind the engineer's back; and a controller with new firmware never puts its
// identity into the file of the device that was open.
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <functional>

#include "app/main/changes_viewer.h"
#include "app/maintenance/new_device_dialog.h"
#include "device_link_fixture.h"
#include "modal_dialog.h"
#include "platform/profile.h"

namespace quillon::testing {
namespace {

class LeavingDeviceTest : public DeviceLinkTest {
 protected:
  void SetUp() override {
    DeviceLinkTest::SetUp();
    otherPath = AddDevice("QT", "502.ini", "502 QT v2.1 2024-01-10", "Вентилятор", "Склад", "02.01.2024");
  }

  CatalogueTree* Tree() { return Child<CatalogueTree>(*window, "tv"); }
  std::string CurrentNodePath() { return CatalogueTree::NodePath(Tree()->currentItem()); }
  std::string Base(int row) { return window->Parameters().List().Item(row).BaseValue; }

  // When the changes viewer comes up, records what it shows and presses the button of that name.
  void AnswerViewer(const char* button) {
    viewerRows.clear();
    viewerShown = false;
    answerer.disconnect();
    QObject::connect(&answerer, &QTimer::timeout, [this, button] {
      TfChangesViewer& viewer = window->ChangesViewer();
      if (!viewer.isVisible()) return;
      answerer.stop();
      viewerShown = true;
      viewerRows = viewer.Rows();
      auto* pressed = viewer.findChild<QPushButton*>(QLatin1String(button));
      if (pressed == nullptr) {
        ADD_FAILURE() << "the viewer has no " << button;
        viewer.reject();
        return;
      }
      pressed->click();
    });
    answerer.start(10);
  }

  void RightClick(QTreeWidgetItem* node) {
    const QRect rect = Tree()->visualItemRect(node);
    const QPoint at(rect.left() + 8, rect.center().y());
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, Tree()->viewport()->mapToGlobal(at));
    QApplication::sendEvent(Tree()->viewport(), &event);
  }

  void PressEnterOn(QTreeWidgetItem* node) {
    Tree()->setCurrentItem(node);
    QTest::keyClick(Tree(), Qt::Key_Return);
  }

  std::string otherPath;
  QTimer answerer;
  bool viewerShown = false;
  std::vector<ChangesRow> viewerRows;
};

TEST_F(LeavingDeviceTest, RightClickOnTheOpenDeviceKeepsItsEditsAndControllerValues) {
  StartAll();
  UseSerial("QuBUS");
  ConnectAndRead();
  window->Table().CommitText(Cell(5, kBaseHexKind), "x0064\n");
  AnswerViewer("btAbort");
  RightClick(Tree()->FindByPath(devicePath));
  QApplication::processEvents();

  EXPECT_FALSE(viewerShown) << "nothing is left, so nothing is asked";
  auto* menu = Child<QMenu>(*window, "pmTV");
  EXPECT_TRUE(menu->isVisible());
  menu->hide();
  EXPECT_EQ(window->OpenDevicePath(), devicePath);
  EXPECT_EQ(Base(5), "x0064");
  EXPECT_TRUE(window->Parameters().HasBeenRead());
  EXPECT_EQ(Text(0, kControllerHexKind), "x07D0");
  EXPECT_TRUE(Child<QPushButton>(*window, "btSaveBase")->isEnabled());
}

TEST_F(LeavingDeviceTest, EveryWayOfLeavingAnEditedDeviceAsksAndCancelKeepsEverything) {
  window = StartWithCatalogue();
  OpenDeviceInTree();
  window->Table().CommitText(Cell(5, kBaseHexKind), "x0064\n");
  Child<QLineEdit>(*window, "edGeography")->setText(QStringLiteral("Цех 3"));

  const std::vector<std::pair<const char*, std::function<void()>>> ways = {
      {"click", [&] { ClickNode(Tree(), Tree()->FindByPath(otherPath)); }},
      {"Enter", [&] { PressEnterOn(Tree()->FindByPath(otherPath)); }},
      {"right-click", [&] { RightClick(Tree()->FindByPath(otherPath)); }},
      {"click on a group",
       [&] {
         Child<QAction>(*window, "mnSort1")->trigger();
         ClickNode(Tree(), NodeStartingWith(Tree(), QStringLiteral("Склад")));
       }},
      {"memory selector", [&] { Child<QComboBox>(*window, "cbKey")->setCurrentIndex(2); }},
  };
  for (const auto& [way, leave] : ways) {
    AnswerViewer("btAbort");
    leave();
    QApplication::processEvents();
    EXPECT_TRUE(viewerShown) << way;
    EXPECT_EQ(viewerRows.size(), 3u) << way << ": header, location and Tacc";
    EXPECT_EQ(window->OpenDevicePath(), devicePath) << way;
    EXPECT_EQ(CurrentNodePath(), devicePath) << way << ": the open device's node is selected again";
    EXPECT_EQ(Base(5), "x0064") << way;
    EXPECT_EQ(Child<QLineEdit>(*window, "edGeography")->text(), QStringLiteral("Цех 3")) << way;
    EXPECT_EQ(Child<QComboBox>(*window, "cbKey")->currentText(), QStringLiteral("FLASH")) << way;
    EXPECT_FALSE(Child<QMenu>(*window, "pmTV")->isVisible()) << way << ": no menu for the device not opened";
  }

  AnswerViewer("btCancel");
  ClickNode(Tree(), Tree()->FindByPath(devicePath));
  QApplication::processEvents();
  EXPECT_FALSE(viewerShown) << "choosing the open device again keeps its edits without a question";
  EXPECT_EQ(Base(5), "x0064");

  AnswerViewer("btAbort");
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(viewerShown);
  EXPECT_TRUE(window->isVisible()) << "closing the program is cancelled the same way";
  EXPECT_EQ(ReadProfileString(devicePath, "DEVICE", "Location", ""), "Стенд");
}

TEST_F(LeavingDeviceTest, DontSaveOpensTheOtherDeviceAndSaveWritesTheEditsFirst) {
  window = StartWithCatalogue();
  OpenDeviceInTree();
  window->Table().CommitText(Cell(5, kBaseHexKind), "x0064\n");
  AnswerViewer("btCancel");
  ClickNode(Tree(), Tree()->FindByPath(otherPath));
  EXPECT_TRUE(viewerShown);
  EXPECT_EQ(window->OpenDevicePath(), otherPath);
  EXPECT_EQ(Child<QLineEdit>(*window, "edMechunit")->text(), QStringLiteral("Вентилятор"));
  EXPECT_EQ(ReadProfileString(devicePath, "FLASH", "p6"), "Tacc/Время разгона/TWORD/x0108/r0084/с/1/2//0/x0032/");

  ClickNode(Tree(), Tree()->FindByPath(devicePath));
  window->Table().CommitText(Cell(5, kBaseHexKind), "x0064\n");
  prompt.answer = true;
  AnswerViewer("btYes");
  ClickNode(Tree(), Tree()->FindByPath(otherPath));
  EXPECT_TRUE(viewerShown);
  EXPECT_EQ(prompt.questions.back().second, "Сохранить изменения в базе?");
  EXPECT_EQ(ReadProfileString(devicePath, "FLASH", "p6"), "Tacc/Время разгона/TWORD/x0108/r0084/с/1/2//0/x0064/");
  EXPECT_EQ(window->OpenDevicePath(), otherPath);
}

TEST_F(LeavingDeviceTest, ConnectingToAnotherDevicesControllerAsksAndCancelReadsNothing) {
  StartAll();
  UseSerial("QuBUS");
  ClickNode(Tree(), Tree()->FindByPath(otherPath));
  Child<QLineEdit>(*window, "edGeography")->setText(QStringLiteral("Цех 3"));
  AnswerViewer("btAbort");
  QTest::mouseClick(Child<QPushButton>(*window, "btConnect"), Qt::LeftButton);
  ASSERT_TRUE(Idle());
  ASSERT_TRUE(WaitUntil([this] { return viewerShown; }));
  QTest::qWait(300);
  EXPECT_EQ(window->OpenDevicePath(), otherPath);
  EXPECT_EQ(CurrentNodePath(), otherPath);
  EXPECT_EQ(Child<QLineEdit>(*window, "edGeography")->text(), QStringLiteral("Цех 3"));
  EXPECT_FALSE(window->Connection().Waiting()) << "the controller is not read beside the wrong device";
  EXPECT_FALSE(window->Parameters().HasBeenRead());
}

TEST_F(LeavingDeviceTest, NewFirmwareVersionIsNeverSavedIntoTheOldFileAndIsNoticedAgain) {
  StartAll({QStringLiteral("--id"), QStringLiteral("501 QT v2.2 2025-02-02")});
  UseSerial("MODBUS RTU");
  // The engineer declines the update: the old file is read, and must keep its identity.
  const auto first = WhenModal<TNewDevice>([](TNewDevice& dialog) { dialog.reject(); });
  ConnectAndRead();
  ASSERT_TRUE(*first);
  EXPECT_EQ(window->OpenDevicePath(), devicePath);
  window->Table().CommitText(Cell(5, kBaseHexKind), "x0064\n");
  prompt.answer = true;
  window->btSaveBaseClick();
  EXPECT_EQ(ReadProfileString(devicePath, "FLASH", "p6"), "Tacc/Время разгона/TWORD/x0108/r0084/с/1/2//0/x0064/");
  EXPECT_EQ(ReadProfileString(devicePath, "DEVICE", "ID", ""), kDeviceId);

  const auto second = WhenModal<TNewDevice>([](TNewDevice& dialog) { dialog.reject(); });
  QTest::mouseClick(Child<QPushButton>(*window, "btConnect"), Qt::LeftButton);
  ASSERT_TRUE(Idle());
  EXPECT_TRUE(WaitUntil([&] { return *second; }));
}

}  // namespace
}  // namespace quillon::testing

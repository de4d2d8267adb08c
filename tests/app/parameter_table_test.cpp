// The parameter table in the main window: its cells, the in-place editors, the scroll bar and
// the changes viewer.
#include <QAbstractItemView>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QWheelEvent>

#include "device_link_fixture.h"
#include "main/changes_viewer.h"
#include "main/coll_combo_box.h"
#include "main/coll_edit.h"
#include "main/table_header.h"

namespace quillon::testing {
namespace {

class ParameterTableTest : public DeviceLinkTest {
 protected:
  void SetUp() override {
    DeviceLinkTest::SetUp();
    window = StartWithCatalogue();
    OpenDeviceInTree();
    table = window->Table().Panel();
    table->PaintNow();
  }

  void ClickCell(int row, int kind) {
    QRect rect;
    ASSERT_TRUE(table->CellRect(Cell(row, kind), rect));
    QTest::mouseClick(table, Qt::LeftButton, {}, rect.center());
    QApplication::processEvents();
  }

  TTablePanel01* table = nullptr;
};

TEST_F(ParameterTableTest, EightCellsPerVariableUnderTheirColumns) {
  ASSERT_EQ(table->RowCount(), 6);
  const std::vector<TTableItem*> leaves = table->LeafColumns();
  ASSERT_EQ(leaves.size(), 8u);
  QStringList captions;
  for (TTableItem* leaf : leaves) captions << QString::fromStdString(leaf->Caption());
  EXPECT_EQ(captions, QStringList({"PN", "Имя", "Назначение", "Ед.Изм.", "hex", "Physical", "hex", "Physical"}));
  EXPECT_EQ(Text(0, 8), "r0080");
  EXPECT_EQ(Text(1, 1), "Ilim=1,5 Inom");
  EXPECT_EQ(Text(0, 2), "Номинальный ток");
  EXPECT_EQ(Text(0, 7), "А");
  EXPECT_EQ(Text(0, kBaseHexKind), "x03E8");
  EXPECT_EQ(Text(0, kBasePhysicalKind), "100");
  EXPECT_EQ(Text(4, kBasePhysicalKind), "Пуск");
  EXPECT_EQ(Child<QScrollBar>(*window, "scrbrTableVert")->maximum(), 6);
  // The device's address goes into the address field.
  EXPECT_EQ(Child<QLineEdit>(*window, "edDevAddr")->text(), QStringLiteral("x01"));
}

TEST_F(ParameterTableTest, TextEditorCommitsOnEnterAndEnablesSave) {
  auto* save = Child<QPushButton>(*window, "btSaveBase");
  EXPECT_FALSE(save->isEnabled());
  ClickCell(5, kBaseHexKind);
  TCollEdit* edit = window->Table().Edit();
  ASSERT_TRUE(edit->isVisible());
  QRect rect;
  ASSERT_TRUE(table->CellRect(Cell(5, kBaseHexKind), rect));
  EXPECT_EQ(edit->geometry(), QRect(rect.left(), rect.top(), rect.width(), rect.height() + 1));
  EXPECT_EQ(edit->toPlainText(), QStringLiteral("x0032"));
  edit->selectAll();
  QTest::keyClicks(edit, "x0100");
  EXPECT_EQ(window->Parameters().List().Item(5).BaseValue, "x0032") << "nothing changes before Enter";
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_FALSE(edit->isVisible());
  EXPECT_EQ(window->Parameters().List().Item(5).BaseValue, "x0100");
  EXPECT_TRUE(save->isEnabled());

  // Text the variable refuses changes nothing.
  ClickCell(5, kBasePhysicalKind);
  edit->selectAll();
  QTest::keyClicks(edit, "zz");
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(window->Parameters().List().Item(5).BaseValue, "x0100");
}

TEST_F(ParameterTableTest, ControllerCellsOpenNoEditorBeforeARead) {
  ClickCell(0, kControllerHexKind);
  EXPECT_FALSE(window->Table().Edit()->isVisible());
  EXPECT_FALSE(window->Table().ComboBox()->isVisible());
  ClickCell(0, 1);
  EXPECT_FALSE(window->Table().Edit()->isVisible()) << "only value cells are edited";
  EXPECT_EQ(table->SelectedRow(), 0);
}

TEST_F(ParameterTableTest, ListEditorShowsTheEntriesAndCommitsTheChosenValue) {
  ClickCell(4, kBasePhysicalKind);
  TCollComboBox* box = window->Table().ComboBox();
  ASSERT_TRUE(box->isVisible());
  EXPECT_FALSE(window->Table().Edit()->isVisible());
  ASSERT_EQ(box->count(), 3);
  EXPECT_TRUE(box->currentText().contains(QStringLiteral("Пуск")));
  int auto_ = -1;
  for (int i = 0; i < box->count(); ++i) {
    if (box->itemText(i).contains(QStringLiteral("Авто"))) auto_ = i;
  }
  ASSERT_GE(auto_, 0);
  // The open list shows each entry's value in navy.
  box->showPopup();
  QApplication::processEvents();
  const QImage list = box->view()->viewport()->grab().toImage();
  int navy = 0;
  for (int y = 0; y < list.height(); ++y) {
    for (int x = 0; x < list.width(); ++x) navy += list.pixelColor(x, y) == QColor(0, 0, 128) ? 1 : 0;
  }
  box->hidePopup();
  EXPECT_GT(navy, 0);
  box->setCurrentIndex(auto_);
  emit box->activated(auto_);
  EXPECT_FALSE(box->isVisible());
  EXPECT_EQ(window->Parameters().List().Item(4).BaseValue, "x02");
  EXPECT_EQ(Text(4, kBasePhysicalKind), "Авто");
}

TEST_F(ParameterTableTest, WheelAndScrollBarMoveTogetherByWholeRows) {
  window->resize(900, 260);
  QApplication::processEvents();
  auto* bar = Child<QScrollBar>(*window, "scrbrTableVert");
  const QPointF at(50, 50);
  QWheelEvent down(at, table->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
  QApplication::sendEvent(table, &down);
  EXPECT_EQ(table->Position(), 1);
  EXPECT_EQ(bar->value(), 1);
  bar->setValue(3);
  EXPECT_EQ(table->Position(), 3);
}

TEST_F(ParameterTableTest, HeaderSectionsFollowTheGroupsAndCarryPictures) {
  auto* header = Child<TableHeader>(*window, "Header");
  const auto& groups = table->Columns();
  EXPECT_EQ(header->sectionSize(0), static_cast<int>(std::lround(groups[0]->Width)));
  EXPECT_EQ(header->sectionSize(1), static_cast<int>(std::lround(groups[1]->Width)));
  EXPECT_FALSE(header->Pictures().toPC.isNull());
  EXPECT_FALSE(header->Pictures().toPLC.isNull());
  EXPECT_FALSE(header->Pictures().refresh.isNull());
  // A click on "Контроллер" asks before copying anything.
  prompt.answer = false;
  emit header->sectionClicked(TableHeader::kControllerSection);
  ASSERT_EQ(prompt.questions.size(), 1u);
  EXPECT_EQ(prompt.questions[0], std::make_pair(std::string("Подтверждение"),
                                                std::string("Копировать параметры контроллера в базу?")));
  emit header->sectionClicked(TableHeader::kBaseSection);
  EXPECT_EQ(prompt.questions.back().second, "Копировать параметры базы в контролер?");
  EXPECT_FALSE(window->Connection().Waiting()) << "No means nothing is sent";
}

TEST_F(ParameterTableTest, DraggedColumnWidthsAreStoredAtExit) {
  TTableItem& number = *table->LeafColumns()[0];
  const double before = number.Width;
  const QPoint edge(number.Right, kHeaderHeight + 5);
  QTest::mousePress(table, Qt::LeftButton, {}, edge);
  QTest::mouseMove(table, edge + QPoint(25, 0));
  QTest::mouseRelease(table, Qt::LeftButton, {}, edge + QPoint(25, 0));
  QApplication::processEvents();
  ASSERT_NEAR(number.Width, before + 25, 1.5);
  // The header's sections still match the groups, which kept their edges.
  auto* header = Child<TableHeader>(*window, "Header");
  EXPECT_EQ(header->sectionSize(0), static_cast<int>(std::lround(table->Columns()[0]->Width)));
  window->close();
  EXPECT_EQ(Setting("p0m0"), std::to_string(static_cast<int>(std::lround(number.Width))));
}

TEST_F(ParameterTableTest, NowPutsTheDateAndEnablesSave) {
  window->btNowClick();
  const QString date = Child<QLabel>(*window, "stLastDate")->text();
  EXPECT_NE(date, QStringLiteral("01.01.2024 10:00:00"));
  EXPECT_EQ(date.size(), 19);
  EXPECT_TRUE(Child<QPushButton>(*window, "btSaveBase")->isEnabled());
}

TEST(ChangesViewerTest, ListsReversedWithColumnsAsWideAsTheirLongestText) {
  TfChangesViewer viewer;
  viewer.SetLines({"Параметр A /1/2", "skip/me", "Параметр Длинное имя /x0001/x0002",
                   "Изменённый параметр/Старое значение/ Новое значение"});
  EXPECT_EQ(viewer.windowTitle(), QStringLiteral("Список произведённых изменений"));
  ASSERT_EQ(viewer.ListBox()->count(), 3);
  EXPECT_TRUE(viewer.ListBox()->item(0)->text().startsWith(QStringLiteral("Изменённый параметр")));
  const QFontMetrics metrics(viewer.ListBox()->font());
  const auto widest = [&](std::initializer_list<const char*> texts) {
    int width = 0;
    for (const char* text : texts) width = std::max(width, metrics.horizontalAdvance(QString::fromUtf8(text)));
    return width;
  };
  EXPECT_EQ(viewer.Widths()[0], widest({"Изменённый параметр", "Параметр Длинное имя ", "Параметр A "}));
  EXPECT_EQ(viewer.Widths()[1], widest({"Старое значение", "x0001", "1"}));
  EXPECT_EQ(viewer.Widths()[2], widest({" Новое значение", "x0002", "2"}));
  EXPECT_TRUE(viewer.ListBox()->font().bold());

  TfChangesViewer empty;
  empty.SetLines({});
  EXPECT_EQ(empty.ListBox()->count(), 0);
  QTimer::singleShot(0, &empty, [&] { empty.findChild<QPushButton*>(QStringLiteral("btYes"))->click(); });
  EXPECT_TRUE(empty.Ask());
  QTimer::singleShot(0, &empty, [&] { empty.findChild<QPushButton*>(QStringLiteral("btCancel"))->click(); });
  EXPECT_FALSE(empty.Ask());
}

}  // namespace
}  // namespace quillon::testing

// The parameter table in the main window: the in-place editors and the header.
#include <QLabel>
#include <cmath>

#include "app/main/table_header.h"
#include "app/widgets/coll_combo_box.h"
#include "app/widgets/coll_edit.h"
#include "device_link_fixture.h"

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

TEST_F(ParameterTableTest, TextEditorCommitsOnEnterAndEnablesSave) {
  auto* save = Child<QPushButton>(*window, "btSaveBase");
  EXPECT_FALSE(save->isEnabled());
  ClickCell(0, kControllerHexKind);
  EXPECT_FALSE(window->Table().Edit()->isVisible()) << "nothing read: controller cells are not edited";
  ClickCell(5, kBaseHexKind);
  TCollEdit* edit = window->Table().Edit();
  ASSERT_TRUE(edit->isVisible());
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

TEST_F(ParameterTableTest, ListEditorCommitsTheChosenValue) {
  EXPECT_EQ(Child<QLineEdit>(*window, "edDevAddr")->text(), QStringLiteral("x01")) << "the device's address";
  ClickCell(4, kBasePhysicalKind);
  TCollComboBox* box = window->Table().ComboBox();
  ASSERT_TRUE(box->isVisible());
  ASSERT_EQ(box->count(), 3);
  EXPECT_TRUE(box->currentText().contains(QStringLiteral("Пуск")));
  int automatic = 0;
  while (automatic < box->count() && !box->itemText(automatic).contains(QStringLiteral("Авто"))) ++automatic;
  ASSERT_LT(automatic, box->count());
  box->setCurrentIndex(automatic);
  emit box->activated(automatic);
  EXPECT_FALSE(box->isVisible());
  EXPECT_EQ(window->Parameters().List().Item(4).BaseValue, "x02");
  EXPECT_EQ(Text(4, kBasePhysicalKind), "Авто");
}

TEST_F(ParameterTableTest, HeaderFollowsTheGroupsAndItsClicksAskBeforeCopying) {
  auto* header = Child<TableHeader>(*window, "Header");
  ASSERT_EQ(header->count(), 4);
  EXPECT_NEAR(header->sectionSize(2) + header->sectionSize(3), table->Columns()[2]->Width, 2);
  EXPECT_EQ(header->width(), Child<QWidget>(*window, "ViewPanel")->width());
  prompt.answer = false;
  emit header->sectionClicked(TableHeader::kControllerSection);
  ASSERT_EQ(prompt.questions.size(), 1u);
  EXPECT_EQ(prompt.questions[0],
            std::make_pair(std::string("Подтверждение"), std::string("Копировать параметры контроллера в базу?")));
  emit header->sectionClicked(TableHeader::kBaseSection);
  EXPECT_EQ(prompt.questions.back().second, "Копировать параметры базы в контролер?");
  EXPECT_FALSE(window->Connection().Waiting()) << "No means nothing is sent";
}

TEST_F(ParameterTableTest, DraggedColumnWidthsKeepTheHeaderInStepAndAreStoredAtExit) {
  TTableItem& number = *table->LeafColumns()[0];
  const double before = number.Width;
  const QPoint edge(number.Right, kHeaderHeight + 5);
  QTest::mousePress(table, Qt::LeftButton, {}, edge);
  QTest::mouseMove(table, edge + QPoint(25, 0));
  QTest::mouseRelease(table, Qt::LeftButton, {}, edge + QPoint(25, 0));
  QApplication::processEvents();
  ASSERT_NEAR(number.Width, before + 25, 1.5);
  EXPECT_EQ(Child<TableHeader>(*window, "Header")->sectionSize(0),
            static_cast<int>(std::lround(table->Columns()[0]->Width)));
  window->close();
  EXPECT_EQ(Setting("p0m0"), std::to_string(static_cast<int>(std::lround(number.Width))));
}

}  // namespace
}  // namespace quillon::testing

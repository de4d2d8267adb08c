// The parameter table in the main window: the in-place editors, the header, columns sized to a
// device at a first start, and controller cells before the device was read.
#include <QFontMetrics>
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

TEST_F(ParameterTableTest, TextEditorFiltersCommitsOnEnterAndEnablesSave) {
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

  // The editor keeps only what can be part of a number, typed where the cursor is.
  ClickCell(5, kBasePhysicalKind);
  ASSERT_TRUE(edit->isVisible());
  edit->selectAll();
  QTest::keyClicks(edit, "1 5;0");
  QTest::keyClicks(edit, "0 s");
  EXPECT_EQ(edit->toPlainText(), QStringLiteral("1500"));
  QTest::keyClick(edit, Qt::Key_Left);
  QTest::keyClicks(edit, "?7");
  EXPECT_EQ(edit->toPlainText(), QStringLiteral("15070"));
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_FALSE(edit->isVisible());
  EXPECT_EQ(window->Parameters().List().Item(5).BaseValue, "x3ADE");
  EXPECT_TRUE(prompt.warnings.empty()) << WarningTexts().front();
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

// What the table shows: columns sized to a device at a first start, and controller cells before
// the device was read.
// A text drawn in a cell keeps 2 pixels of padding on each side.
constexpr int kCellPadding = 4;

class ParameterTableContentsTest : public DeviceLinkTest {
 protected:
  TTablePanel01* Panel() { return window->Table().Panel(); }
  int ColumnWidth(const TTableItem& column) { return column.Right - column.Left; }
  int TextWidth(const std::string& text) {
    return QFontMetrics(Panel()->font()).horizontalAdvance(QString::fromStdString(text)) + kCellPadding;
  }
};

TEST_F(ParameterTableContentsTest, FirstStartSizesTheColumnsToTheDeviceAndStoresThemAtExit) {
  window = StartWithCatalogue();
  window->resize(1100, 600);
  QApplication::processEvents();
  OpenDeviceInTree();
  Panel()->PaintNow();
  ASSERT_TRUE(window->Table().SizedToContents());

  const std::vector<TTableItem*> leaves = Panel()->LeafColumns();
  ASSERT_EQ(leaves.size(), 8u);
  // Captions and every text of the device show whole; the controller columns, empty until
  // read, have room for what the base shows.
  for (std::size_t i = 0; i < leaves.size(); ++i) {
    const TTableItem& column = *leaves[i];
    EXPECT_LE(TextWidth(column.Caption()), ColumnWidth(column)) << column.Caption();
    const TTableItem& texts = i >= 6 ? *leaves[i - 2] : column;
    for (const auto& cell : texts.Items()) {
      cell->RefreshCaption();
      EXPECT_LE(TextWidth(cell->Caption()), ColumnWidth(column)) << column.Caption() << ": " << cell->Caption();
    }
  }
  EXPECT_EQ(Panel()->Columns().back()->Right, Panel()->width()) << "within the table, no room left unused";
  auto* header = Child<TableHeader>(*window, "Header");
  const std::array<double, 3> minimums = header->GroupMinimums();
  for (int group = 0; group < 3; ++group) {
    EXPECT_GE(Panel()->Columns()[group]->Width, minimums[group] - 1) << "the header's captions fit: " << group;
  }
  EXPECT_EQ(header->sectionSize(0), ColumnWidth(*Panel()->Columns()[0]));

  const ParameterColumnWidths sized = window->Table().Widths();
  window->close();
  EXPECT_EQ(Setting("p0w"), std::to_string(std::lround(sized.parameterGroup)));
  EXPECT_EQ(Setting("p1w"), std::to_string(std::lround(sized.baseGroup)));
  EXPECT_EQ(Setting("p0m1"), std::to_string(std::lround(sized.name)));
  EXPECT_EQ(Setting("p2m0"), std::to_string(std::lround(sized.controllerHex)));

  // The next start takes the stored widths (and fits them to the table as it always did).
  window = StartWithCatalogue();
  EXPECT_FALSE(window->Table().SizedToContents());
  const ParameterColumnWidths restored = window->Table().Widths();
  EXPECT_NEAR(restored.baseGroup / restored.parameterGroup, sized.baseGroup / sized.parameterGroup, 0.01);
  EXPECT_NEAR(restored.name / restored.parameterGroup, sized.name / sized.parameterGroup, 0.01);
}

TEST_F(ParameterTableContentsTest, ControllerCellsStayEmptyAndBlackUntilTheDeviceAnswers) {
  StartAll({QStringLiteral("--fault"), QStringLiteral("drop=1")});
  UseSerial("QuBUS");
  OpenDeviceInTree();
  window->btConnectClick();
  ASSERT_TRUE(Idle());
  ASSERT_EQ(WarningTexts(), std::vector<std::string>{"Устройство не отвечает"});
  Panel()->PaintNow();
  for (int row = 0; row < 6; ++row) {
    EXPECT_EQ(Text(row, kControllerHexKind), "") << row;
    EXPECT_EQ(Text(row, kControllerPhysicalKind), "") << row;
    EXPECT_TRUE(RowIs(row, TextColor::Black)) << row;
  }
  EXPECT_EQ(Text(0, kBaseHexKind), "x03E8");

  // A base edit compares the rows again; an unread row is still no difference.
  window->Table().CommitText(Cell(5, kBaseHexKind), "x0033\n");
  EXPECT_TRUE(RowIs(5, TextColor::Black));
  const QImage image = Panel()->Image();
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor colour = image.pixelColor(x, y);
      ASSERT_FALSE(colour.red() > 200 && colour.green() < 60 && colour.blue() < 60) << "red at " << x << "," << y;
    }
  }
}

}  // namespace
}  // namespace quillon::testing

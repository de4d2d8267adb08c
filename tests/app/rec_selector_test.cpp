// "Открыть осциллограмму ..." driven as the engineer drives it: the listing of the records
// directory, sorting by a header click, choosing a row, the wheel and the scroll bar, another
// directory, and what the dialog returns.
#include "app/scope/rec_selector.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <functional>
#include <string>
#include <vector>

#include "app/widgets/table_panel01.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "workspace/paths.h"

namespace quillon::testing {
namespace {

constexpr int kSerialColumn = 4;

class RecSelectorTest : public ::testing::Test {
 protected:
  void AddRecord(const std::string& directory, const std::string& name, const std::string& id,
                 const std::string& description = "Насос", const std::string& location = "Цех 1") {
    ASSERT_TRUE(WriteCp1251File(directory + name, "[records]\ncounter=x00000001\n\n[DEVICE]\nID=" + id +
                                                      "\nDescription=" + description + "\nLocation=" + location +
                                                      "\n\n[binarydata]\n"));
  }
  void AddRecords() {
    AddRecord(paths.records, "050324_140709.rec", "10 TK v3.12 2010-05-01", "Главный привод насосной станции",
              "Насосная станция №2");
    AddRecord(paths.records, "060324_080000.rec", "9 QT v2.1 2024-01-10");
    AddRecord(paths.records, "070324_090000.rec", "100 TK v3.12 2010-05-01");
    AddRecord(paths.records, "080324_090000.rec", "broken");
  }

  template <typename Widget>
  Widget* Find(const char* name) {
    auto* widget = dialog.findChild<Widget*>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  void Show() {
    dialog.FillTable();
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QApplication::processEvents();
  }

  TTableItem& Column(int index) { return *dialog.Table()->LeafColumns()[static_cast<std::size_t>(index)]; }

  std::vector<std::string> ColumnTexts(int index) {
    std::vector<std::string> texts;
    for (const auto& cell : Column(index).Items()) texts.push_back(cell->Caption());
    return texts;
  }

  QPoint CellPoint(int row, int column) {
    const TTableItem& leaf = Column(column);
    const int top = dialog.Table()->Model().HeaderHeight() + (row - dialog.Table()->Position()) * kCellHeight;
    return {leaf.Left + (leaf.Right - leaf.Left) / 2, top + kCellHeight / 2};
  }
  void ClickRow(int row) { QTest::mouseClick(dialog.Table(), Qt::LeftButton, {}, CellPoint(row, 1)); }
  void ClickHeader(int column) {
    const TTableItem& leaf = Column(column);
    QTest::mouseClick(dialog.Table(), Qt::LeftButton, {}, QPoint((leaf.Left + leaf.Right) / 2, kHeaderHeight / 2));
  }
  std::string Selected() { return Find<QLabel>("lbFile")->text().toStdString(); }
  bool OpenEnabled() { return Find<QPushButton>("btOpen")->isEnabled(); }

  // Runs the modal selection; `act` plays the engineer once the dialog is up.
  std::string Select(const std::function<void()>& act) {
    QTimer::singleShot(0, &dialog, [this, act] {
      EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
      QApplication::processEvents();
      act();
      // Leaves a dialog the actions did not close.
      if (dialog.isVisible()) dialog.reject();
    });
    return dialog.SelectRecord();
  }

  TempDir dir;
  WorkspacePaths paths = MakeWorkspacePaths(dir.Path());
  TRecSelector dialog{paths};
};

TEST_F(RecSelectorTest, ListsTheRecordsDirectoryWithNothingSelectedAndHeaderClickSorts) {
  AddRecords();
  EXPECT_EQ(Find<QLineEdit>("edPath")->text().toStdString(), dir / "Records");
  EXPECT_EQ(dialog.SortColumn(), RecordColumn::None);
  Show();

  EXPECT_EQ(dialog.Table()->RowCount(), 3);
  EXPECT_EQ(ColumnTexts(0), (std::vector<std::string>{"05.03.24 14:07:09", "06.03.24 08:00:00", "07.03.24 09:00:00"}));
  EXPECT_EQ(ColumnTexts(3), (std::vector<std::string>{"TK", "QT", "TK"}));
  EXPECT_EQ(ColumnTexts(kSerialColumn), (std::vector<std::string>{"10", "9", "100"}));
  EXPECT_EQ(Selected(), "");
  EXPECT_FALSE(OpenEnabled());

  // Every caption and text shown whole at the dialog's own size.
  const QFontMetrics metrics = dialog.Table()->fontMetrics();
  for (TTableItem* column : dialog.Table()->LeafColumns()) {
    int widest = metrics.horizontalAdvance(QString::fromStdString(column->Caption()));
    for (const auto& cell : column->Items()) {
      widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(cell->Caption())));
    }
    EXPECT_GE(column->Right - column->Left, widest + 4) << column->Caption();
  }

  // A header click sorts and clears the selection.
  ClickRow(0);
  ASSERT_TRUE(OpenEnabled());

  ClickHeader(kSerialColumn);
  EXPECT_EQ(dialog.SortColumn(), RecordColumn::Serial);
  EXPECT_EQ(ColumnTexts(kSerialColumn), (std::vector<std::string>{"9", "10", "100"}));
  EXPECT_EQ(Selected(), "");
  EXPECT_EQ(dialog.SelectedFile(), "");
  EXPECT_FALSE(OpenEnabled());
  EXPECT_EQ(dialog.Table()->SelectedRow(), -1);
}

TEST_F(RecSelectorTest, ChosenRowIsReturnedByOpenAndDoubleClickCancelReturnsNothing) {
  AddRecords();
  const std::string viaOpen = Select([this] {
    ClickRow(2);
    EXPECT_EQ(Selected(), dir / "Records/070324_090000.rec");
    EXPECT_TRUE(OpenEnabled());
    QTest::mouseClick(Find<QPushButton>("btOpen"), Qt::LeftButton);
  });
  EXPECT_EQ(viaOpen, dir / "Records/070324_090000.rec");

  const std::string viaDoubleClick = Select([this] {
    ClickRow(1);
    QTest::mouseDClick(dialog.Table(), Qt::LeftButton, {}, CellPoint(1, 1));
  });
  EXPECT_EQ(viaDoubleClick, dir / "Records/060324_080000.rec");

  // Cancel returns nothing, and the next showing lists afresh without the row chosen before.
  EXPECT_EQ(Select([this] {
              ClickRow(0);
              QTest::mouseClick(Find<QPushButton>("btCancel"), Qt::LeftButton);
            }),
            "");
  EXPECT_EQ(Select([this] {
              EXPECT_FALSE(OpenEnabled());
              QTest::mouseDClick(dialog.Table(), Qt::LeftButton, {}, CellPoint(0, 1));
              EXPECT_TRUE(dialog.isVisible());
            }),
            "");
}

TEST_F(RecSelectorTest, WheelScrollsOneRowPerStepAndTheScrollBarPages) {
  for (int i = 0; i < 60; ++i) {
    AddRecord(paths.records, "0103" + std::to_string(10 + i) + "_120000.rec", std::to_string(i) + " TK v1.1 2020");
  }
  Show();
  const int page = dialog.Table()->VisibleRowCount();
  ASSERT_GT(page, 2);
  ASSERT_LT(page + 2, 60 - page);

  const QPointF at = CellPoint(1, 1);
  QWheelEvent wheel(at, dialog.Table()->mapToGlobal(at), {}, QPoint(0, -2 * 120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(dialog.Table(), &wheel);
  EXPECT_EQ(dialog.Table()->Position(), 2);
  EXPECT_EQ(dialog.ScrollBar()->value(), 2);

  dialog.ScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(dialog.Table()->Position(), 2 + page);
  // The last page stays full, whatever the wheel asks.
  QWheelEvent far(at, dialog.Table()->mapToGlobal(at), {}, QPoint(0, -50 * 120), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
  QApplication::sendEvent(dialog.Table(), &far);
  EXPECT_EQ(dialog.Table()->Position(), 60 - page);
  EXPECT_EQ(dialog.ScrollBar()->value(), 60 - page);
}

TEST_F(RecSelectorTest, PathButtonListsTheChosenDirectory) {
  AddRecords();
  TempDir other;
  const std::string otherDir = other.Path().substr(0, other.Path().size() - 1);
  AddRecord(other.Path(), "010124_000000.rec", "7 ZX v1.0 2023-01-01", "Вентилятор", "Склад");
  std::vector<std::string> asked;
  std::string answer = other.Path();
  dialog.ChooseDirectory = [&](const std::string& current) {
    asked.push_back(current);
    return answer;
  };
  Show();
  ClickRow(0);

  QTest::mouseClick(Find<QPushButton>("btPath"), Qt::LeftButton);
  EXPECT_EQ(asked, (std::vector<std::string>{dir / "Records"}));
  EXPECT_EQ(Find<QLineEdit>("edPath")->text().toStdString(), otherDir);
  EXPECT_EQ(ColumnTexts(1), (std::vector<std::string>{"Вентилятор"}));
  EXPECT_FALSE(OpenEnabled());

  // A cancelled choice keeps the directory and its rows.
  answer.clear();
  QTest::mouseClick(Find<QPushButton>("btPath"), Qt::LeftButton);
  EXPECT_EQ(dialog.Directory(), otherDir);
  EXPECT_EQ(dialog.Table()->RowCount(), 1);
}

}  // namespace
}  // namespace quillon::testing

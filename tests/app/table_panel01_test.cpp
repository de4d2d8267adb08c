// The owner-drawn table on screen: scrolling by whole rows, the wheel, resizing columns with
// the mouse, and row selection.
#include "app/widgets/table_panel01.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWheelEvent>
#include <any>
#include <set>
#include <string>

namespace quillon::testing {
namespace {

const QColor kBackground(10, 20, 30);

// Groups "A" (a, b) and "B" (c, d), 100 pixels per column, five whole rows and a part of a
// sixth below the two header levels, and 20 rows of cells carrying their row as payload.
class TablePanelTest : public ::testing::Test {
 protected:
  static constexpr int kHeader = 2 * kHeaderHeight;
  static constexpr int kWidth = 400;
  static constexpr int kHeight = kHeader + 5 * kCellHeight + 10;

  void SetUp() override {
    QPalette colours = panel.palette();
    colours.setColor(QPalette::Base, kBackground);
    panel.setPalette(colours);
    groupA = &panel.AddColumn("A", 200);
    groupA->AddColumn("a", 100);
    groupA->AddColumn("b", 100);
    groupB = &panel.AddColumn("B", 200);
    groupB->AddColumn("c", 100);
    groupB->AddColumn("d", 100);
    for (TTableItem* column : panel.LeafColumns()) {
      for (int row = 0; row < 20; ++row) {
        column->AddCell([column, row] { return column->Caption() + std::to_string(row); }, row);
      }
    }
    panel.resize(kWidth, kHeight);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    QApplication::processEvents();
  }

  TTableItem& Leaf(int index) { return *panel.LeafColumns()[index]; }
  QColor Pixel(int x, int y) { return panel.Image().pixelColor(x, y); }
  static int RowOf(const TTableItem& cell) { return std::any_cast<int>(cell.Payload); }

  void Drag(QPoint from, QPoint to) {
    QTest::mousePress(&panel, Qt::LeftButton, {}, from);
    QTest::mouseMove(&panel, to);
    QTest::mouseRelease(&panel, Qt::LeftButton, {}, to);
    QApplication::processEvents();
  }

  void Wheel(int delta) {
    const QPointF at(50, 60);
    QWheelEvent event(at, panel.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&panel, &event);
    QApplication::processEvents();
  }

  TTablePanel01 panel;
  TTableItem* groupA = nullptr;
  TTableItem* groupB = nullptr;
};

TEST_F(TablePanelTest, ShowsOnlyWholeRowsFromThePosition) {
  std::set<int> painted;
  panel.OnPaintItem = [&](TTableItem& item, QPainter&, const QRect&) {
    if (!item.IsColumn() && item.Parent() == &Leaf(2)) painted.insert(RowOf(item));
  };
  panel.SetPosition(3);
  panel.SelectRow(8);  // the cut-off sixth row would show the highlight if it were drawn
  panel.PaintNow();
  EXPECT_EQ(painted, (std::set<int>{3, 4, 5, 6, 7}));
  EXPECT_EQ(panel.VisibleRowCount(), 5);

  EXPECT_EQ(Leaf(2).Cell(3)->Top, kHeader);
  EXPECT_EQ(Pixel(150, kHeader + 4 * kCellHeight + 8), kBackground);
  EXPECT_EQ(Pixel(150, kHeader + 5 * kCellHeight + 4), kBackground);

  panel.SetPosition(-5);
  EXPECT_EQ(panel.Position(), 0);
}

TEST_F(TablePanelTest, WheelScrollsOneRowPerNotch) {
  std::vector<int> reported;
  panel.OnScroll = [&](int position) { reported.push_back(position); };
  Wheel(-120);
  EXPECT_EQ(panel.Position(), 1);
  Wheel(-120);
  Wheel(120);
  EXPECT_EQ(panel.Position(), 1);
  Wheel(120);
  Wheel(120);  // already at the top: nothing moves, nothing reported
  EXPECT_EQ(panel.Position(), 0);
  EXPECT_EQ(reported, (std::vector<int>{1, 2, 1, 0}));

  // Half notches add up to one row.
  Wheel(-60);
  EXPECT_EQ(panel.Position(), 0);
  Wheel(-60);
  EXPECT_EQ(panel.Position(), 1);
}

TEST_F(TablePanelTest, DraggingAColumnEdgeMovesOnlyTheNeighbourWithinTheGroup) {
  Drag({100, 30}, {130, 30});
  EXPECT_DOUBLE_EQ(Leaf(0).Width, 130);
  EXPECT_DOUBLE_EQ(Leaf(1).Width, 70);
  EXPECT_EQ(groupA->Right, 200);

  // The neighbour keeps its minimum however far the edge is pulled, and so does the column.
  Drag({130, 100}, {390, 100});
  EXPECT_DOUBLE_EQ(Leaf(1).Width, kMinimumColumnWidth);
  EXPECT_EQ(Leaf(1).Right, 200);
  Drag({198, 100}, {-50, 100});  // the edge of "a" now sits two pixels before the group edge
  EXPECT_DOUBLE_EQ(Leaf(0).Width, kMinimumColumnWidth);
  EXPECT_DOUBLE_EQ(Leaf(1).Width, 198);
  EXPECT_EQ(groupA->Right, 200);
  EXPECT_EQ(groupB->Left, 200);
}

TEST_F(TablePanelTest, DraggingAGroupEdgeRescalesBothGroupsAboveTheirMinimums) {
  Drag({60, 30}, {60, 30});  // a click far from any edge resizes nothing
  EXPECT_DOUBLE_EQ(groupA->Width, 200);

  Drag({200, 5}, {100, 5});
  EXPECT_DOUBLE_EQ(groupA->Width, 100);
  EXPECT_DOUBLE_EQ(groupB->Width, 300);
  EXPECT_DOUBLE_EQ(Leaf(0).Width, 50);
  EXPECT_DOUBLE_EQ(Leaf(3).Width, 150);
  EXPECT_EQ(groupB->Right, kWidth);

  // The edge shared by "b" and group "A" moves the group as well.
  Drag({100, 60}, {-40, 60});
  EXPECT_DOUBLE_EQ(groupA->Width, 2 * kMinimumColumnWidth);
  EXPECT_DOUBLE_EQ(Leaf(0).Width, kMinimumColumnWidth);
  EXPECT_DOUBLE_EQ(Leaf(1).Width, kMinimumColumnWidth);
  EXPECT_EQ(groupB->Right, kWidth);

  // The table's right edge belongs to no neighbour.
  Drag({kWidth - 1, 5}, {kWidth - 100, 5});
  EXPECT_EQ(groupB->Right, kWidth);
  EXPECT_DOUBLE_EQ(groupA->Width + groupB->Width, kWidth);
}

TEST_F(TablePanelTest, ClickSelectsTheRowAndReportsTheCell) {
  panel.SetPosition(2);
  QApplication::processEvents();
  TTableItem* clicked = nullptr;
  panel.OnClickItem = [&](TTableItem& cell) { clicked = &cell; };
  QTest::mouseClick(&panel, Qt::LeftButton, {}, QPoint(250, kHeader + kCellHeight + 5));
  QApplication::processEvents();
  ASSERT_NE(clicked, nullptr);
  EXPECT_EQ(clicked->Parent(), &Leaf(2));
  EXPECT_EQ(RowOf(*clicked), 3);
  EXPECT_EQ(panel.SelectedRow(), 3);
  EXPECT_EQ(Pixel(50, kHeader + kCellHeight + 14), panel.palette().color(QPalette::Highlight));
  EXPECT_EQ(Pixel(50, kHeader + 2 * kCellHeight + 14), kBackground);

  // Headers and the cut-off row below the last whole row are not cells to click.
  clicked = nullptr;
  QTest::mouseClick(&panel, Qt::LeftButton, {}, QPoint(250, 25));
  QTest::mouseClick(&panel, Qt::LeftButton, {}, QPoint(250, kHeader + 5 * kCellHeight + 3));
  EXPECT_EQ(clicked, nullptr);
  EXPECT_EQ(panel.SelectedRow(), 3);
}

}  // namespace
}  // namespace quillon::testing

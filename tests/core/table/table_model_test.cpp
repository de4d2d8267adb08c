#include "table/table_model.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "text/cp1251.h"

namespace quillon {
namespace {

// Two groups of two columns, 100 pixels each, and a given number of rows whose cells carry
// their row number as payload.
class SmallTable : public ::testing::Test {
 protected:
  void SetUp() override {
    left = &table.AddColumn("L", 200);
    left->AddColumn("a", 100);
    left->AddColumn("b", 100);
    right = &table.AddColumn("R", 200);
    right->AddColumn("c", 100);
    right->AddColumn("d", 100);
    table.LayOut();
  }

  void AddRows(int rows) {
    for (TTableItem* column : table.LeafColumns()) {
      for (int row = 0; row < rows; ++row) {
        column->AddCell([column, row] { return column->Caption() + std::to_string(row); }, row);
      }
    }
  }

  TTableItem& Leaf(int index) { return *table.LeafColumns()[index]; }

  TableModel table;
  TTableItem* left = nullptr;
  TTableItem* right = nullptr;
};

TEST_F(SmallTable, LayOutPlacesGroupsAndColumnsEdgeToEdge) {
  EXPECT_EQ(table.HeaderHeight(), 2 * kHeaderHeight);
  EXPECT_EQ(table.HeaderRect(*left), (TableRect{0, 0, 200, kHeaderHeight}));
  EXPECT_EQ(table.HeaderRect(Leaf(1)), (TableRect{100, kHeaderHeight, 100, kHeaderHeight}));
  EXPECT_EQ(table.HeaderRect(Leaf(2)), (TableRect{200, kHeaderHeight, 100, kHeaderHeight}));
  EXPECT_EQ(Leaf(3).Right, right->Right);
}

TEST_F(SmallTable, LastSubColumnSharesTheGroupEdgeWhateverTheRounding) {
  table.ResizeColumn(Leaf(0), 33.4);
  table.ResizeColumn(*left, 100.6);
  EXPECT_EQ(Leaf(1).Right, left->Right);
  EXPECT_EQ(Leaf(2).Left, left->Right);
  EXPECT_EQ(right->Right, 400);
}

TEST_F(SmallTable, SubColumnsNarrowerThanTheirGroupLeaveTheRestToTheLast) {
  Leaf(0).Width = 30;
  Leaf(1).Width = 20;
  table.LayOut();
  EXPECT_DOUBLE_EQ(Leaf(1).Width, 170);
  EXPECT_EQ(Leaf(1).Right, 200);
}

TEST_F(SmallTable, ShallowColumnHeaderReachesDownToTheCells) {
  TTableItem& flat = table.AddColumn("flat", 50);
  table.LayOut();
  EXPECT_EQ(table.HeaderRect(flat), (TableRect{400, 0, 50, 2 * kHeaderHeight}));
  EXPECT_EQ(table.LeafColumns().back(), &flat);
  EXPECT_EQ(table.HitTest(420, 30, 200).item, &flat);
}

TEST_F(SmallTable, VisibleRowsAreWholeRowsFromThePosition) {
  AddRows(20);
  const int height = 2 * kHeaderHeight + 5 * kCellHeight + kCellHeight - 1;  // a sixth row would be cut
  EXPECT_EQ(table.VisibleRowCapacity(height), 5);
  table.SetPosition(3);
  RowRange rows = table.VisibleRows(height);
  EXPECT_EQ(rows.first, 3);
  EXPECT_EQ(rows.end, 8);
  table.SetPosition(17);
  rows = table.VisibleRows(height);
  EXPECT_EQ(rows.Count(), 3);
  EXPECT_EQ(table.VisibleRows(2 * kHeaderHeight - 1).Count(), 0);
}

TEST_F(SmallTable, PositionNeverBelowZeroAndScrollingStaysOnRows) {
  AddRows(4);
  table.SetPosition(-3);
  EXPECT_EQ(table.Position(), 0);
  table.ScrollBy(-1);
  EXPECT_EQ(table.Position(), 0);
  table.ScrollBy(1);
  table.ScrollBy(1);
  EXPECT_EQ(table.Position(), 2);
  table.ScrollBy(10);
  EXPECT_EQ(table.Position(), 3);
  table.ClearInfoIntems();
  table.ScrollBy(1);
  EXPECT_EQ(table.Position(), 0);
}

TEST_F(SmallTable, SelectingARowMarksItsCellsInEveryColumn) {
  AddRows(5);
  table.SelectRow(2);
  for (TTableItem* column : table.LeafColumns()) {
    for (int row = 0; row < 5; ++row) EXPECT_EQ(column->Cell(row)->Selected, row == 2);
  }
  table.SelectRow(4);
  EXPECT_FALSE(Leaf(0).Cell(2)->Selected);
  EXPECT_TRUE(Leaf(3).Cell(4)->Selected);
  table.SelectRow(-7);
  EXPECT_EQ(table.SelectedRow(), -1);
  EXPECT_FALSE(Leaf(3).Cell(4)->Selected);
}

TEST_F(SmallTable, ClearInfoIntemsDropsCellsAndSelectionButKeepsColumns) {
  AddRows(3);
  table.SelectRow(1);
  table.ClearInfoIntems();
  EXPECT_EQ(table.RowCount(), 0);
  EXPECT_EQ(table.SelectedRow(), -1);
  ASSERT_EQ(table.LeafColumns().size(), 4u);
  EXPECT_EQ(left->Items().size(), 2u);
  AddRows(2);
  EXPECT_FALSE(Leaf(0).Cell(1)->Selected);
}

TEST_F(SmallTable, CellsKnowTheirRowPayloadAndText) {
  AddRows(3);
  TTableItem& cell = *Leaf(2).Cell(1);
  EXPECT_EQ(cell.Index(), 1);
  EXPECT_EQ(std::any_cast<int>(cell.Payload), 1);
  EXPECT_EQ(cell.Caption(), "");
  cell.RefreshCaption();
  EXPECT_EQ(cell.Caption(), "c1");
  EXPECT_EQ(cell.Table(), &table);
}

TEST(TableItem, CaptionKeepsAtMost255Characters) {
  TableModel table;
  TTableItem& column = table.AddColumn("x");
  TTableItem& cell = column.AddCell([] {
    std::string text;
    for (int i = 0; i < 300; ++i) text += "ж";
    return text;
  });
  cell.RefreshCaption();
  EXPECT_EQ(Utf8Length(cell.Caption()), kMaxCaptionChars);
  EXPECT_EQ(cell.Caption().size(), 2 * kMaxCaptionChars);
}

TEST(TableItem, ColumnsHoldEitherSubColumnsOrCells) {
  TableModel table;
  TTableItem& group = table.AddColumn("g");
  group.AddColumn("a");
  EXPECT_THROW(group.AddCell(), std::logic_error);
  TTableItem& leaf = table.AddColumn("leaf");
  TTableItem& cell = leaf.AddCell();
  EXPECT_THROW(leaf.AddColumn("late"), std::logic_error);
  EXPECT_THROW(cell.AddCell(), std::logic_error);
  EXPECT_FALSE(cell.IsColumn());
  EXPECT_EQ(cell.Height, kCellHeight);
  EXPECT_EQ(leaf.Height, kHeaderHeight);
}

TEST_F(SmallTable, HitTestFindsHeadersCellsAndNothingBelowTheRows) {
  AddRows(10);
  table.SetPosition(2);
  const int height = 2 * kHeaderHeight + 3 * kCellHeight + 8;
  EXPECT_EQ(table.HitTest(150, 5, height).item, left);
  EXPECT_EQ(table.HitTest(150, 25, height).item, &Leaf(1));
  EXPECT_EQ(table.HitTest(150, 25, height).row, -1);

  const TableHit hit = table.HitTest(250, 2 * kHeaderHeight + kCellHeight + 3, height);
  EXPECT_EQ(hit.row, 3);
  EXPECT_EQ(hit.column, &Leaf(2));
  EXPECT_EQ(hit.item, Leaf(2).Cell(3));

  // The partly visible fourth row is not painted, so it cannot be clicked.
  EXPECT_EQ(table.HitTest(250, 2 * kHeaderHeight + 3 * kCellHeight + 2, height).item, nullptr);
  EXPECT_EQ(table.HitTest(450, 50, height).item, nullptr);
  EXPECT_EQ(table.HitTest(-1, 50, height).item, nullptr);
}

TEST_F(SmallTable, HitTestPastTheLastRowFindsNoCell) {
  AddRows(2);
  EXPECT_EQ(table.HitTest(50, 2 * kHeaderHeight + 2 * kCellHeight + 1, 400).row, -1);
}

TEST_F(SmallTable, CellRectOnlyForVisibleRows) {
  AddRows(10);
  table.SetPosition(4);
  const int height = 2 * kHeaderHeight + 3 * kCellHeight;
  TableRect rect;
  ASSERT_TRUE(table.CellRect(*Leaf(1).Cell(5), height, rect));
  EXPECT_EQ(rect, (TableRect{100, 2 * kHeaderHeight + kCellHeight, 100, kCellHeight}));
  EXPECT_FALSE(table.CellRect(*Leaf(1).Cell(3), height, rect));
  EXPECT_FALSE(table.CellRect(*Leaf(1).Cell(7), height, rect));
  EXPECT_FALSE(table.CellRect(Leaf(1), height, rect));
}

TEST_F(SmallTable, ResizeGripIsFourPixelsLeftAndTwoRightOfAnEdge) {
  EXPECT_EQ(table.ResizeTarget(96, 30), &Leaf(0));
  EXPECT_EQ(table.ResizeTarget(102, 30), &Leaf(0));
  EXPECT_EQ(table.ResizeTarget(95, 30), nullptr);
  EXPECT_EQ(table.ResizeTarget(103, 30), nullptr);
  // Below the header the same edges hold.
  EXPECT_EQ(table.ResizeTarget(100, 200), &Leaf(0));
}

TEST_F(SmallTable, EdgeOfALastSubColumnMovesItsGroupAndTheTableEdgeNothing) {
  EXPECT_EQ(table.ResizeTarget(199, 30), left);
  EXPECT_EQ(table.ResizeTarget(199, 5), left);
  EXPECT_EQ(table.ResizeTarget(300, 5), nullptr);  // inside "R", far from its edge
  EXPECT_EQ(table.ResizeTarget(399, 30), nullptr);
  EXPECT_EQ(table.ResizeTarget(399, 5), nullptr);
}

TEST(TableModel, ResizingAColumnOfAnotherTableChangesNothing) {
  TableModel one;
  TableModel other;
  TTableItem& first = other.AddColumn("a", 50);
  other.AddColumn("b", 50);
  EXPECT_FALSE(one.ResizeColumn(first, 70));
  EXPECT_DOUBLE_EQ(first.Width, 50);
}

}  // namespace
}  // namespace quillon

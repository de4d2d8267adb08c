#include "table/table_model.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "text/cp1251.h"

namespace quillon {
namespace {

// Two groups of two columns, 100 pixels each, and a given number of rows whose cells carry
// their column caption and row number as text.
class SmallTable : public ::testing::Test {
 protected:
  void SetUp() override {
    left = &table.AddColumn("L", 200);
    right = &table.AddColumn("R", 200);
    for (const char* name : {"a", "b"}) left->AddColumn(name, 100);
    for (const char* name : {"c", "d"}) right->AddColumn(name, 100);
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
  static constexpr int kTop = 2 * kHeaderHeight;  // where the cells begin

  TableModel table;
  TTableItem* left = nullptr;
  TTableItem* right = nullptr;
};

TEST_F(SmallTable, LayOutPlacesGroupsAndColumnsEdgeToEdge) {
  EXPECT_EQ(table.HeaderRect(*left), (TableRect{0, 0, 200, kHeaderHeight}));
  EXPECT_EQ(table.HeaderRect(Leaf(2)), (TableRect{200, kHeaderHeight, 100, kHeaderHeight}));
  // The last sub-column shares the group edge whatever the rounding.
  table.ResizeColumn(Leaf(0), 33.4);
  table.ResizeColumn(*left, 100.6);
  EXPECT_EQ(Leaf(1).Right, left->Right);
  EXPECT_EQ(Leaf(2).Left, left->Right);
  EXPECT_EQ(right->Right, 400);
  // A column without sub-columns reaches down to the cells.
  TTableItem& flat = table.AddColumn("flat", 50);
  table.LayOut();
  EXPECT_EQ(table.HeaderRect(flat), (TableRect{400, 0, 50, kTop}));
  EXPECT_EQ(table.HitTest(420, 30, 200).item, &flat);
}

TEST_F(SmallTable, VisibleRowsAreWholeRowsFromThePosition) {
  AddRows(20);
  const int height = kTop + 6 * kCellHeight - 1;  // a sixth row would be cut
  EXPECT_EQ(table.VisibleRowCapacity(height), 5);
  table.SetPosition(3);
  EXPECT_EQ(std::pair(table.VisibleRows(height).first, table.VisibleRows(height).end), std::pair(3, 8));
  table.SetPosition(17);
  EXPECT_EQ(table.VisibleRows(height).Count(), 3);
  EXPECT_EQ(table.VisibleRows(kTop - 1).Count(), 0);
}

TEST_F(SmallTable, PositionAndWheelStayOnRows) {
  AddRows(4);
  table.SetPosition(-3);
  std::vector<int> positions = {table.Position()};
  for (int rows : {-1, 1, 1, 10}) {  // one wheel notch is one row
    table.ScrollBy(rows);
    positions.push_back(table.Position());
  }
  EXPECT_EQ(positions, (std::vector<int>{0, 0, 1, 2, 3}));
  table.ClearInfoIntems();
  table.ScrollBy(1);
  EXPECT_EQ(table.Position(), 0);
}

TEST_F(SmallTable, SelectionMarksTheRowInEveryColumnAndClearingDropsIt) {
  AddRows(5);
  table.SelectRow(2);
  table.SelectRow(4);
  for (TTableItem* column : table.LeafColumns()) {
    for (int row = 0; row < 5; ++row) EXPECT_EQ(column->Cell(row)->Selected, row == 4);
  }
  table.SelectRow(-7);
  EXPECT_EQ(std::pair(table.SelectedRow(), Leaf(3).Cell(4)->Selected), std::pair(-1, false));
  // Clearing drops the cells and the selection but keeps the columns.
  table.SelectRow(1);
  table.ClearInfoIntems();
  EXPECT_EQ(std::pair(table.RowCount(), table.SelectedRow()), std::pair(0, -1));
  ASSERT_EQ(table.LeafColumns().size(), 4u);
  AddRows(2);
  EXPECT_FALSE(Leaf(0).Cell(1)->Selected);
}

TEST(TableItem, CaptionsAndTheShapeOfTheTree) {
  TableModel table;
  TTableItem& column = table.AddColumn("x");
  std::string text;
  for (int i = 0; i < 300; ++i) text += "ж";
  TTableItem& cell = column.AddCell([text] { return text; });
  cell.RefreshCaption();
  EXPECT_EQ(Utf8Length(cell.Caption()), kMaxCaptionChars);  // whole characters, not bytes
  EXPECT_EQ(cell.Caption().size(), 2 * kMaxCaptionChars);
  // A column holds either sub-columns or cells.
  TTableItem& group = table.AddColumn("g");
  group.AddColumn("a");
  EXPECT_THROW(group.AddCell(), std::logic_error);
  EXPECT_THROW(column.AddColumn("late"), std::logic_error);
  EXPECT_THROW(cell.AddCell(), std::logic_error);
  // A column of another table is not resized.
  TableModel other;
  const double before = column.Width;
  EXPECT_FALSE(other.ResizeColumn(column, before + 20));
  EXPECT_DOUBLE_EQ(column.Width, before);
}

TEST_F(SmallTable, HitTestFindsHeadersAndVisibleCellsOnly) {
  AddRows(10);
  table.SetPosition(2);
  const int height = kTop + 3 * kCellHeight + 8;
  EXPECT_EQ(table.HitTest(150, 5, height).item, left);
  EXPECT_EQ(table.HitTest(150, 25, height).item, &Leaf(1));
  EXPECT_EQ(table.HitTest(150, 25, height).row, -1);
  const TableHit hit = table.HitTest(250, kTop + kCellHeight + 3, height);
  EXPECT_EQ(std::tuple(hit.row, hit.column, hit.item), std::tuple(3, &Leaf(2), Leaf(2).Cell(3)));
  // The partly visible fourth row is not painted, so it cannot be clicked.
  EXPECT_EQ(table.HitTest(250, kTop + 3 * kCellHeight + 2, height).item, nullptr);
  EXPECT_EQ(table.HitTest(450, 50, height).item, nullptr);
  EXPECT_EQ(table.HitTest(-1, 50, height).item, nullptr);
  table.SetPosition(8);
  EXPECT_EQ(table.HitTest(50, kTop + 2 * kCellHeight + 1, 400).row, -1);  // past the last row

  TableRect rect;
  table.SetPosition(4);
  ASSERT_TRUE(table.CellRect(*Leaf(1).Cell(5), height, rect));
  EXPECT_EQ(rect, (TableRect{100, kTop + kCellHeight, 100, kCellHeight}));
  EXPECT_FALSE(table.CellRect(*Leaf(1).Cell(3), height, rect));
  EXPECT_FALSE(table.CellRect(*Leaf(1).Cell(7), height, rect));
  EXPECT_FALSE(table.CellRect(Leaf(1), height, rect));
}

TEST_F(SmallTable, ResizeGripIsFourPixelsLeftAndTwoRightOfAnEdge) {
  // The edge of a last sub-column moves its group; the table's right edge moves nothing.
  const std::tuple<int, int, TTableItem*> rows[] = {
      {96, 30, &Leaf(0)}, {102, 30, &Leaf(0)}, {95, 30, nullptr}, {103, 30, nullptr}, {100, 200, &Leaf(0)},
      {199, 30, left},    {199, 5, left},      {300, 5, nullptr}, {399, 30, nullptr}, {399, 5, nullptr}};
  for (const auto& [x, y, target] : rows) EXPECT_EQ(table.ResizeTarget(x, y), target) << x << "," << y;
}

}  // namespace
}  // namespace quillon

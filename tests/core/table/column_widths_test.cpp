#include "table/column_widths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "table/table_model.h"

namespace quillon {
namespace {

double Sum(const std::vector<double>& widths) { return std::accumulate(widths.begin(), widths.end(), 0.0); }

TEST(DistributeWidth, SharesInProportionAndHitsTheTarget) {
  const auto widths = DistributeWidth({100, 300}, {2, 2}, 200);
  EXPECT_DOUBLE_EQ(widths[0], 50);
  EXPECT_DOUBLE_EQ(widths[1], 150);
}

TEST(DistributeWidth, EntriesWithoutWidthShareEqually) {
  const auto widths = DistributeWidth({0, 0, 0}, {2, 2, 2}, 90);
  EXPECT_EQ(widths, (std::vector<double>{30, 30, 30}));
}

TEST(DistributeWidth, PinsSmallEntriesAtTheirMinimumAndSharesTheRest) {
  // Proportionally the first entry would get 1, below its minimum of 2.
  const auto widths = DistributeWidth({1, 49, 50}, {2, 2, 2}, 100);
  EXPECT_DOUBLE_EQ(widths[0], 2);
  EXPECT_NEAR(widths[1], 49 * 98.0 / 99, 1e-9);
  EXPECT_DOUBLE_EQ(Sum(widths), 100);
  // A pinned entry can push another below its minimum in the next round.
  const auto cascade = DistributeWidth({1, 3, 96}, {4, 4, 4}, 50);
  EXPECT_DOUBLE_EQ(cascade[0], 4);
  EXPECT_DOUBLE_EQ(cascade[1], 4);
  EXPECT_DOUBLE_EQ(cascade[2], 42);
}

TEST(DistributeWidth, MinimumsWinOverATooSmallTarget) {
  EXPECT_EQ(DistributeWidth({10, 10}, {4, 6}, 5), (std::vector<double>{4, 6}));
  EXPECT_TRUE(DistributeWidth({}, {}, 100).empty());
}

// The column groups of the parameter table as the main window creates them.
class ParameterColumns : public ::testing::Test {
 protected:
  void SetUp() override {
    parameter = &table.AddColumn("Параметр", 480);
    for (const char* name : {"PN", "Имя", "Назначение", "Ед.Изм."}) parameter->AddColumn(name);
    base = &table.AddColumn("База", 240);
    base->AddColumn("hex");
    base->AddColumn("Physical");
    controller = &table.AddColumn("Контроллер", 240);
    controller->AddColumn("hex");
    controller->AddColumn("Physical");
    table.LayOut();
  }

  TTableItem& Sub(TTableItem* group, int index) { return *group->Items()[index]; }

  static double ChildSum(const TTableItem& group) {
    double sum = 0;
    for (const auto& child : group.Items()) sum += child->Width;
    return sum;
  }

  TableModel table;
  TTableItem* parameter = nullptr;
  TTableItem* base = nullptr;
  TTableItem* controller = nullptr;
};

TEST_F(ParameterColumns, GroupMinimumAllowsEverySubColumnItsMinimum) {
  EXPECT_DOUBLE_EQ(MinimumWidth(*parameter), 4 * kMinimumColumnWidth);
  EXPECT_DOUBLE_EQ(MinimumWidth(*base), 2 * kMinimumColumnWidth);
  EXPECT_DOUBLE_EQ(MinimumWidth(Sub(base, 0)), kMinimumColumnWidth);
}

TEST_F(ParameterColumns, SubColumnResizeIsAbsorbedByItsRightNeighbour) {
  ASSERT_TRUE(ResizeColumn(Sub(parameter, 1), 150));
  EXPECT_DOUBLE_EQ(Sub(parameter, 1).Width, 150);
  EXPECT_DOUBLE_EQ(Sub(parameter, 2).Width, 90);
  EXPECT_DOUBLE_EQ(Sub(parameter, 0).Width, 120);
  EXPECT_DOUBLE_EQ(Sub(parameter, 3).Width, 120);
  EXPECT_DOUBLE_EQ(parameter->Width, 480);

  // Growing past what the neighbour has stops at the neighbour's minimum.
  ASSERT_TRUE(ResizeColumn(Sub(parameter, 1), 1000));
  EXPECT_DOUBLE_EQ(Sub(parameter, 2).Width, kMinimumColumnWidth);
  EXPECT_DOUBLE_EQ(Sub(parameter, 1).Width, 238);
  EXPECT_DOUBLE_EQ(ChildSum(*parameter), 480);

  // Shrinking stops at the column's own minimum; the neighbour takes the rest.
  ASSERT_TRUE(ResizeColumn(Sub(parameter, 1), -30));
  EXPECT_DOUBLE_EQ(Sub(parameter, 1).Width, kMinimumColumnWidth);
  EXPECT_DOUBLE_EQ(Sub(parameter, 2).Width, 238);
  EXPECT_FALSE(ResizeColumn(Sub(parameter, 1), kMinimumColumnWidth));
  EXPECT_FALSE(ResizeColumn(Sub(parameter, 1), std::nan("")));
  EXPECT_DOUBLE_EQ(ChildSum(*parameter), 480);
}

TEST_F(ParameterColumns, LastSubColumnAndLastGroupHaveNoNeighbourToAbsorb) {
  EXPECT_FALSE(ResizeColumn(Sub(parameter, 3), 10));
  EXPECT_DOUBLE_EQ(Sub(parameter, 3).Width, 120);
  EXPECT_FALSE(ResizeColumn(*controller, 100));
  EXPECT_DOUBLE_EQ(controller->Width, 240);
}

TEST_F(ParameterColumns, GroupResizeRescalesTheSubColumnsOfBothGroups) {
  ASSERT_TRUE(ResizeColumn(Sub(base, 0), 60));  // base: 60 + 180
  ASSERT_TRUE(ResizeColumn(*base, 120));
  EXPECT_DOUBLE_EQ(base->Width, 120);
  EXPECT_DOUBLE_EQ(controller->Width, 360);
  EXPECT_DOUBLE_EQ(parameter->Width, 480);
  EXPECT_DOUBLE_EQ(Sub(base, 0).Width, 30);
  EXPECT_DOUBLE_EQ(Sub(base, 1).Width, 90);
  EXPECT_DOUBLE_EQ(Sub(controller, 0).Width, 180);
  EXPECT_DOUBLE_EQ(Sub(controller, 1).Width, 180);
}

TEST_F(ParameterColumns, GroupShrinksNoFurtherThanItsSubColumnsAllow) {
  ASSERT_TRUE(ResizeColumn(*parameter, 0));
  EXPECT_DOUBLE_EQ(parameter->Width, 8);
  EXPECT_DOUBLE_EQ(base->Width, 240 + 472);
  for (const auto& column : parameter->Items()) EXPECT_DOUBLE_EQ(column->Width, kMinimumColumnWidth);
  // And the neighbour gives no more than its own sub-columns allow.
  ASSERT_TRUE(ResizeColumn(*base, 5000));
  EXPECT_DOUBLE_EQ(controller->Width, 4);
  EXPECT_DOUBLE_EQ(ChildSum(*controller), 4);
  EXPECT_DOUBLE_EQ(base->Width + controller->Width + parameter->Width, 960);
}

TEST_F(ParameterColumns, FitSubColumnsGivesTheRestToTheLastOrSqueezesAll) {
  Sub(base, 0).Width = 50;
  FitSubColumns(*base);
  EXPECT_DOUBLE_EQ(Sub(base, 1).Width, 190);
  Sub(base, 0).Width = 400;
  FitSubColumns(*base);
  EXPECT_DOUBLE_EQ(ChildSum(*base), 240);
  EXPECT_GE(Sub(base, 1).Width, kMinimumColumnWidth);
  EXPECT_GT(Sub(base, 0).Width, Sub(base, 1).Width);
}

TEST_F(ParameterColumns, SetColumnWidthKeepsTheProportionsOfTheSubColumns) {
  ASSERT_TRUE(ResizeColumn(Sub(parameter, 0), 40));  // 40, 200, 120, 120
  SetColumnWidth(*parameter, 240);
  EXPECT_DOUBLE_EQ(Sub(parameter, 0).Width, 20);
  EXPECT_DOUBLE_EQ(Sub(parameter, 1).Width, 100);
  EXPECT_DOUBLE_EQ(ChildSum(*parameter), 240);
  SetColumnWidth(*parameter, 1);
  EXPECT_DOUBLE_EQ(parameter->Width, 8);
}

TEST_F(ParameterColumns, FittingToTheControlScalesGroupsAndSubColumns) {
  FitColumnsToWidth(table.Columns(), 480);
  EXPECT_DOUBLE_EQ(parameter->Width, 240);
  EXPECT_DOUBLE_EQ(base->Width, 120);
  EXPECT_DOUBLE_EQ(controller->Width, 120);
  EXPECT_DOUBLE_EQ(Sub(parameter, 2).Width, 60);
  // Too narrow a control: every group at its minimum, none narrower.
  FitColumnsToWidth(table.Columns(), 3);
  EXPECT_DOUBLE_EQ(parameter->Width, 8);
  EXPECT_DOUBLE_EQ(base->Width, 4);
  EXPECT_DOUBLE_EQ(controller->Width, 4);
  // Coming back from the minimums the groups grow together again.
  FitColumnsToWidth(table.Columns(), 1600);
  EXPECT_DOUBLE_EQ(parameter->Width, 800);
  EXPECT_DOUBLE_EQ(base->Width + controller->Width, 800);
  EXPECT_DOUBLE_EQ(ChildSum(*base), base->Width);
}

}  // namespace
}  // namespace quillon

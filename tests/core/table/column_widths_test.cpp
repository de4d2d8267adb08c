#include "table/column_widths.h"

#include <gtest/gtest.h>

#include <cmath>

#include "table/table_model.h"

namespace quillon {
namespace {

TEST(DistributeWidth, SharesInProportionAboveTheMinimums) {
  struct Row {
    std::vector<double> widths, minimums;
    double target;
    std::vector<double> expected;
  };
  const Row rows[] = {
      {{100, 300}, {2, 2}, 200, {50, 150}},
      {{0, 0, 0}, {2, 2, 2}, 90, {30, 30, 30}},  // entries without width share equally
      // Proportionally the first would get 1, below its minimum: it is pinned, the rest shared.
      {{1, 49, 50}, {2, 2, 2}, 100, {2, 49 * 98.0 / 99, 50 * 98.0 / 99}},
      // A pinned entry can push another below its minimum in the next round.
      {{1, 3, 96}, {4, 4, 4}, 50, {4, 4, 42}},
      {{10, 10}, {4, 6}, 5, {4, 6}},  // minimums win over a too small target
  };
  for (const Row& row : rows) {
    const auto widths = DistributeWidth(row.widths, row.minimums, row.target);
    ASSERT_EQ(widths.size(), row.expected.size());
    for (std::size_t i = 0; i < widths.size(); ++i) EXPECT_NEAR(widths[i], row.expected[i], 1e-9) << row.target;
  }
}

// The column groups of the parameter table as the main window creates them.
class ParameterColumns : public ::testing::Test {
 protected:
  void SetUp() override {
    parameter = &table.AddColumn("Параметр", 480);
    for (const char* name : {"PN", "Имя", "Назначение", "Ед.Изм."}) parameter->AddColumn(name);
    base = &table.AddColumn("База", 240);
    controller = &table.AddColumn("Контроллер", 240);
    for (TTableItem* group : {base, controller}) group->AddColumn("hex"), group->AddColumn("Physical");
    table.LayOut();
  }
  static std::vector<double> Widths(const TTableItem& group) {
    std::vector<double> widths;
    for (const auto& child : group.Items()) widths.push_back(child->Width);
    return widths;
  }
  TTableItem& Sub(TTableItem* group, int index) { return *group->Items()[index]; }

  TableModel table;
  TTableItem* parameter = nullptr;
  TTableItem* base = nullptr;
  TTableItem* controller = nullptr;
};

TEST_F(ParameterColumns, SubColumnResizeIsAbsorbedByItsRightNeighbour) {
  ASSERT_TRUE(ResizeColumn(Sub(parameter, 1), 150));
  EXPECT_EQ(Widths(*parameter), (std::vector<double>{120, 150, 90, 120}));
  // Growing past what the neighbour has stops at the neighbour's minimum.
  ASSERT_TRUE(ResizeColumn(Sub(parameter, 1), 1000));
  EXPECT_EQ(Widths(*parameter), (std::vector<double>{120, 238, kMinimumColumnWidth, 120}));
  // Shrinking stops at the column's own minimum; the neighbour takes the rest.
  ASSERT_TRUE(ResizeColumn(Sub(parameter, 1), -30));
  EXPECT_EQ(Widths(*parameter), (std::vector<double>{120, kMinimumColumnWidth, 238, 120}));
  EXPECT_FALSE(ResizeColumn(Sub(parameter, 1), kMinimumColumnWidth));
  EXPECT_FALSE(ResizeColumn(Sub(parameter, 1), std::nan("")));
  EXPECT_DOUBLE_EQ(parameter->Width, 480);
  // The last sub-column and the last group have no neighbour to absorb.
  EXPECT_FALSE(ResizeColumn(Sub(parameter, 3), 10));
  EXPECT_FALSE(ResizeColumn(*controller, 100));
  EXPECT_DOUBLE_EQ(controller->Width, 240);
}

TEST_F(ParameterColumns, GroupResizeRescalesTheSubColumnsOfBothGroups) {
  ASSERT_TRUE(ResizeColumn(Sub(base, 0), 60));  // base: 60 + 180
  ASSERT_TRUE(ResizeColumn(*base, 120));
  EXPECT_DOUBLE_EQ(parameter->Width, 480);
  EXPECT_EQ(Widths(*base), (std::vector<double>{30, 90}));
  EXPECT_EQ(Widths(*controller), (std::vector<double>{180, 180}));
  EXPECT_DOUBLE_EQ(controller->Width, 360);
}

TEST_F(ParameterColumns, GroupShrinksNoFurtherThanItsSubColumnsAllow) {
  ASSERT_TRUE(ResizeColumn(*parameter, 0));
  EXPECT_DOUBLE_EQ(parameter->Width, 8);
  EXPECT_DOUBLE_EQ(base->Width, 240 + 472);
  EXPECT_EQ(Widths(*parameter), std::vector<double>(4, kMinimumColumnWidth));
  // And the neighbour gives no more than its own sub-columns allow.
  ASSERT_TRUE(ResizeColumn(*base, 5000));
  EXPECT_EQ(Widths(*controller), std::vector<double>(2, kMinimumColumnWidth));
  EXPECT_DOUBLE_EQ(base->Width, 960 - 8 - 4);
}

TEST_F(ParameterColumns, SubColumnsFitTheirGroup) {
  Sub(base, 0).Width = 50;
  FitSubColumns(*base);  // the rest goes to the last
  EXPECT_EQ(Widths(*base), (std::vector<double>{50, 190}));
  Sub(base, 0).Width = 400;
  FitSubColumns(*base);  // too wide: all are squeezed
  EXPECT_DOUBLE_EQ(Sub(base, 0).Width + Sub(base, 1).Width, 240);
  EXPECT_GE(Sub(base, 1).Width, kMinimumColumnWidth);
  EXPECT_GT(Sub(base, 0).Width, Sub(base, 1).Width);
}

TEST_F(ParameterColumns, FittingToTheControlScalesGroupsAndSubColumns) {
  FitColumnsToWidth(table.Columns(), 480);
  EXPECT_EQ((std::vector<double>{parameter->Width, base->Width, controller->Width}),
            (std::vector<double>{240, 120, 120}));
  EXPECT_DOUBLE_EQ(Sub(parameter, 2).Width, 60);
  // Too narrow a control: every group at its minimum, none narrower.
  FitColumnsToWidth(table.Columns(), 3);
  EXPECT_EQ((std::vector<double>{parameter->Width, base->Width, controller->Width}), (std::vector<double>{8, 4, 4}));
  // Coming back from the minimums the groups grow together again.
  FitColumnsToWidth(table.Columns(), 1600);
  EXPECT_DOUBLE_EQ(parameter->Width, 800);
  EXPECT_DOUBLE_EQ(base->Width + controller->Width, 800);
  EXPECT_DOUBLE_EQ(Sub(base, 0).Width + Sub(base, 1).Width, base->Width);
}

}  // namespace
}  // namespace quillon

// Column widths sized to what the columns hold, within the width of the table.
#include "table/content_widths.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace quillon {
namespace {

TEST(FitContentWidths, ContentsRoomAndMinimumsDecideTheWidths) {
  struct Row {
    const char* what;
    std::vector<ColumnNeed> needs;
    double available;
    std::vector<double> expected;
  };
  const Row rows[] = {
      {"the room left over is shared by content", {{30, 10}, {50, 20}, {20, 10}}, 200, {60, 100, 40}},
      {"too wide: only the widest is narrowed", {{40, 20}, {300, 80}, {60, 30}}, 200, {40, 100, 60}},
      {"the narrowed ones meet at a common width, none below its minimum",
       {{100, 20}, {300, 80}, {60, 30}},
       200,
       {60, 80, 60}},
      {"not even the minimums fit: they shrink together", {{100, 20}, {300, 80}, {60, 30}}, 65, {10, 40, 15}},
      {"a content below its minimum counts as the minimum", {{5, 25}, {50, 10}}, 75, {25, 50}},
      {"no room yet: the contents", {{30, 10}, {50, 20}}, 0, {30, 50}},
  };
  for (const Row& row : rows) {
    const std::vector<double> widths = FitContentWidths(row.needs, row.available);
    ASSERT_EQ(widths.size(), row.expected.size()) << row.what;
    for (std::size_t i = 0; i < widths.size(); ++i) EXPECT_NEAR(widths[i], row.expected[i], 1e-6) << row.what;
  }
}

// The columns of the parameter table, with the needs a device's texts would give them.
TEST(SizeColumnsToContents, GroupsAreTheirColumnsAndAWideCaptionWidensThem) {
  TableModel table;
  TTableItem& parameter = table.AddColumn("Параметр", 40);
  for (const char* name : {"PN", "Имя", "Назначение", "Ед.Изм."}) parameter.AddColumn(name);
  TTableItem& base = table.AddColumn("База", 40);
  TTableItem& controller = table.AddColumn("Контроллер", 40);
  for (TTableItem* group : {&base, &controller}) group->AddColumn("hex"), group->AddColumn("Physical");
  const std::map<std::string, ColumnNeed> needs = {
      {"PN", {50, 30}},         {"Имя", {90, 35}},     {"Назначение", {260, 80}},
      {"Ед.Изм.", {45, 45}},    {"hex", {70, 30}},     {"Physical", {90, 55}},
      {"Контроллер", {0, 250}}, {"Параметр", {0, 60}}, {"База", {0, 90}},
  };
  const auto need = [&](const TTableItem& column) {
    const ColumnNeed found = needs.at(column.Caption());
    return column.Parent() == &controller ? ColumnNeed{found.content, 0} : found;
  };

  // The contents need 855 pixels: 445 for "Параметр", 160 for "База", and 250 for
  // "Контроллер", whose header asks more than its values (160), so its columns grow in
  // proportion. The 1000 pixels are shared in proportion to what the columns need.
  SizeColumnsToContents(table, need, 1000);
  const double share = 1000 / 855.0;
  EXPECT_NEAR(controller.Width, 250 * share, 1e-6);
  EXPECT_NEAR(controller.Items()[0]->Width, 250 * 70 / 160.0 * share, 1e-6);
  EXPECT_NEAR(base.Width, 160 * share, 1e-6);
  EXPECT_NEAR(parameter.Items()[2]->Width, 260 * share, 1e-6);
  EXPECT_NEAR(parameter.Width, 445 * share, 1e-6);
  EXPECT_EQ(controller.Right, 1000) << "laid out, ending at the table's edge";
  EXPECT_EQ(controller.Items()[1]->Right, 1000);

  // In 800 pixels "Назначение" gives up part of its text; the others keep theirs.
  SizeColumnsToContents(table, need, 800);
  EXPECT_NEAR(parameter.Items()[2]->Width, 260 - 55, 1e-6);
  EXPECT_NEAR(parameter.Items()[1]->Width, 90, 1e-6);
  EXPECT_NEAR(controller.Width, 250, 1e-6);
}

}  // namespace
}  // namespace quillon

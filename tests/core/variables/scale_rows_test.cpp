#include "variables/scale_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace quillon {
namespace {

ScaleTable TableOf(const std::vector<std::string>& lines) {
  ScaleTable table;
  for (const std::string& line : lines) table.Add(line);
  return table;
}

std::vector<std::string> ItemsOf(const TScale& row) {
  std::vector<std::string> items;
  for (std::size_t i = 0; i < row.Keys.size(); ++i) items.push_back(ChoiceItemText(row, i));
  return items;
}

TEST(ScaleRowsTest, RowsRunFromTheLastLineAndShowNumbersOrTheSelectedText) {
  const std::vector<TScale> rows = BuildScaleRows(TableOf({"Inom=1500", "Mode=1#slow#0.5/2#fast#0.25/2/"}));
  ASSERT_EQ(rows.size(), 2u);

  const TScale& mode = rows[0];
  EXPECT_EQ(mode.ScaleName, "Mode");
  EXPECT_EQ(mode.EditKind, ScaleEditKind::ComboBox);
  EXPECT_EQ(mode.Keys, (std::vector<std::string>{"2", "1"})) << "options from the last to the first";
  EXPECT_EQ(mode.Texts, (std::vector<std::string>{"fast", "slow"}));
  EXPECT_EQ(mode.Values, (std::vector<std::string>{"0.25", "0.5"}));
  EXPECT_EQ(mode.SelectedKey, "2");
  EXPECT_EQ(mode.CellText(), "fast");
  EXPECT_EQ(mode.SelectedOption(), 0);
  std::vector<std::string> offered = ItemsOf(mode);
  std::sort(offered.begin(), offered.end());
  EXPECT_EQ(offered, (std::vector<std::string>{"1 slow 0.5", "2 fast 0.25"}));

  const TScale& inom = rows[1];
  EXPECT_EQ(inom.ScaleName, "Inom");
  EXPECT_EQ(inom.EditKind, ScaleEditKind::Edit);
  EXPECT_EQ(inom.Keys, (std::vector<std::string>{"1500"}));
  EXPECT_EQ(inom.CellText(), "1500");
}

TEST(ScaleRowsTest, RowsWriteBackEveryLineAndOptionInItsOrder) {
  const std::vector<std::string> lines = {
      "Inom=100",
      "Unom=380",
      "StartMode=x00#Прямой пуск/x01#Плавный пуск/x02#Частотный пуск#Через преобразователь частоты/x01/",
      "Mode=1#slow#0.5/2#fast#0.25/2/",
      "Bare=x00/x01#/x02##/x03#a#b#c/x09/",  // short options, empty parts and a "#" inside a value
      "Orphan=1#a#3/2#b#4/9/",               // the selected key has no option
      "Empty=",
  };
  ScaleTable table = TableOf(lines);
  ApplyScaleRows(BuildScaleRows(table), table);
  EXPECT_EQ(table.Lines, lines);

  // The system writes every list with a final "/".
  table = TableOf({"Mode=1#slow#0.5/2#fast#0.25/2"});
  ApplyScaleRows(BuildScaleRows(table), table);
  EXPECT_EQ(table.Lines, (std::vector<std::string>{"Mode=1#slow#0.5/2#fast#0.25/2/"}));
}

TEST(ScaleRowsTest, ShortOptionsAndTextsWithBlanksAreShownWhole) {
  const TScale row = ScaleRowOf("StartMode=x00#Прямой пуск/x01#Плавный пуск/x02#Частотный пуск#Через ПЧ/x07#/x05/");
  EXPECT_EQ(row.Keys, (std::vector<std::string>{"x07", "x02", "x01", "x00"}));
  EXPECT_EQ(row.Values, (std::vector<std::string>{"", "Через ПЧ", "", ""}));
  EXPECT_EQ(ItemsOf(row),
            (std::vector<std::string>{"x07", "x02 Частотный пуск Через ПЧ", "x01 Плавный пуск", "x00 Прямой пуск"}));
  EXPECT_EQ(row.SelectedOption(), -1);
  EXPECT_EQ(row.CellText(), "x00#Прямой пуск/x01#Плавный пуск/x02#Частотный пуск#Через ПЧ/x07#/x05/")
      << "no option selected: the whole value";

  TScale chosen = row;
  ASSERT_TRUE(chosen.ChooseOption(2));
  EXPECT_EQ(chosen.SelectedKey, "x01");
  EXPECT_EQ(chosen.CellText(), "Плавный пуск") << "the whole text, not its first word";
  EXPECT_EQ(chosen.Line(), "StartMode=x00#Прямой пуск/x01#Плавный пуск/x02#Частотный пуск#Через ПЧ/x07#/x01/");
  EXPECT_FALSE(chosen.ChooseOption(4));
  EXPECT_FALSE(ScaleRowOf("Inom=1").ChooseOption(0)) << "a simple line has no options";
}

TEST(ScaleRowsTest, TypedNumbersKeepOnlyNumberCharacters) {
  TScale row = ScaleRowOf("Inom=1500");
  EXPECT_EQ(row.SetNumber("2 000,5 А;x"), "2000,5x");
  EXPECT_EQ(row.Keys, (std::vector<std::string>{"2000,5x"}));
  EXPECT_EQ(row.SetNumber("-1.5e+3"), "-1.5e+3");
  EXPECT_EQ(row.Line(), "Inom=-1.5e+3");
}

}  // namespace
}  // namespace quillon

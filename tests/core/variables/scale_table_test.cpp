#include "variables/scale_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "variables/registry.h"
#include "variables/scale_rows.h"
#include "variables/view_list.h"

namespace quillon {
namespace {

class ScaleTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* line : {"Inom=1500", "Mode=1#slow#0.5/2#fast#0.25/2/", "Word=fast", "Orphan=1#a#3/2#b#4/9/",
                             "A%B=8", "inom=1" /* the first line of a name wins */, "Zero=100"}) {
      table.Add(line);
    }
  }
  ScaleTable table;
};

TEST_F(ScaleTableTest, ScaleItemsResolveToNumbersOrTheFallback) {
  const std::pair<const char*, double> rows[] = {
      {"0,5", 0.5},       {"0.5", 0.5},
      {"Inom", 1500},     {"Inom%1000", 1.5},
      {"INOM%1000", 1.5}, {"Inom*2", 3000},
      {"Nope", 1.0},      {"Mode", 0.25},
      {"Mode*4", 1.0},    {"Orphan", 1.0} /* no option with the selected key: the whole value, no number */,
  };
  for (const auto& [item, scale] : rows) EXPECT_DOUBLE_EQ(EvaluateScale(&table, item, 1.0), scale) << item;
  EXPECT_DOUBLE_EQ(EvaluateScale(&table, "Nope", 0.0002), 0.0002);
  EXPECT_DOUBLE_EQ(EvaluateScale(nullptr, "Inom", 1.0), 1.0);
}

TEST_F(ScaleTableTest, ResolveInNumericAndKeyMode) {
  struct Row {
    const char* item;
    bool keyMode;
    const char* resolved;
  };
  const Row rows[] = {
      {"A%B%2", false, "4"},  // the last operator splits name and factor
      {"Inom%0", false, ""},  // no division by zero
      {"Inom%abc", false, ""},
      {"Inom%3", false, "500"},
      {"Mode", false, "0.25"},
      {"Mode", true, "2"},
      {"Orphan", false, "1#a#3/2#b#4/9/"},
      {"Orphan", true, "9"},
      // Key mode: a number is the value, a plain text is its own key, an unknown name is empty.
      {"Inom", true, "1500"},
      {"Word", true, "fast"},
      {"Nope", true, ""},
  };
  for (const Row& row : rows) EXPECT_EQ(table.Resolve(row.item, row.keyMode), row.resolved) << row.item;
  EXPECT_EQ(ChoiceValue("1#x#10/1#y#20/1/", false), "20");  // options are searched from the last
  EXPECT_EQ(ChoiceValue("1#x/1/", false), "");
}

TEST_F(ScaleTableTest, OffsetsAreIntegers) {
  // 1,5 is no integer; an unknown name gives the fallback.
  const std::vector<std::int64_t> offsets = {EvaluateOffset(&table, "-12", 0), EvaluateOffset(&table, "x10", 0),
                                             EvaluateOffset(&table, "Zero*2", 0),
                                             EvaluateOffset(&table, "Inom%1000", 0), EvaluateOffset(&table, "Nope", 7)};
  EXPECT_EQ(offsets, (std::vector<std::int64_t>{-12, 16, 200, 0, 7}));
}

TEST_F(ScaleTableTest, LinesAreReplacedInPlaceOrAppended) {
  table.SetValue("INOM", "2000");
  EXPECT_EQ(table.Lines[0], "INOM=2000");
  table.SetValue("New", "1");
  EXPECT_EQ(table.Lines.back(), "New=1");
}

TEST_F(ScaleTableTest, VariablesTakeScalesFromTheirList) {
  TViewList list;
  list.AddScale("Inom=1500");
  std::vector<std::uint8_t> image(kImageSize);
  TView* v = CreateVariable("p=I/d/TWORD/x10/r0001/A/Inom%1000/2/x0000/", {}, image, list);
  ASSERT_NE(v, nullptr);
  image[0x10] = 100;
  v->TakeSample();
  EXPECT_EQ(v->ValueTextAt(v->History.Head(), true, 4), "150");
  list.Scales.SetValue("Inom", "2000");
  list.Rescale();
  EXPECT_EQ(v->ValueTextAt(v->History.Head(), true, 4), "200");
  EXPECT_EQ(v->Definition().ScaleText, "Inom%1000");
}

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
  EXPECT_EQ(std::tuple(mode.ScaleName, mode.EditKind, mode.SelectedKey, mode.CellText(), mode.SelectedOption()),
            std::tuple("Mode", ScaleEditKind::ComboBox, "2", "fast", 0));
  EXPECT_EQ(mode.Keys, (std::vector<std::string>{"2", "1"})) << "options from the last to the first";
  EXPECT_EQ(mode.Texts, (std::vector<std::string>{"fast", "slow"}));
  EXPECT_EQ(mode.Values, (std::vector<std::string>{"0.25", "0.5"}));
  std::vector<std::string> offered = ItemsOf(mode);
  std::sort(offered.begin(), offered.end());
  EXPECT_EQ(offered, (std::vector<std::string>{"1 slow 0.5", "2 fast 0.25"}));

  const TScale& inom = rows[1];
  EXPECT_EQ(std::tuple(inom.ScaleName, inom.EditKind, inom.CellText()),
            std::tuple("Inom", ScaleEditKind::Edit, "1500"));
  EXPECT_EQ(inom.Keys, (std::vector<std::string>{"1500"}));
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

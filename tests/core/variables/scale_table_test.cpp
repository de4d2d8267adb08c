#include <gtest/gtest.h>

#include <vector>

#include "variables/registry.h"
#include "variables/scale_table.h"
#include "variables/view_list.h"

namespace quillon {
namespace {

class ScaleTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table.Add("Inom=1500");
    table.Add("Mode=1#slow#0.5/2#fast#0.25/2/");
    table.Add("Word=fast");
    table.Add("Orphan=1#a#3/2#b#4/9/");
  }
  ScaleTable table;
};

TEST_F(ScaleTableTest, NumbersAndReferences) {
  EXPECT_DOUBLE_EQ(EvaluateScale(&table, "0,5", 1.0), 0.5);
  EXPECT_DOUBLE_EQ(EvaluateScale(&table, "0.5", 1.0), 0.5);
  EXPECT_DOUBLE_EQ(EvaluateScale(&table, "Inom", 1.0), 1500.0);
  EXPECT_DOUBLE_EQ(EvaluateScale(&table, "Inom%1000", 1.0), 1.5);
  EXPECT_DOUBLE_EQ(EvaluateScale(&table, "Inom*2", 1.0), 3000.0);
  EXPECT_DOUBLE_EQ(EvaluateScale(&table, "Nope", 1.0), 1.0);
  EXPECT_DOUBLE_EQ(EvaluateScale(&table, "Nope", 0.0002), 0.0002);
  EXPECT_DOUBLE_EQ(EvaluateScale(nullptr, "Inom", 1.0), 1.0);
}

TEST_F(ScaleTableTest, NamesCompareWithoutCase) {
  EXPECT_DOUBLE_EQ(EvaluateScale(&table, "INOM%1000", 1.0), 1.5);
  table.Add("inom=1");  // the first line of a name wins
  EXPECT_DOUBLE_EQ(EvaluateScale(&table, "Inom", 1.0), 1500.0);
}

TEST_F(ScaleTableTest, TheLastOperatorSplitsNameAndFactor) {
  table.Add("A%B=8");
  EXPECT_EQ(table.Resolve("A%B%2", false), "4");
  EXPECT_EQ(table.Resolve("Inom%0", false), "");  // no division by zero
  EXPECT_EQ(table.Resolve("Inom%abc", false), "");
  EXPECT_EQ(table.Resolve("Inom%3", false), "500");
  EXPECT_EQ(table.Resolve("Inom%7", false).substr(0, 9), "214,28571");
}

TEST_F(ScaleTableTest, ChoiceLinesInBothModes) {
  EXPECT_EQ(table.Resolve("Mode", false), "0.25");
  EXPECT_EQ(table.Resolve("Mode", true), "2");
  EXPECT_DOUBLE_EQ(EvaluateScale(&table, "Mode", 1.0), 0.25);
  EXPECT_DOUBLE_EQ(EvaluateScale(&table, "Mode*4", 1.0), 1.0);
  // No option with the selected key: the whole value, which is no number.
  EXPECT_EQ(table.Resolve("Orphan", false), "1#a#3/2#b#4/9/");
  EXPECT_DOUBLE_EQ(EvaluateScale(&table, "Orphan", 1.0), 1.0);
  EXPECT_EQ(table.Resolve("Orphan", true), "9");
  // Key mode: a number is the value, a plain text is its own key, an unknown name is empty.
  EXPECT_EQ(table.Resolve("Inom", true), "1500");
  EXPECT_EQ(table.Resolve("Word", true), "fast");
  EXPECT_EQ(table.Resolve("Nope", true), "");
}

TEST_F(ScaleTableTest, ChoiceOptionsAreSearchedFromTheLast) {
  EXPECT_EQ(ChoiceValue("1#x#10/1#y#20/1/", false), "20");
  EXPECT_EQ(ChoiceValue("1#x/1/", false), "");
}

TEST_F(ScaleTableTest, OffsetsAreIntegers) {
  table.Add("Zero=100");
  EXPECT_EQ(EvaluateOffset(&table, "-12", 0), -12);
  EXPECT_EQ(EvaluateOffset(&table, "x10", 0), 16);
  EXPECT_EQ(EvaluateOffset(&table, "Zero", 0), 100);
  EXPECT_EQ(EvaluateOffset(&table, "Zero*2", 0), 200);
  EXPECT_EQ(EvaluateOffset(&table, "Inom%1000", 0), 0);  // 1,5 is no integer
  EXPECT_EQ(EvaluateOffset(&table, "Nope", 7), 7);
}

TEST_F(ScaleTableTest, LineParts) {
  EXPECT_EQ(ScaleLineName(" Inom = 1500 "), "Inom");
  EXPECT_EQ(ScaleLineValue(" Inom = 1500 "), "1500");
  EXPECT_EQ(ScaleLineValue("Inom"), "");
  table.SetValue("INOM", "2000");
  EXPECT_EQ(table.Lines[0], "INOM=2000");
  table.SetValue("New", "1");
  EXPECT_EQ(table.Lines.back(), "New=1");
  EXPECT_EQ(GeneralNumberText(1.5), "1,5");
  EXPECT_EQ(GeneralNumberText(3000), "3000");
}

TEST_F(ScaleTableTest, VariablesTakeScalesFromTheirList) {
  TViewList list;
  list.AddScale("Inom=1500");
  std::vector<std::uint8_t> image(kImageSize);
  TView* v = CreateVariable("p=I/d/TWORD/x10/r0001/A/Inom%1000/2/x0000/", {}, image, list);
  TView* unknown = CreateVariable("p=J/d/TWORD/x12/r0002/A/Other/2/x0000/", {}, image, list);
  ASSERT_TRUE(v && unknown);
  EXPECT_FLOAT_EQ(v->Scale, 1.5f);
  EXPECT_FLOAT_EQ(unknown->Scale, 1.0f);
  image[0x10] = 100;
  v->TakeSample();
  v->ShownIndex = v->Head;
  EXPECT_EQ(v->ValueText(true, 4), "150");
  // Changing the line and rescaling: a third larger.
  list.Scales.SetValue("Inom", "2000");
  list.Rescale();
  EXPECT_FLOAT_EQ(v->Scale, 2.0f);
  EXPECT_EQ(v->ValueText(true, 4), "200");
  EXPECT_EQ(v->ScaleText, "Inom%1000");
}

}  // namespace
}  // namespace quillon

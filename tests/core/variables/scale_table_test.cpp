#include "variables/scale_table.h"

#include <gtest/gtest.h>

#include <vector>

#include "variables/registry.h"
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

}  // namespace
}  // namespace quillon

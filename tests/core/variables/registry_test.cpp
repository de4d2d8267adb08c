#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "variable_fixture.h"
#include "variables/integer_types.h"

namespace quillon {
namespace {

using RegistryTest = testing::VariableTest;

TEST_F(RegistryTest, ItemSplittingAndAddressSpellings) {
  TView& open = Create("k=a/b/TWORD/x10/r0001/A/0.1/2/base");
  TView& closed = Create("k=a/b/TWORD/x10/r0001/A/0.1/2/base/");
  EXPECT_EQ(open.BaseValue, "base");
  EXPECT_EQ(open.DefinitionText(), closed.DefinitionText());
  // Two slashes in a row: the unit item is empty, the scale is still item 6.
  TView& gap = Create("k=a/b/TWORD/x10/r0001//0.5/2/x0001/");
  EXPECT_EQ(gap.Definition().Units, "");
  EXPECT_FLOAT_EQ(gap.Scale, 0.5f);
  for (const char* address : {"x0100", "$100", "0x100", "256"}) {
    TView& v = Create(std::string("k=n/d/TWORD/") + address + "/r0001/A/1/2/x0000/");
    EXPECT_EQ(v.DataPtr, image.data() + 256) << address;
  }
}

TEST_F(RegistryTest, LinesThatCreateNothingOrFail) {
  EXPECT_EQ(Make("k=n/d/TWord/x0100/r0001/A/1/2/x0000/"), nullptr);  // case matters
  EXPECT_EQ(Make("k=n/d/"), nullptr);
  EXPECT_EQ(Make("k="), nullptr);
  EXPECT_EQ(Make("k=n/d/TWORD/x0100/r0001/A/"), nullptr);  // 6 items, 7 needed
  EXPECT_EQ(Make("n/d/TWORD/x0100/r0001/A/1/2/x0000/"), nullptr);
  EXPECT_THROW(Make("k=n/d/TByte/xZZ/r0001.L/A/1/1///x00/"), ConversionError);
  EXPECT_THROW(Make("k=n/d/TByte/x10/rQQQQ.L/A/1/1///x00/"), ConversionError);
  EXPECT_THROW(Make("k=n/d/TInteger/x10//A/1/2/0/x00/"), ConversionError);
  EXPECT_THROW(Make("k=n/d/TBit/x10/mask/r0001.0/1/1/0/"), ConversionError);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_NE(Make("k=n/d/TWORD/x0100/r0001/A/1/"), nullptr);
  // The guarded register reads of a word and a bit fall to zero instead.
  EXPECT_EQ(Create("k=n/d/TWORD/x10/rXYZW/A/1/2/x0000/").Definition().Register, 0);
  EXPECT_EQ(Create("k=n/d/TBit/x10/1/rzzz/1/1/0/").Definition().Register, 0);
}

TEST_F(RegistryTest, WordWithoutAddressIsNeverSampledNorWritten) {
  TView& v = Create("k=n/d/TWORD//r0001/A/1/2/x1234/");
  EXPECT_TRUE(v.Definition().NoAddress);
  image[0] = 0x55;
  v.TakeSample();
  EXPECT_EQ(v.History.Head(), 0);
  v.WriteBase(image);
  EXPECT_EQ(image[0] + 256 * image[1], 0x55);
  EXPECT_EQ(v.DefinitionText(), "n/d/TWORD///A/1/2//0/x1234/");
}

TEST_F(RegistryTest, AtWithEmptyRatioMarksACellNotInMemory) {
  TView& v = Create("k=n/d/TByte/x0010/r0001.L/A/1/1/@//x05/");
  EXPECT_TRUE(v.Definition().NotInMemory);
  EXPECT_EQ(v.ColumnTextAt(5, v.History.Head()) + " " + v.ColumnTextAt(6, v.History.Head()), "x05 5");
  image[0x10] = 0xAA;
  v.WriteBase(image);
  EXPECT_EQ(image[0x10], 0xAA);
  // Only exactly 11 items carry a dependency.
  TView& longer = Create("k=n/d/TByte/x0010/r0001.L/A/1/1/@//x05/extra/");
  EXPECT_FALSE(longer.Definition().NotInMemory);
  EXPECT_EQ(longer.Definition().DependsOn, "");
}

TEST_F(RegistryTest, DependencyItemsAndUnreadableNumbers) {
  TView& v = Create("k=n/d/TWORD/x10/r0001/A/1/2/ref/1,5/x0000/");
  EXPECT_EQ(v.Definition().DependsOn, "ref");
  EXPECT_FLOAT_EQ(v.Ratio, 1.5f);
  EXPECT_EQ(v.ColumnTextAt(1, v.History.Head()), "n=1,5 ref");
  EXPECT_FLOAT_EQ(Create("k=n2/d/TWORD/x10/r0001/A/1/2/ref/abc/x0000/").Ratio, 0.0f);
  // Numbers beyond a 32-bit real fall back instead of becoming infinite.
  TView& huge = Create("k=n3/d/TWORD/x10/r0001/A/1e60/2/ref/1e60/x0000/");
  EXPECT_EQ(std::pair(huge.Scale, huge.Ratio), std::pair(1.0f, 0.0f));
  // Texts are cut to 255 characters, not bytes.
  std::string description;
  for (int i = 0; i < 300; ++i) description += "Ж";
  EXPECT_EQ(Create("k=n/" + description + "/TWORD/x10/r0001/A/1/2/x0000/").Definition().Description.size(), 255u * 2);
}

TEST_F(RegistryTest, ViewParametersSetGainAndHeight) {
  const char* const word = "k=a/d/TWORD/x10/r0001/A/1/2/x0000/";
  const std::tuple<const char*, const char*, double, int> rows[] = {
      {word, "2/10/0/", 2.0, 16}, {word, "2/15/0/", 2.0, 15}, {word, "2/16/0/", 2.0, 16},
      {word, "abc/40/", 1.0, 40}, {word, "", 0.0, 16},        {"k=f/d/TBit/x10/1/r0001.0/1/1/0/", "2/40/0/", 1.0, 15}};
  for (const auto& [line, view, gain, height] : rows) {
    TView& v = Create(line, view);
    EXPECT_DOUBLE_EQ(v.TrendGain, gain) << view;
    EXPECT_EQ(v.RowHeight, height) << view;
  }
}

TEST_F(RegistryTest, AddressAtTheEndOfTheImageNeverReadsPastIt) {
  TView& v = Create("k=n/d/TDWORD/xFFFE/r0001/A/1/4/x00000000/");
  image[0xFFFE] = 0x34;
  image[0xFFFF] = 0x12;
  Sample(v, {});
  EXPECT_EQ(v.HexTextAt(v.History.Head()), "x00001234");
  v.BaseValue = "x12345678";
  v.WriteBase(image);
  EXPECT_EQ(image[0xFFFE] + 256 * image[0xFFFF], 0x5678);
  // No image at all: the variable reads zeros.
  std::span<std::uint8_t> none;
  TView* detached = CreateVariable("k=m/d/TWORD/x10/r0001/A/1/2/x0000/", {}, none, list);
  detached->TakeSample();
  EXPECT_EQ(detached->SampleAt(detached->History.Head()), 0u);
}

TEST_F(RegistryTest, CreateByNameTakesTheLastMatchingLine) {
  const std::vector<std::string> lines = {"p1=speed/d/TWORD/x0010/r0001/A/1/2/x0001/",
                                          "p2=other/d/TWORD/x0020/r0002/A/1/2/x0002/",
                                          "p3=speed/d/TWORD/x0030/r0003/A/1/2/x0003/"};
  EXPECT_EQ(CreateVariableByName(lines, "speed", image, list)->Definition().Key, "p3");
  EXPECT_EQ(CreateVariableByName(lines, "none", image, list), nullptr);
}

}  // namespace
}  // namespace quillon

#include <gtest/gtest.h>

#include <vector>

#include "text/numbers.h"
#include "variables/integer_types.h"
#include "variables/registry.h"
#include "variables/view_list.h"

namespace quillon {
namespace {

class RegistryTest : public ::testing::Test {
 protected:
  TView* Create(std::string_view line, std::string_view view = {}) { return CreateVariable(line, view, image, list); }

  std::vector<std::uint8_t> image = std::vector<std::uint8_t>(kImageSize);
  TViewList list;
};

TEST_F(RegistryTest, FinalSlashAddsNoItemAndDoubleSlashGivesAnEmptyOne) {
  TView* open = Create("k=a/b/TWORD/x10/r0001/A/0.1/2/base");
  TView* closed = Create("k=a/b/TWORD/x10/r0001/A/0.1/2/base/");
  ASSERT_NE(open, nullptr);
  ASSERT_NE(closed, nullptr);
  EXPECT_EQ(open->BaseValue, "base");
  EXPECT_EQ(closed->BaseValue, "base");
  EXPECT_EQ(open->DefinitionText(), closed->DefinitionText());
  // Two slashes in a row: the unit item is empty, the scale is still item 6.
  TView* gap = Create("k=a/b/TWORD/x10/r0001//0.5/2/x0001/");
  ASSERT_NE(gap, nullptr);
  EXPECT_EQ(gap->Units, "");
  EXPECT_FLOAT_EQ(gap->Scale, 0.5f);
}

TEST_F(RegistryTest, FourAddressSpellingsGiveTheSameAddress) {
  for (const char* address : {"x0100", "$100", "0x100", "256"}) {
    TView* v = Create(std::string("k=n/d/TWORD/") + address + "/r0001/A/1/2/x0000/");
    ASSERT_NE(v, nullptr) << address;
    EXPECT_EQ(v->Address, 256) << address;
    EXPECT_EQ(v->DataPtr, image.data() + 256) << address;
  }
}

TEST_F(RegistryTest, UnknownTypesShortLinesAndLinesWithoutKeyCreateNothing) {
  EXPECT_EQ(Create("k=n/d/TWord/x0100/r0001/A/1/2/x0000/"), nullptr);  // case matters
  EXPECT_EQ(Create("k=n/d/TNothing/x0100/r0001/A/1/2/x0000/"), nullptr);
  EXPECT_EQ(Create("k=n/d/"), nullptr);
  EXPECT_EQ(Create("k="), nullptr);
  EXPECT_EQ(Create("k=n/d/TWORD/x0100/r0001/A/"), nullptr);  // 6 items, 7 needed
  EXPECT_NE(Create("k=n/d/TWORD/x0100/r0001/A/1/"), nullptr);
  EXPECT_EQ(Create("n/d/TWORD/x0100/r0001/A/1/2/x0000/"), nullptr);
  EXPECT_EQ(list.Count(), 1);
}

TEST_F(RegistryTest, UnreadableAddressOrRegisterIsAConversionError) {
  EXPECT_THROW(Create("k=n/d/TByte/xZZ/r0001.L/A/1/1///x00/"), ConversionError);
  EXPECT_THROW(Create("k=n/d/TByte/x10/rQQQQ.L/A/1/1///x00/"), ConversionError);
  EXPECT_THROW(Create("k=n/d/TInteger/x10//A/1/2/0/x00/"), ConversionError);
  EXPECT_THROW(Create("k=n/d/TBit/x10/mask/r0001.0/1/1/0/"), ConversionError);
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(RegistryTest, GuardedRegistersOfWordAndBitFallToZero) {
  TView* word = Create("k=n/d/TWORD/x10/rXYZW/A/1/2/x0000/");
  ASSERT_NE(word, nullptr);
  EXPECT_EQ(word->Register, 0);
  EXPECT_EQ(word->RegisterText, "");
  TView* bit = Create("k=n/d/TBit/x10/1/rzzz/1/1/0/");
  ASSERT_NE(bit, nullptr);
  EXPECT_EQ(bit->Register, 0);
}

TEST_F(RegistryTest, WordWithoutAddressIsNeverSampledNorWritten) {
  TView* v = Create("k=n/d/TWORD//r0001/A/1/2/x1234/");
  ASSERT_NE(v, nullptr);
  EXPECT_TRUE(v->NoAddress);
  EXPECT_EQ(v->Register, 0);
  image[0] = 0x55;
  v->TakeSample();
  EXPECT_EQ(v->Head, 0);
  v->WriteBase(image);
  EXPECT_EQ(image[0], 0x55);
  EXPECT_EQ(image[1], 0x00);
  EXPECT_EQ(v->DefinitionText(), "n/d/TWORD///A/1/2//0/x1234/");
}

TEST_F(RegistryTest, AtWithEmptyRatioMarksACellNotInMemory) {
  TView* v = Create("k=n/d/TByte/x0010/r0001.L/A/1/1/@//x05/");
  ASSERT_NE(v, nullptr);
  EXPECT_TRUE(v->NotInMemory);
  EXPECT_EQ(v->ColumnText(5), "x05");
  EXPECT_EQ(v->ColumnText(6), "5");
  image[0x10] = 0xAA;
  v->WriteBase(image);
  EXPECT_EQ(image[0x10], 0xAA);
  EXPECT_EQ(v->DefinitionText(), "n/d/TByte/x0010/r0001.L/A/1/1/@//x05/");
  // Only exactly 11 items carry a dependency.
  TView* longer = Create("k=n/d/TByte/x0010/r0001.L/A/1/1/@//x05/extra/");
  ASSERT_NE(longer, nullptr);
  EXPECT_FALSE(longer->NotInMemory);
  EXPECT_EQ(longer->DependsOn, "");
}

TEST_F(RegistryTest, DependencyItemsAndUnreadableRatio) {
  TView* v = Create("k=n/d/TWORD/x10/r0001/A/1/2/ref/1,5/x0000/");
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->DependsOn, "ref");
  EXPECT_FLOAT_EQ(v->Ratio, 1.5f);
  EXPECT_EQ(v->ColumnText(1), "n=1,5 ref");
  TView* bad = Create("k=n2/d/TWORD/x10/r0001/A/1/2/ref/abc/x0000/");
  ASSERT_NE(bad, nullptr);
  EXPECT_FLOAT_EQ(bad->Ratio, 0.0f);
  // Numbers beyond a 32-bit real fall back instead of becoming infinite.
  TView* huge = Create("k=n3/d/TWORD/x10/r0001/A/1e60/2/ref/1e60/x0000/");
  ASSERT_NE(huge, nullptr);
  EXPECT_FLOAT_EQ(huge->Scale, 1.0f);
  EXPECT_FLOAT_EQ(huge->Ratio, 0.0f);
}

TEST_F(RegistryTest, ViewParametersSetGainAndHeight) {
  TView* low = Create("k=a/d/TWORD/x10/r0001/A/1/2/x0000/", "2/10/0/");
  TView* fifteen = Create("k=b/d/TWORD/x10/r0001/A/1/2/x0000/", "2/15/0/");
  TView* sixteen = Create("k=c/d/TWORD/x10/r0001/A/1/2/x0000/", "2/16/0/");
  TView* noGain = Create("k=e/d/TWORD/x10/r0001/A/1/2/x0000/", "abc/40/");
  TView* bit = Create("k=f/d/TBit/x10/1/r0001.0/1/1/0/", "2/40/0/");
  EXPECT_EQ(low->RowHeight, 16);
  EXPECT_EQ(fifteen->RowHeight, 15);
  EXPECT_EQ(sixteen->RowHeight, 16);
  EXPECT_DOUBLE_EQ(low->TrendGain, 2.0);
  EXPECT_DOUBLE_EQ(noGain->TrendGain, 1.0);
  EXPECT_EQ(noGain->RowHeight, 40);
  EXPECT_EQ(bit->RowHeight, 15);
  EXPECT_DOUBLE_EQ(bit->TrendGain, 1.0);
  // The default parameters "0/0/0/" give a zero gain and height 16.
  TView* plain = Create("k=g/d/TWORD/x10/r0001/A/1/2/x0000/");
  EXPECT_DOUBLE_EQ(plain->TrendGain, 0.0);
  EXPECT_EQ(plain->RowHeight, 16);
}

TEST_F(RegistryTest, SignedTypesPlaceTheirBaselineAfterTheHeight) {
  TView* v = Create("k=n/d/TShortInt/x10/r0001.L/A/1/1//x00/", "1/40/0/");
  EXPECT_EQ(v->Baseline, 20);
}

TEST_F(RegistryTest, LongTextsAreCutTo255Characters) {
  std::string description;
  for (int i = 0; i < 300; ++i) description += "Ж";
  TView* v = Create("k=n/" + description + "/TWORD/x10/r0001/A/1/2/x0000/");
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->Description.size(), 255u * 2);
}

TEST_F(RegistryTest, AddressAtTheEndOfTheImageNeverReadsPastIt) {
  TView* v = Create("k=n/d/TDWORD/xFFFE/r0001/A/1/4/x00000000/");
  image[0xFFFE] = 0x34;
  image[0xFFFF] = 0x12;
  v->TakeSample();
  v->ShownIndex = v->Head;
  EXPECT_EQ(v->HexText(), "x00001234");
  v->BaseValue = "x12345678";
  v->WriteBase(image);
  EXPECT_EQ(image[0xFFFE], 0x78);
  EXPECT_EQ(image[0xFFFF], 0x56);
  // No image at all: the variable reads zeros.
  std::span<std::uint8_t> none;
  TView* detached = CreateVariable("k=m/d/TWORD/x10/r0001/A/1/2/x0000/", {}, none, list);
  detached->TakeSample();
  EXPECT_EQ(detached->DataPtr, nullptr);
  EXPECT_EQ(detached->SampleAt(detached->Head), 0u);
}

TEST_F(RegistryTest, CreateByNameTakesTheLastMatchingLine) {
  const std::vector<std::string> lines = {
      "p1=speed/first/TWORD/x0010/r0001/A/1/2/x0001/",
      "p2=other/x/TWORD/x0020/r0002/A/1/2/x0002/",
      "p3=speed/second/TWORD/x0030/r0003/A/1/2/x0003/",
  };
  TView* v = CreateVariableByName(lines, "speed", image, list);
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->Description, "second");
  EXPECT_EQ(v->Key, "p3");
  EXPECT_EQ(CreateVariableByName(lines, "none", image, list), nullptr);
}

TEST_F(RegistryTest, TypeFactoryMakesEachTypeWithItsCellSize) {
  const std::vector<std::pair<const char*, int>> types = {{"TBit", 1},     {"TByte", 1},  {"TShortInt", 1},
                                                          {"TWORD", 2},    {"TInteger", 2}, {"TDWORD", 4},
                                                          {"TLongint", 4}};
  for (const auto& [name, size] : types) {
    auto v = CreateVariableOfType(name);
    ASSERT_NE(v, nullptr) << name;
    EXPECT_EQ(v->TypeName, name);
    EXPECT_EQ(v->Size, size) << name;
  }
  EXPECT_EQ(CreateVariableOfType("TFloatX"), nullptr);
}

TEST_F(RegistryTest, BitRowsAlternateTheirTrendColours) {
  auto* first = dynamic_cast<TBit*>(Create("k=a/d/TBit/x10/1/r0001.0/1/1/0/"));
  Create("k=w/d/TWORD/x10/r0001/A/1/2/x0000/");
  auto* second = dynamic_cast<TBit*>(Create("k=b/d/TBit/x10/2/r0001.1/1/1/0/"));
  auto* third = dynamic_cast<TBit*>(Create("k=c/d/TBit/x10/4/r0001.2/1/1/0/"));
  ASSERT_TRUE(first && second && third);
  EXPECT_NE(first->TrendColour, second->TrendColour);
  EXPECT_EQ(first->TrendColour, third->TrendColour);
}

}  // namespace
}  // namespace quillon

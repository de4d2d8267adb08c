#include <gtest/gtest.h>

#include "special_fixture.h"
#include "variables/special/prm_list_type.h"

namespace quillon {
namespace {

using testing::SpecialTypesTest;

const std::vector<std::string> kAnimation{
    "?......", ".?.....", "..?....", "...?...", "....?..", ".....?.", "......?",
    "......?", ".....?.", "....?..", "...?...", "..?....", ".?.....", "?......",
};

TEST_F(SpecialTypesTest, NamedValuesShowTheirTextsOrAnimate) {
  auto& v = Create<TPrmList>("p=Relay/d/TPrmList/x0010/r0008.H/V//0#Off/1#On#relay closed/x01/");
  EXPECT_TRUE(v.HighByte);
  Sample(v, {0x01});
  EXPECT_EQ(v.ValueText(true, 4), "On");
  EXPECT_EQ(v.EntryText(0, "#", kEntryWithComment), "x01#On#relay closed");
  EXPECT_EQ(v.EntryText(1, " ", kEntryWithUnits), "x00 Off V");

  Sample(v, {0x02});
  std::vector<std::string> shown;
  for (int i = 0; i < 15; ++i) shown.push_back(v.ValueText(true, 4));
  std::vector<std::string> expected = kAnimation;
  expected.push_back(kAnimation[0]);
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(v.BaseText("x07"), kAnimation[1]);  // the base text shares the animation
  EXPECT_EQ(v.BaseValue, "x01");
  // Each variable has its own animation.
  EXPECT_EQ(Create("p=O/d/TPrmList/x0011/r0008.L/V//0#Off/x00/").BaseText("x05"), kAnimation[0]);
}

TEST_F(SpecialTypesTest, EntriesAreKeptAndWrittenInReverseOrder) {
  auto& v = Create<TPrmList>("p=Mode/d/TPrmList/x0010/r0008.L///1#A/2#B/x101#C#third/x02/");
  EXPECT_EQ(v.DefinitionText(), "Mode/d/TPrmList/x0010/r0008.L///x01#C#third/x02#B/x01#A/x02/");
  EXPECT_EQ(v.ItemTexts(), (std::vector<std::string>{"x01 C ", "x02 B ", "x01 A "}));
  EXPECT_EQ(v.BaseText("1"), "A");  // the first written entry wins among equal values
  EXPECT_EQ(v.FindItem("B"), 1u);
  EXPECT_EQ(v.FindItem("1"), 2u);
  EXPECT_THROW(Create("p=Mode/d/TPrmList/x0010/r0008.L///one#A/x01/"), ConversionError);
}

TEST_F(SpecialTypesTest, NamedListLivesInTheScaleTable) {
  list.AddScale("State=x00#Стоп/x01#Разгон/x02#Работа#номинал/x01/");
  auto& v = Create<TPrmList>("r=State/Состояние/TPrmList/x0206/r0103.L//State/");
  EXPECT_EQ(v.ColumnText(4), "Разгон");
  v.BaseValue = "x02";
  EXPECT_EQ(v.DefinitionText(), "State/Состояние/TPrmList/x0206/r0103.L//State/");
  EXPECT_EQ(list.Scales.Value("State").value_or(""), "x02#Работа#номинал/x01#Разгон/x00#Стоп/x02/");

  list.Scales.SetValue("State", "x00#Стоп/x01#Разгон/x00/");
  list.Rescale();
  EXPECT_EQ(v.BaseValue, "x00");
  EXPECT_FLOAT_EQ(v.Scale, 1.0f);
}

TEST_F(SpecialTypesTest, MissingNamedListAnimatesAndIsAddedWhenWritten) {
  auto& v = Create<TPrmList>("r=State/d/TPrmList/x0206/r0103.L//Nowhere/");
  EXPECT_TRUE(v.Entries.empty());
  Sample(v, {0x00});
  EXPECT_EQ(v.ValueText(true, 4), kAnimation[0]);
  v.BaseValue = "x03";
  EXPECT_EQ(v.DefinitionText(), "State/d/TPrmList/x0206/r0103.L//Nowhere/");
  EXPECT_EQ(list.Scales.Value("Nowhere").value_or("missing"), "x03/");
  EXPECT_EQ(Create(v.DefinitionLine()).BaseValue, "x03");
}

}  // namespace
}  // namespace quillon

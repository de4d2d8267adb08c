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

TEST_F(SpecialTypesTest, NamedValuesShowTheirTexts) {
  auto& v = Create<TPrmList>("p=Relay/d/TPrmList/x0010/r0008.H/V//0#Off/1#On#relay closed/x01/");
  EXPECT_TRUE(v.HighByte);
  EXPECT_EQ(v.Size, 1);
  EXPECT_EQ(v.BaseValue, "x01");
  ASSERT_EQ(v.Entries.size(), 2u);
  Sample(v, {0x01});
  EXPECT_EQ(v.ValueText(true, 4), "On");
  EXPECT_EQ(v.HexText(), "x01");
  EXPECT_EQ(v.ColumnText(4), "On");
  EXPECT_EQ(v.EntryText(0, "#", kEntryWithComment), "x01#On#relay closed");
  EXPECT_EQ(v.EntryText(1, "#", kEntryWithComment), "x00#Off");
  EXPECT_EQ(v.EntryText(0, " ", kEntryWithUnits), "x01 On V");
  EXPECT_EQ(Parse(v, "=1"), 1u);
  EXPECT_EQ(ParsedText(v, "=on"), "Error");
}

TEST_F(SpecialTypesTest, UnknownValuesAnimateFrameByFrame) {
  auto& v = Create<TPrmList>("p=Relay/d/TPrmList/x0010/r0008.L/V//0#Off/1#On/x01/");
  Sample(v, {0x02});
  std::vector<std::string> shown;
  for (int i = 0; i < 15; ++i) shown.push_back(v.ValueText(true, 4));
  std::vector<std::string> expected = kAnimation;
  expected.push_back(kAnimation[0]);
  EXPECT_EQ(shown, expected);
  // A known value shows its text without disturbing the animation.
  Sample(v, {0x00});
  EXPECT_EQ(v.ValueText(true, 4), "Off");
  EXPECT_EQ(v.BaseText("x07"), kAnimation[1]);
  EXPECT_EQ(v.BaseValue, "x01");

  // Each variable has its own animation.
  auto& other = Create<TPrmList>("p=Other/d/TPrmList/x0011/r0008.H/V//0#Off/x00/");
  EXPECT_EQ(other.BaseText("x05"), kAnimation[0]);
}

TEST_F(SpecialTypesTest, EntriesAreWrittenBackInReverseOrder) {
  auto& v = Create<TPrmList>("p=Mode/d/TPrmList/x0010/r0008.L///1#A/2#B/3#C#third/x02/");
  ASSERT_EQ(v.Entries.size(), 3u);
  EXPECT_EQ(v.Entries[0].Text, "C");
  EXPECT_EQ(v.Entries[0].Comment, "third");
  EXPECT_EQ(v.DefinitionText(), "Mode/d/TPrmList/x0010/r0008.L///x03#C#third/x02#B/x01#A/x02/");
  EXPECT_EQ(v.ItemTexts(), (std::vector<std::string>{"x03 C ", "x02 B ", "x01 A "}));
}

TEST_F(SpecialTypesTest, FirstWrittenEntryWinsAmongEqualValues) {
  auto& v = Create<TPrmList>("p=Mode/d/TPrmList/x0010/r0008.L///x101#first/1#second/x01/");
  EXPECT_EQ(v.BaseText("1"), "first");
  EXPECT_EQ(v.FindItem("first"), 1u);
  EXPECT_EQ(v.FindItem("sec"), 0u);
  EXPECT_EQ(v.FindItem("1"), 1u);  // by value, from the last kept entry
  EXPECT_EQ(v.FindItem("zzz"), 0u);
}

TEST_F(SpecialTypesTest, EntryValuesMustBeIntegers) {
  EXPECT_THROW(Create("p=Mode/d/TPrmList/x0010/r0008.L///one#A/x01/"), ConversionError);
}

TEST_F(SpecialTypesTest, NamedListComesFromTheScaleTable) {
  list.AddScale("State=x00#Стоп/x01#Разгон/x02#Работа#номинал/x01/");
  auto& v = Create<TPrmList>("r=State/Состояние/TPrmList/x0206/r0103.L//State/");
  EXPECT_EQ(v.BaseValue, "x01");
  ASSERT_EQ(v.Entries.size(), 3u);
  EXPECT_EQ(v.ColumnText(4), "Разгон");
  EXPECT_EQ(v.ItemTexts().front(), "x02 Работа ");

  // Writing puts the kept entries back into the scale table, the definition ends at the name.
  v.BaseValue = "x02";
  EXPECT_EQ(v.DefinitionText(), "State/Состояние/TPrmList/x0206/r0103.L//State/");
  EXPECT_EQ(list.Scales.Value("State").value_or(""), "x02#Работа#номинал/x01#Разгон/x00#Стоп/x02/");
}

TEST_F(SpecialTypesTest, NamedListFollowsTheSelectedKeyOnRescale) {
  list.AddScale("State=x00#Стоп/x01#Разгон/x01/");
  auto& v = Create<TPrmList>("r=State/d/TPrmList/x0206/r0103.L//State/");
  auto& inline_ = Create<TPrmList>("r=Inline/d/TPrmList/x0207/r0103.H///0#A/1#B/x01/");
  list.Scales.SetValue("State", "x00#Стоп/x01#Разгон/x00/");
  list.Rescale();
  EXPECT_EQ(v.BaseValue, "x00");
  EXPECT_EQ(v.ColumnText(4), "Стоп");
  EXPECT_FLOAT_EQ(v.Scale, 1.0f);
  EXPECT_EQ(inline_.BaseValue, "x01");
}

TEST_F(SpecialTypesTest, MissingNamedListAnimatesAndIsAddedWhenWritten) {
  auto& v = Create<TPrmList>("r=State/d/TPrmList/x0206/r0103.L//Nowhere/");
  EXPECT_TRUE(v.Entries.empty());
  EXPECT_EQ(v.BaseValue, "");
  Sample(v, {0x00});
  EXPECT_EQ(v.ValueText(true, 4), kAnimation[0]);
  v.BaseValue = "x03";
  EXPECT_EQ(v.DefinitionText(), "State/d/TPrmList/x0206/r0103.L//Nowhere/");
  EXPECT_EQ(list.Scales.Value("Nowhere").value_or("missing"), "x03/");
  // The line reads back with the stored value it was given.
  auto& again = Create<TPrmList>(v.DefinitionLine());
  EXPECT_EQ(again.BaseValue, "x03");
}

TEST_F(SpecialTypesTest, ShortestListLineTakesItsLastItemAsBase) {
  auto& v = Create<TPrmList>("p=Mode/d/TPrmList/x0010/r0008.L/unit");
  EXPECT_TRUE(v.Entries.empty());
  EXPECT_EQ(v.BaseValue, "unit");
  EXPECT_EQ(CreateVariable("p=Mode/d/TPrmList/x0010/r0008.L", {}, image, list), nullptr);
}

TEST_F(SpecialTypesTest, NamedValueRowIsTextOnly) {
  list.Resize(400, 100);
  auto& v = Create<TPrmList>("p=Relay/d/TPrmList/x0010/r0008.L/V//0#Off/1#On/x01/");
  Sample(v, {0x01});
  testing::RecordingCanvas canvas(400, 100);
  v.DrawRow(canvas, 0);
  EXPECT_TRUE(canvas.Lines.empty());
  const auto* value = canvas.TextAt(list.NameWidth + list.HexWidth, 2);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->Text, "On");
}

}  // namespace
}  // namespace quillon

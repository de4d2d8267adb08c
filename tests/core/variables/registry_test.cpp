#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "platform/ini_document.h"
#include "support/temp_dir.h"
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

TEST_F(RegistryTest, WordWithoutAddressOrCellNotInMemoryIsNeverSampledNorWritten) {
  TView& v = Create("k=n/d/TWORD//r0001/A/1/2/x1234/");
  EXPECT_TRUE(v.Definition().NoAddress);
  image[0] = 0x55;
  v.TakeSample();
  EXPECT_EQ(v.History.Head(), 0);
  v.WriteBase(image);
  EXPECT_EQ(image[0] + 256 * image[1], 0x55);
  EXPECT_EQ(v.DefinitionText(), "n/d/TWORD///A/1/2//0/x1234/");

  TView& absent = Create("k=n/d/TByte/x0010/r0001.L/A/1/1/@//x05/");
  EXPECT_TRUE(absent.Definition().NotInMemory);
  EXPECT_EQ(absent.ColumnTextAt(5, absent.History.Head()) + " " + absent.ColumnTextAt(6, absent.History.Head()),
            "x05 5");
  image[0x10] = 0xAA;
  absent.WriteBase(image);
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

class ViewListTest : public testing::VariableTest {
 protected:
  TView* Add(const std::string& name, int address, std::string_view view = "1/20/0/") {
    return Make("k=" + name + "/d/TWORD/" + std::to_string(address) + "/r0001/A/1/2/x0000/", view);
  }
};

TEST_F(ViewListTest, FindVariableSearchesFromTheLast) {
  Add("a", 0x10);
  TView* second = Add("a", 0x20);
  EXPECT_EQ(list.FindVariable("a"), second);
  EXPECT_EQ(list.FindVariable("A"), nullptr);
  EXPECT_EQ(list.FindVariable("b"), nullptr);
}

TEST_F(ViewListTest, LayoutByAddressKeepsTheListOrder) {
  TView* a = Add("a", 0x20);
  TView* b = Add("b", 0x10);
  TView* c = Add("c", 0x30);
  TView* absent = Make("k=n/d/TByte/x0005/r0001.L/A/1/1/@//x05/");
  // Words without an address have no place in the block and do not move its origin to 0.
  TView* virtualWord = Make("p23=Virt/Виртуальный/TWORD//r0001/А/1/2//0/x0000/");
  TView* virtualSquare = Make("p24=Sq/d/TSQRWord//r0002/А//2//0/x0000/");
  std::vector<std::uint8_t> block(0x40);
  list.LayoutByAddress(block);
  EXPECT_EQ(a->DataPtr, block.data() + 0x10);
  EXPECT_EQ(b->DataPtr, block.data());
  EXPECT_EQ(c->DataPtr, block.data() + 0x20);
  EXPECT_EQ(absent->DataPtr, image.data() + 5);  // left where it was
  EXPECT_EQ(virtualWord->DataPtr, nullptr);
  EXPECT_EQ(virtualSquare->DataPtr, nullptr);
  EXPECT_EQ(&list[0], a);
  EXPECT_EQ(&list[2], c);

  list.AddressStep = 2;
  list.LayoutByAddress(block);
  EXPECT_EQ(c->DataPtr, nullptr);  // 0x40 lies just past the block
  EXPECT_EQ(a->DataPtr, block.data() + 0x20);
  c->TakeSample();  // outside the block: reads zero, touches nothing
  EXPECT_EQ(c->SampleAt(c->History.Head()), 0u);
}

TEST_F(ViewListTest, SetStepRoundsHalfToEvenAndResizeGivesTheTrendTheRestOfTheWidth) {
  EXPECT_FALSE(list.SetStep(0.005));
  EXPECT_DOUBLE_EQ(list.Step, 1.0);
  const std::tuple<int, double, int> rows[] = {
      {55, 2, 28}, {45, 2, 22}, {45, 0.01, 4500}, {1000, 0.01, kHistoryLength}};
  for (const auto& [width, step, visible] : rows) {
    list.TrendWidth = width;
    EXPECT_TRUE(list.SetStep(step));
    EXPECT_EQ(list.VisibleCount, visible) << width << " / " << step;
  }

  ASSERT_TRUE(list.SetStep(1));
  TView* v = Add("a", 0x10);
  list.Resize(500, 300);
  EXPECT_EQ(std::pair(list.TrendWidth, list.VisibleCount), std::pair(200, 200));
  EXPECT_EQ(v->RowRect, (Rect{0, 0, 500, 20}));
  list.Resize(100, 300);
  EXPECT_EQ(list.TrendWidth, 0);  // never negative
}

TEST_F(ViewListTest, HitTestWalksRowHeightsFromTop) {
  TView* zero = Add("zero", 0x10);
  EXPECT_EQ(list.HitTest(0, 0), nullptr);  // a single variable is never hit
  EXPECT_FALSE(zero->Selected);
  TView* one = Add("one", 0x12, "1/20/0/");
  TView* two = Add("two", 0x14, "1/30/0/");
  EXPECT_EQ(list.HitTest(0, 0), one);
  EXPECT_TRUE(one->Selected);
  EXPECT_EQ(list.HitTest(19, 0), one);
  EXPECT_EQ(list.HitTest(20, 0), two);
  EXPECT_EQ(std::pair(one->Selected, two->Selected), std::pair(false, true));
  EXPECT_EQ(list.HitTest(49, 0), two);
  EXPECT_EQ(list.HitTest(50, 0), nullptr);  // below the last row
  EXPECT_FALSE(two->Selected);
  EXPECT_EQ(list.HitTest(5, 2), two);      // scrolled: row 2 is at the top
  EXPECT_EQ(list.HitTest(5, 3), nullptr);  // beyond the last index
}

TEST_F(ViewListTest, SaveScalesRewritesOnlyTheVarsSection) {
  testing::TempDir dir;
  const std::string path = dir / "dev.ini";
  IniDocument::FromText("[DEVICE]\nID=1 X\n[vars]\nOld=1\nGone=2\n[FLASH]\np1=a/b/TWORD/x10/r1/A/1/2/x0/\n").Save(path);
  TViewList saving(path);
  saving.AddScale("Inom=1500");
  saving.AddScale("Mode=1#slow#0.5/2#fast#0.25/2/");
  saving.SaveScales();
  const IniDocument after = IniDocument::Load(path);
  EXPECT_EQ(after.SectionLines("vars"), (std::vector<std::string>{"Inom=1500", "Mode=1#slow#0.5/2#fast#0.25/2/"}));
  EXPECT_EQ(after.Value("FLASH", "p1", ""), "a/b/TWORD/x10/r1/A/1/2/x0/");
  EXPECT_EQ(after.SectionNames(), (std::vector<std::string>{"DEVICE", "vars", "FLASH"}));
  saving.Scales.Clear();
  saving.SaveScales();
  EXPECT_FALSE(IniDocument::Load(path).HasSection("vars"));
}

}  // namespace
}  // namespace quillon

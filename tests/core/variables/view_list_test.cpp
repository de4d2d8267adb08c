#include <gtest/gtest.h>

#include <vector>

#include "platform/ini_document.h"
#include "support/temp_dir.h"
#include "variable_fixture.h"

namespace quillon {
namespace {

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

TEST_F(ViewListTest, SetStepRefusesTinyStepsAndRoundsHalfToEven) {
  EXPECT_FALSE(list.SetStep(0.005));
  EXPECT_DOUBLE_EQ(list.Step, 1.0);
  const std::tuple<int, double, int> rows[] = {
      {55, 2, 28}, {45, 2, 22}, {45, 0.01, 4500}, {1000, 0.01, kHistoryLength}};
  for (const auto& [width, step, visible] : rows) {
    list.TrendWidth = width;
    EXPECT_TRUE(list.SetStep(step));
    EXPECT_EQ(list.VisibleCount, visible) << width << " / " << step;
  }
}

TEST_F(ViewListTest, ResizeGivesTheTrendTheRestOfTheWidth) {
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

#include <gtest/gtest.h>

#include <vector>

#include "platform/ini_document.h"
#include "recording_canvas.h"
#include "support/temp_dir.h"
#include "variables/registry.h"
#include "variables/view_list.h"

namespace quillon {
namespace {

class ViewListTest : public ::testing::Test {
 protected:
  TView* Add(const std::string& name, int address, std::string_view view = "1/20/0/") {
    char line[128];
    std::snprintf(line, sizeof line, "k=%s/d/TWORD/%d/r0001/A/1/2/x0000/", name.c_str(), address);
    return CreateVariable(line, view, image, list);
  }
  std::vector<std::uint8_t> image = std::vector<std::uint8_t>(kImageSize);
  TViewList list;
};

TEST_F(ViewListTest, FindVariableSearchesFromTheLast) {
  TView* first = Add("a", 0x10);
  TView* second = Add("a", 0x20);
  EXPECT_EQ(list.FindVariable("a"), second);
  EXPECT_EQ(list.FindVariable("A"), nullptr);
  EXPECT_EQ(list.FindVariable("b"), nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(&list[0], first);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(first->Owner, &list);
}

TEST_F(ViewListTest, LayoutByAddressKeepsTheListOrder) {
  TView* a = Add("a", 0x20);
  TView* b = Add("b", 0x10);
  TView* c = Add("c", 0x30);
  TView* absent = CreateVariable("k=n/d/TByte/x0005/r0001.L/A/1/1/@//x05/", {}, image, list);
  std::vector<std::uint8_t> block(0x40);
  list.LayoutByAddress(block);
  EXPECT_EQ(a->DataPtr, block.data() + 0x10);
  EXPECT_EQ(b->DataPtr, block.data());
  EXPECT_EQ(c->DataPtr, block.data() + 0x20);
  EXPECT_EQ(absent->DataPtr, image.data() + 5);  // left where it was
  EXPECT_EQ(&list[0], a);
  EXPECT_EQ(&list[2], c);

  list.AddressStep = 2;
  list.LayoutByAddress(block);
  EXPECT_EQ(c->DataPtr, nullptr);  // 0x40 lies just past the block
  EXPECT_EQ(a->DataPtr, block.data() + 0x20);
  EXPECT_EQ(c->DataLimit, 0u);
  c->TakeSample();  // outside the block: reads zero, touches nothing
  EXPECT_EQ(c->SampleAt(c->Head), 0u);
}

TEST_F(ViewListTest, SetStepRefusesTinyStepsAndRoundsHalfToEven) {
  EXPECT_FALSE(list.SetStep(0.005));
  EXPECT_DOUBLE_EQ(list.Step, 1.0);
  EXPECT_TRUE(list.SetStep(2));
  EXPECT_EQ(list.VisibleCount, 28);
  list.TrendWidth = 45;
  EXPECT_TRUE(list.SetStep(2));
  EXPECT_EQ(list.VisibleCount, 22);
  EXPECT_TRUE(list.SetStep(0.01));
  EXPECT_EQ(list.VisibleCount, 4500);
  list.TrendWidth = 1000;
  EXPECT_TRUE(list.SetStep(0.01));
  EXPECT_EQ(list.VisibleCount, kHistoryLength);
}

TEST_F(ViewListTest, ResizeGivesTheTrendTheRestOfTheWidth) {
  TView* v = Add("a", 0x10);
  list.Resize(500, 300);
  EXPECT_EQ(list.TrendWidth, 200);
  EXPECT_EQ(list.VisibleCount, 200);
  EXPECT_EQ(v->RowWidth, 500);
  EXPECT_EQ(v->RowRect, (Rect{0, 0, 500, 20}));
  list.SetColumnWidths(100, 50, 100, 50);
  EXPECT_EQ(list.TrendWidth, 200);
  list.Resize(100, 300);
  EXPECT_EQ(list.TrendWidth, 0);
}

TEST_F(ViewListTest, HitTestWalksRowHeightsFromTop) {
  Add("zero", 0x10);
  TView* one = Add("one", 0x12, "1/20/0/");
  TView* two = Add("two", 0x14, "1/30/0/");
  EXPECT_EQ(list.HitTest(0, 0), one);
  EXPECT_TRUE(one->Selected);
  EXPECT_EQ(list.HitTest(19, 0), one);
  EXPECT_EQ(list.HitTest(20, 0), two);
  EXPECT_FALSE(one->Selected);
  EXPECT_TRUE(two->Selected);
  EXPECT_EQ(list.HitTest(49, 0), two);
  EXPECT_EQ(list.HitTest(50, 0), nullptr);  // below the last row
  EXPECT_FALSE(two->Selected);
  EXPECT_EQ(list.HitTest(5, 2), two);       // scrolled: row 2 is at the top
  EXPECT_EQ(list.HitTest(5, 3), nullptr);   // beyond the last index
}

TEST_F(ViewListTest, HitTestNeedsTwoVariables) {
  TView* only = Add("only", 0x10);
  EXPECT_EQ(list.HitTest(0, 0), nullptr);
  EXPECT_FALSE(only->Selected);
}

TEST_F(ViewListTest, SampleAllAndScrollBack) {
  TView* a = Add("a", 0x10);
  TView* b = Add("b", 0x12);
  image[0x10] = 7;
  image[0x12] = 9;
  list.SampleAll();
  EXPECT_EQ(a->SampleAt(a->Head), 7u);
  EXPECT_EQ(b->SampleAt(b->Head), 9u);
  list.SetScrollBack(12);
  EXPECT_EQ(a->ScrollBack, 12);
  EXPECT_EQ(b->ScrollBack, 12);
}

TEST_F(ViewListTest, ClearVariablesEmptiesBothLists) {
  Add("a", 0x10);
  list.AddScale("Inom=1");
  list.ClearVariables();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Scales.Count(), 0u);
}

TEST_F(ViewListTest, SaveScalesRewritesOnlyTheVarsSection) {
  testing::TempDir dir;
  const std::string path = dir / "dev.ini";
  IniDocument before = IniDocument::FromText("[DEVICE]\nID=1 X\n[vars]\nOld=1\nGone=2\n[FLASH]\np1=a/b/TWORD/x10/r1/A/1/2/x0/\n");
  before.Save(path);
  TViewList saving(path);
  saving.AddScale("Inom=1500");
  saving.AddScale("Mode=1#slow#0.5/2#fast#0.25/2/");
  saving.SaveScales();
  const IniDocument after = IniDocument::Load(path);
  EXPECT_EQ(after.SectionLines("vars"), (std::vector<std::string>{"Inom=1500", "Mode=1#slow#0.5/2#fast#0.25/2/"}));
  EXPECT_EQ(after.Value("DEVICE", "ID", ""), "1 X");
  EXPECT_EQ(after.Value("FLASH", "p1", ""), "a/b/TWORD/x10/r1/A/1/2/x0/");
  EXPECT_FALSE(after.Value("vars", "Old").has_value());
  EXPECT_EQ(after.SectionNames(), (std::vector<std::string>{"DEVICE", "vars", "FLASH"}));

  saving.Scales.Clear();
  saving.SaveScales();
  EXPECT_FALSE(IniDocument::Load(path).HasSection("vars"));
}

}  // namespace
}  // namespace quillon

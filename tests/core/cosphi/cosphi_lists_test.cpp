#include "cosphi/cosphi_lists.h"

#include <gtest/gtest.h>

#include "cosphi/cosphi_frames.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "variables/integer_types.h"

namespace quillon {
namespace {

using testing::TempDir;

constexpr const char* kDevice =
    "[DEVICE]\r\nID=77 ZK v1 2024-01-01\r\nMCU=2\r\n"
    "[vars]\r\nUnom=1000\r\n"
    "[RAM]\r\n"
    "r1=I/Ток/TWORD/x0200/r0100/А/1/2//0/x0000/\r\n"
    "r2=cos/Угол/TInteger/x0024/r0012/эл.град./0,1/2//0/x0000/\r\n"
    "r3=Ust/Напряжение/TWORD/x0026/r0013/%/Unom%10000/2//0/x0000/\r\n"
    "r4=Ist/Ток статора/TWORD/x0028/r0014/А/1/2//0/x0000/\r\n"
    "[FLASH]\r\n"
    "p1=Inom/Ток/TWORD/x0102/r0081/А/1/2//0/x0064/\r\n"
    "p2=cosdf/Смещение угла/TInteger/x0140/r00A0/эл.град./0,1/2//0/x0000/\r\n"
    "[XRAM]\r\n"
    "x1=CFU/Фаза напряжения/TBit/x0400/64/r0200.6/1/1/0/\r\n"
    "x2=CFI/Фаза тока/TBit/x0400/128/r0200.7/1/1/0/\r\n";

class CosPhiListsTest : public ::testing::Test {
 protected:
  void Build(const std::string& text) {
    ASSERT_TRUE(testing::WriteCp1251File(dir / "dev.ini", text));
    BuildCosPhiLists(dir / "dev.ini", lists);
  }
  TempDir dir;
  CosPhiLists lists;
};

TEST_F(CosPhiListsTest, TakesOnlyTheNamedVariablesWithTheBuiltInRequestBit) {
  Build(kDevice);
  ASSERT_EQ(lists.ram.Count(), 4);
  EXPECT_EQ(lists.ram.FindVariable("I"), nullptr);
  EXPECT_EQ(lists.ram.AddressStep, 2);
  EXPECT_EQ(lists.flash.AddressStep, 2);
  EXPECT_EQ(lists.xram.AddressStep, 1);
  ASSERT_EQ(lists.flash.Count(), 1);
  EXPECT_EQ(lists.flash[0].Definition().Name, "cosdf");
  EXPECT_EQ(lists.xram.Count(), 2);

  // The built-in line reads as its items say: mask 2, one byte.
  TView* request = lists.ram.FindVariable("cos_buf_write");
  ASSERT_NE(request, nullptr);
  EXPECT_EQ(request->Definition().TypeName, "TBit");
  EXPECT_EQ(request->Definition().Address, 0x22);
  EXPECT_EQ(request->Definition().Mask, 2u);
  EXPECT_EQ(request->Definition().Size, 1);

  // Laid out from the lowest address, two image bytes per address step.
  EXPECT_EQ(request->DataPtr, lists.ramImage.data());
  EXPECT_EQ(lists.ram.FindVariable("Ist")->DataPtr, lists.ramImage.data() + 12);
  // The scale table of vars reaches the variables.
  lists.ramImage[8] = 0xE8;
  lists.ramImage[9] = 0x03;
  lists.ram.SampleAll();
  TView& ust = *lists.ram.FindVariable("Ust");
  EXPECT_EQ(ust.ColumnTextAt(6, ust.History.Head()), "100");

  // The strips take the two bits' pens, one of each colour.
  auto* voltage = dynamic_cast<TBit*>(&lists.xram[0]);
  auto* current = dynamic_cast<TBit*>(&lists.xram[1]);
  ASSERT_TRUE(voltage != nullptr && current != nullptr);
  EXPECT_NE(voltage->TrendColour, current->TrendColour);
}

TEST_F(CosPhiListsTest, MissingNamesSectionsAndFilesLeaveTheirListsShort) {
  Build(
      "[DEVICE]\r\nID=1\r\n[RAM]\r\nr1=cos/Угол/TInteger/xZZ/r0012//1/2//0/x0000/\r\n"
      "r2=Ust/Напряжение/TWORD/x0026/r0013/%/1/2//0/x0000/\r\n");
  // The unreadable angle is left out; the rest is still there, the step defaults to 1.
  EXPECT_EQ(lists.ram.FindVariable("cos"), nullptr);
  EXPECT_NE(lists.ram.FindVariable("Ust"), nullptr);
  EXPECT_NE(lists.ram.FindVariable("cos_buf_write"), nullptr);
  EXPECT_EQ(lists.ram.AddressStep, 1);
  EXPECT_EQ(lists.flash.Count(), 0);
  EXPECT_EQ(lists.xram.Count(), 0);
  EXPECT_FALSE(BuildListRead(lists.flash, "FLASH").has_value());

  // A second build replaces the first; a file that is gone leaves nothing.
  BuildCosPhiLists(dir / "gone.ini", lists);
  EXPECT_EQ(lists.ram.Count(), 0);
}

}  // namespace
}  // namespace quillon

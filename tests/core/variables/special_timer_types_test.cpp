#include <gtest/gtest.h>

#include "special_fixture.h"
#include "text/numbers.h"
#include "variables/special/integral_types.h"

namespace quillon {
namespace {

using testing::BytesOf;
using testing::SpecialTypesTest;

TEST_F(SpecialTypesTest, IntegralDividesTheConstantByTheCount) {
  auto& v = Create<TIntegral>("p=Tacc/d/TIntegral/x0060/r0030.L/с/0,01/1/x00000100/x20/");
  EXPECT_EQ(v.ColumnText(4), "0,08");  // 256 x 0,01 / 32
  Sample(v, {0x40, 0xFF});             // only the low byte belongs to the cell
  EXPECT_EQ(v.HexText(), "x40");
  EXPECT_EQ(v.ValueText(true, 4), "0,04");
  EXPECT_EQ(Parse(v, "=0,04"), 64u);
  EXPECT_EQ(v.DefinitionText(), "Tacc/d/TIntegral/x0060/r0030.L/с/0,01/1/x00000100/x20/");
  Sample(v, {0x00});
  EXPECT_EQ(v.ValueText(true, 4), "0");
  EXPECT_EQ(v.BaseText("0"), "0");
  EXPECT_EQ(Parse(v, "=0"), 0u);
}

TEST_F(SpecialTypesTest, SizesTheCellCannotHoldCountAsUnreadable) {
  auto& integral = Create<TIntegral>("p=T/d/TIntegral/x0060/r0030.H/с/1/8/junk/x0000/");
  EXPECT_EQ(integral.Size, 2);
  EXPECT_EQ(integral.K, kDefaultTimerConstant);
  // Only one-byte cells write their byte selector.
  EXPECT_EQ(integral.DefinitionText(), "T/d/TIntegral/x0060/r0030/с/1/2/x00010000/x0000/");
  EXPECT_EQ(Create("p=T9/d/TSoftTimer/x0140/r00A0/с/1/9/x0/x0/").Size, 4);
  EXPECT_EQ(Create("p=T0/d/TFrequency/x0140/r00A0/с/1/0/x0/x0/").Size, 4);
  EXPECT_EQ(Create("p=D/d/TDiff/x0140/r00A0/с/1/1/x0/x0/").Size, 4);  // always 4
}

TEST_F(SpecialTypesTest, FrequencyFromTheComplementedHalfPeriod) {
  auto& v = Create<TFrequency>("p=F/d/TFrequency/x0070/r0038/Гц/bad/4/x00010000/xFFFFFB1D/");
  EXPECT_FLOAT_EQ(v.Scale, 0.0002f);
  EXPECT_EQ(v.ColumnText(4), "2");  // NOT xFFFFFB1D = 1250 ticks of 0,2 ms = 0,25 s
  // The shown value keeps only the count below K; the base text does not.
  Sample(v, BytesOf(~(0x10000u + 1250u)));
  EXPECT_EQ(v.ValueText(true, 4), "2");
  EXPECT_EQ(v.BaseText("x" + HexDigits(~(0x10000u + 1250u), 8)), "0,0374");
  Sample(v, BytesOf(0xFFFFFFFF));
  EXPECT_EQ(v.ValueText(true, 4), "0");

  EXPECT_EQ(Parse(v, "=2"), ~1250u);
  EXPECT_EQ(Parse(v, "=0"), 0u);  // no half period: stored as 0
  EXPECT_TRUE(prompt.Warnings.empty());
  v.Tick = 0.0f;
  EXPECT_EQ(Parse(v, "=2"), 0u);
}

TEST_F(SpecialTypesTest, SoftTimerComplementsItsLowBytes) {
  auto& small = Create<TSoftTimer>("p=Tblk/d/TSoftTimer/x0061/r0030.H/с/0,1/1/x00010000/xCE/");
  EXPECT_EQ(small.ColumnText(4), "4,9");
  EXPECT_EQ(Parse(small, "=4,9"), ~49u);
  small.WriteBase(image);
  EXPECT_EQ(image[0x61], 0xCE);
  EXPECT_EQ(image[0x62], 0x00);
  auto& three = Create<TSoftTimer>("p=T3/d/TSoftTimer/x0130/r0098/с/1/3/x00010000/x00FFFFFE/");
  EXPECT_EQ(three.ColumnText(4), "1");
  Sample(three, {0xFD, 0xFF, 0xFF, 0x00});
  EXPECT_EQ(three.ValueText(true, 4), "2");
  EXPECT_EQ(three.HexText(), "xFFFFFD");
}

TEST_F(SpecialTypesTest, DiffDividesTheCountByTheConstant) {
  auto& v = Create<TDiff>("p=dIdt/d/TDiff/x0128/r0094/A/1/4/x00000100/x00020000/");
  EXPECT_EQ(v.K, 65536u);  // not read from the line
  EXPECT_EQ(v.ColumnText(4), "2");
  EXPECT_EQ(Parse(v, "=2"), 0x20000u);
  Sample(v, BytesOf(0x8000));
  EXPECT_EQ(v.ValueText(false, 2), "0,50");
  v.K = 0;
  EXPECT_EQ(v.ValueText(true, 4), "0");
  EXPECT_EQ(v.ColumnText(4), "0");
}

TEST_F(SpecialTypesTest, SoftTimerAndDiffRefuseEntriesWithoutAScale) {
  auto& timer = Create<TSoftTimer>("p=T/d/TSoftTimer/x0124/r0092/с/0/4/x00010000/x00000000/");
  auto& diff = Create<TDiff>("p=D/d/TDiff/x0128/r0094/A/0/4/x00010000/x00000000/");
  EXPECT_EQ(ParsedText(timer, "=5"), "Error");
  EXPECT_EQ(ParsedText(diff, "=5"), "Error");
  EXPECT_EQ(prompt.Warnings.size(), 2u);
  // Without a tick there is no count at all.
  timer.Tick = 0.0f;
  diff.Tick = 0.0f;
  EXPECT_EQ(Parse(timer, "=5"), 0u);
  EXPECT_EQ(Parse(diff, "=5"), 0u);
}

TEST_F(SpecialTypesTest, CurrentValueRowsAreTextOnly) {
  list.Resize(400, 100);
  const int valueColumn = list.NameWidth + list.HexWidth;
  for (const char* line : {"p=T/d/TIntegral/x0060/r0030/с/1/2/x00010000/x0000/",
                           "p=S/d/TSQRWord/x0060/r0030/A//2//0/x0000/",
                           "p=L/d/TPrmList/x0060/r0030.L///x00#Off/x40#On/x00/"}) {
    SCOPED_TRACE(line);
    TView& v = Create(line);
    Sample(v, {0x40, 0x00});
    testing::RecordingCanvas canvas(400, 100);
    v.DrawRow(canvas, 0);
    EXPECT_TRUE(canvas.Lines.empty());
    ASSERT_NE(canvas.TextAt(valueColumn, 2), nullptr);
    EXPECT_EQ(canvas.TextAt(valueColumn, 2)->Text, v.ValueText(false, 2));
  }
}

}  // namespace
}  // namespace quillon

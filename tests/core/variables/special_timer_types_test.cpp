#include <gtest/gtest.h>

#include "special_fixture.h"
#include "text/numbers.h"
#include "variables/special/integral_types.h"

namespace quillon {
namespace {

using testing::SpecialTypesTest;

void PutWord(std::vector<std::uint8_t>& image, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) image[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

TEST_F(SpecialTypesTest, IntegralDividesTheConstantByTheCount) {
  auto& v = Create<TIntegral>("p=Tacc/d/TIntegral/x0060/r0030.L/с/0,01/1/x00000100/x20/");
  EXPECT_EQ(v.Size, 1);
  EXPECT_EQ(v.K, 0x100u);
  EXPECT_FALSE(v.HighByte);
  EXPECT_EQ(v.ColumnText(4), "0,08");  // 256 x 0,01 / 32
  Sample(v, {0x40, 0xFF});             // only the low byte belongs to the cell
  EXPECT_EQ(v.HexText(), "x40");
  EXPECT_EQ(v.ValueText(true, 4), "0,04");
  EXPECT_EQ(Parse(v, "=0,04"), 64u);
  EXPECT_EQ(Parse(v, "=x20"), 32u);
  EXPECT_EQ(v.DefinitionText(), "Tacc/d/TIntegral/x0060/r0030.L/с/0,01/1/x00000100/x20/");
}

TEST_F(SpecialTypesTest, IntegralGuardsAgainstAZeroCount) {
  auto& v = Create<TIntegral>("p=T/d/TIntegral/x0060/r0030/с/1/2/x00010000/x0000/");
  Sample(v, {0x00, 0x00});
  EXPECT_EQ(v.ValueText(true, 4), "0");
  EXPECT_EQ(v.ColumnText(4), "0");
  EXPECT_EQ(Parse(v, "=0"), 0u);
  Sample(v, {0x00, 0x01});
  EXPECT_EQ(v.ValueText(true, 4), "256");
}

TEST_F(SpecialTypesTest, IntegralSizeAndConstantItems) {
  auto& wide = Create<TIntegral>("p=T/d/TIntegral/x0060/r0030.H/с/1/8/junk/x0000/");
  EXPECT_EQ(wide.Size, 2);  // a size the cell cannot hold counts as unreadable
  EXPECT_EQ(wide.K, kDefaultTimerConstant);
  EXPECT_TRUE(wide.HighByte);
  // Only one-byte cells write their byte selector.
  EXPECT_EQ(wide.DefinitionText(), "T/d/TIntegral/x0060/r0030/с/1/2/x00010000/x0000/");
  auto& high = Create<TIntegral>("p=T/d/TIntegral/x0060/r0030.H/с/1/1/x100/x01/");
  EXPECT_EQ(high.DefinitionText(), "T/d/TIntegral/x0060/r0030.H/с/1/1/x00000100/x01/");
  EXPECT_THROW(Create("p=T/d/TIntegral/x0060/rzz/с/1/1/x100/x01/"), ConversionError);
}

TEST_F(SpecialTypesTest, FrequencyFromTheComplementedHalfPeriod) {
  auto& v = Create<TFrequency>("p=F/d/TFrequency/x0070/r0038/Гц/0,0002/4/x00010000/xFFFFFB1D/");
  EXPECT_FLOAT_EQ(v.Tick, 0.0002f);
  EXPECT_EQ(v.ColumnText(4), "2");  // NOT xFFFFFB1D = 1250 ticks of 0,2 ms = 0,25 s
  PutWord(image, 0x70, ~1250u);
  v.TakeSample();
  EXPECT_EQ(v.ValueText(true, 4), "2");
  // The shown value keeps only the count below K; the base text does not.
  PutWord(image, 0x70, ~(0x10000u + 1250u));
  v.TakeSample();
  EXPECT_EQ(v.ValueText(true, 4), "2");
  EXPECT_EQ(v.BaseText("x" + HexDigits(~(0x10000u + 1250u), 8)), "0,0374");
  PutWord(image, 0x70, 0xFFFFFFFF);
  v.TakeSample();
  EXPECT_EQ(v.ValueText(true, 4), "0");

  EXPECT_EQ(Parse(v, "=2"), ~1250u);
  EXPECT_EQ(Parse(v, "=0"), 0u);  // no half period: stored as 0
  EXPECT_TRUE(prompt.Warnings.empty());
  v.Tick = 0.0f;
  EXPECT_EQ(Parse(v, "=2"), 0u);
}

TEST_F(SpecialTypesTest, FrequencyScaleFallsBackToTheTick) {
  auto& v = Create<TFrequency>("p=F/d/TFrequency/x0070/r0038/Гц/nothing/bad/x00010000/xFFFFFB1D/");
  EXPECT_FLOAT_EQ(v.Scale, 0.0002f);
  EXPECT_EQ(v.Size, 4);
  list.Rescale();
  EXPECT_FLOAT_EQ(v.Scale, 0.0002f);
  EXPECT_EQ(v.ColumnText(4), "2");
}

TEST_F(SpecialTypesTest, SoftTimerComplementsItsLowBytes) {
  auto& small = Create<TSoftTimer>("p=Tblk/d/TSoftTimer/x0061/r0030.H/с/0,1/1/x00010000/xCE/");
  EXPECT_EQ(small.ColumnText(4), "4,9");
  EXPECT_EQ(Parse(small, "=4,9"), ~49u);
  small.WriteBase(image);
  EXPECT_EQ(image[0x61], 0xCE);
  EXPECT_EQ(image[0x62], 0x00);
  EXPECT_EQ(small.DefinitionText(), "Tblk/d/TSoftTimer/x0061/r0030.H/с/0,1/1/x00010000/xCE/");

  auto& full = Create<TSoftTimer>("p=Tstop/d/TSoftTimer/x0124/r0092/с/0,01/4/x00010000/xFFFFFC17/");
  EXPECT_EQ(full.ColumnText(4), "10");
  auto& three = Create<TSoftTimer>("p=T3/d/TSoftTimer/x0130/r0098/с/1/3/x00010000/x00FFFFFE/");
  EXPECT_EQ(three.ColumnText(4), "1");
  Sample(three, {0xFD, 0xFF, 0xFF, 0x00});
  EXPECT_EQ(three.ValueText(true, 4), "2");
  EXPECT_EQ(three.HexText(), "xFFFFFD");

  auto& odd = Create<TSoftTimer>("p=T9/d/TSoftTimer/x0140/r00A0/с/1/9/x00010000/x00000000/");
  EXPECT_EQ(odd.Size, 4);
}

TEST_F(SpecialTypesTest, SoftTimerAndDiffRefuseEntriesWithoutAScale) {
  auto& timer = Create<TSoftTimer>("p=T/d/TSoftTimer/x0124/r0092/с/0/4/x00010000/x00000000/");
  EXPECT_EQ(ParsedText(timer, "=5"), "Error");
  auto& diff = Create<TDiff>("p=D/d/TDiff/x0128/r0094/A/0/4/x00010000/x00000000/");
  EXPECT_EQ(ParsedText(diff, "=5"), "Error");
  EXPECT_EQ(prompt.Warnings.size(), 2u);
  // Without a tick there is no count at all.
  timer.Tick = 0.0f;
  diff.Tick = 0.0f;
  EXPECT_EQ(Parse(timer, "=5"), 0u);
  EXPECT_EQ(Parse(diff, "=5"), 0u);
  EXPECT_EQ(prompt.Warnings.size(), 2u);
}

TEST_F(SpecialTypesTest, DiffDividesTheCountByTheConstant) {
  auto& v = Create<TDiff>("p=dIdt/d/TDiff/x0128/r0094/A/1/2/x00000100/x00020000/");
  EXPECT_EQ(v.Size, 4);           // fixed, whatever item 7 says
  EXPECT_EQ(v.K, 65536u);         // not read from the line
  EXPECT_EQ(v.ColumnText(4), "2");
  EXPECT_EQ(Parse(v, "=2"), 0x20000u);
  PutWord(image, 0x128, 0x8000);
  v.TakeSample();
  EXPECT_EQ(v.ValueText(false, 2), "0,50");
  EXPECT_EQ(v.HexText(), "x00008000");
  v.K = 0;
  EXPECT_EQ(v.ValueText(true, 4), "0");
  EXPECT_EQ(v.ColumnText(4), "0");
  v.K = 65536;
  EXPECT_EQ(v.DefinitionText(), "dIdt/d/TDiff/x0128/r0094/A/1/4/x00010000/x00020000/");
}

TEST_F(SpecialTypesTest, TimerTypesKeepOneValueForRecords) {
  auto& v = Create<TSoftTimer>("p=T/d/TSoftTimer/x0124/r0092/с/1/2/x00010000/x0000/");
  Sample(v, {0xFA, 0xFF});
  EXPECT_EQ(v.SampleBytes(1000), 2u);
  std::vector<std::uint8_t> record(8, 0);
  EXPECT_EQ(v.CopySamples(record, 17, 1000), 2u);
  EXPECT_EQ(record[0], 0xFA);
  EXPECT_EQ(record[1], 0xFF);
  EXPECT_EQ(record[2], 0x00);
  EXPECT_EQ(v.CopySamples(std::span<std::uint8_t>(record.data(), 1), 0, 1), 0u);

  auto& fresh = Create<TSoftTimer>("p=U/d/TSoftTimer/x0130/r0098/с/1/2/x00010000/x0000/");
  EXPECT_EQ(fresh.LoadSamples(record, 1000), 2u);
  EXPECT_EQ(fresh.Head, 1000);
  EXPECT_EQ(fresh.ValueText(true, 4), "5");
  EXPECT_EQ(fresh.ValueText(true, 4), v.ValueText(true, 4));
}

}  // namespace
}  // namespace quillon

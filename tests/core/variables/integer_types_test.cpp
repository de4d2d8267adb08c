#include <gtest/gtest.h>

#include <vector>

#include "recording_canvas.h"
#include "text/numbers.h"
#include "variables/integer_types.h"
#include "variables/registry.h"
#include "variables/view_list.h"

namespace quillon {
namespace {

using testing::RecordingPrompt;

class IntegerTypesTest : public ::testing::Test {
 protected:
  TView& Create(std::string_view line) {
    TView* v = CreateVariable(line, {}, image, list);
    if (v == nullptr) throw std::runtime_error("line ignored");
    return *v;
  }
  // Puts bytes at the variable's address and samples them.
  void Sample(TView& v, std::vector<std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) image[v.Address + i] = bytes[i];
    v.TakeSample();
    v.ShownIndex = v.Head;
  }
  std::uint32_t Parse(TView& v, std::string entry) { return v.ParseInput(entry); }

  std::vector<std::uint8_t> image = std::vector<std::uint8_t>(kImageSize);
  TViewList list;
  RecordingPrompt prompt;
  ScopedPrompt scoped{prompt};
};

TEST_F(IntegerTypesTest, WordColumnsForScaleOneTenth) {
  TView& v = Create("p1=Speed/Скорость/TWORD/x0100/r0080/об/0,1/2///x03E8/");
  Sample(v, {0xE9, 0x03});
  EXPECT_EQ(v.ColumnText(0), "TWORD");
  EXPECT_EQ(v.ColumnText(1), "Speed");
  EXPECT_EQ(v.ColumnText(2), "Скорость");
  EXPECT_EQ(v.ColumnText(3), "x03E8");
  EXPECT_EQ(v.ColumnText(4), "100");
  EXPECT_EQ(v.ColumnText(5), "x03E9");
  EXPECT_EQ(v.ColumnText(6), "100,1");
  EXPECT_EQ(v.ColumnText(7), "об");
  EXPECT_EQ(v.ColumnText(8), "r0080");
  EXPECT_EQ(v.ColumnText(9), "?");
  EXPECT_EQ(v.ColumnText(-1), "?");
  EXPECT_EQ(v.ValueText(false, 2), "100,10");
}

TEST_F(IntegerTypesTest, CommonParseOfEntries) {
  TView& v = Create("p=n/d/TWORD/x10/r0001/A/0,1/2/x0000/");
  std::string hex = "= x1F";
  EXPECT_EQ(v.ParseInput(hex), 0x1Fu);
  EXPECT_EQ(hex, "x1F");
  EXPECT_EQ(Parse(v, "=12,5"), 125u);
  EXPECT_EQ(Parse(v, "=12,34"), 123u);
  EXPECT_EQ(Parse(v, "=12.34"), 123u);
  EXPECT_EQ(Parse(v, "=x7B"), 123u);
  EXPECT_TRUE(prompt.Warnings.empty());

  std::string bad = "=abc";
  EXPECT_EQ(v.ParseInput(bad), 0u);
  EXPECT_EQ(bad, "Error");
  ASSERT_EQ(prompt.Warnings.size(), 1u);
  EXPECT_EQ(prompt.Warnings[0].Caption, "Предупреждение");
  EXPECT_EQ(prompt.Warnings[0].Text, "Неизвестный формат числа");
  EXPECT_EQ(Parse(v, "12"), 0u);  // no "="
  EXPECT_EQ(Parse(v, "= "), 0u);
  EXPECT_EQ(prompt.Warnings.size(), 3u);
}

TEST_F(IntegerTypesTest, RoundingIsHalfToEven) {
  TView& v = Create("p=n/d/TWORD/x10/r0001/A/1/2/x0000/");
  EXPECT_EQ(Parse(v, "=2,5"), 2u);
  EXPECT_EQ(Parse(v, "=3,5"), 4u);
  EXPECT_EQ(Parse(v, "=-1"), 0xFFFFFFFFu);
}

TEST_F(IntegerTypesTest, ZeroScaleRefusesADecimalEntry) {
  TView& v = Create("p=n/d/TWORD/x10/r0001/A/0/2/x0000/");
  std::string entry = "=5";
  EXPECT_EQ(v.ParseInput(entry), 0u);
  EXPECT_EQ(entry, "Error");
  EXPECT_EQ(Parse(v, "=x05"), 5u);
}

TEST_F(IntegerTypesTest, ByteEntryOutOfRangeIsStoredModulo256) {
  TView& v = Create("p=n/d/TByte/x0020/r0001.H/A/1/1///300/");
  EXPECT_TRUE(v.HighByte);
  v.WriteBase(image);
  EXPECT_EQ(image[0x20], 0x2C);
  EXPECT_EQ(image[0x21], 0x00);
}

TEST_F(IntegerTypesTest, ShortIntIsSigned) {
  TView& v = Create("p=n/d/TShortInt/x0030/r0001.L/A/1/1//xFF/");
  EXPECT_FALSE(v.HighByte);
  EXPECT_EQ(v.ColumnText(4), "-1");
  Sample(v, {0xFF});
  EXPECT_EQ(v.ValueText(false, 2), "-1,00");
  EXPECT_EQ(v.ColumnText(6), "-1");
  EXPECT_EQ(v.HexText(), "xFF");
}

TEST_F(IntegerTypesTest, ShortIntItemEightIsAScaleTableName) {
  list.AddScale("Inom=1500");
  list.AddScale("Mode=1#slow#0.5/2#fast#0.25/2/");
  TView& named = Create("p=a/d/TShortInt/x0030/r0001.L/A/1/1/Inom/x00/");
  TView& choice = Create("p=b/d/TShortInt/x0030/r0001.L/A/1/1/Mode/x00/");
  TView& unknown = Create("p=c/d/TShortInt/x0030/r0001.L/A/1/1/Nope/x00/");
  EXPECT_EQ(named.OffsetText, "1500");
  EXPECT_EQ(choice.OffsetText, "2");
  EXPECT_EQ(unknown.OffsetText, "");
  // The name itself is written back, so that it survives the next save.
  EXPECT_EQ(named.DefinitionText(), "a/d/TShortInt/x0030/r0001.L/A/1/1/Inom/x00/");
  // The named value does not shift the physical value.
  Sample(named, {0x05});
  EXPECT_EQ(named.ValueText(true, 4), "5");
}

TEST_F(IntegerTypesTest, IntegerOffsetAppliesToDecimalEntriesOnly) {
  TView& v = Create("p=n/d/TInteger/x0040/r0001/A/0,5/2/100/x0000/");
  std::string entry = "=10";
  const std::uint32_t raw = v.ParseInput(entry);
  EXPECT_EQ(raw, 120u);
  v.BaseValue = "x" + HexDigits(raw, 4);
  EXPECT_EQ(v.BaseValue, "x0078");
  EXPECT_EQ(v.ColumnText(4), "10");
  v.WriteBase(image);
  Sample(v, {});
  EXPECT_EQ(v.ValueText(true, 4), "10");
  EXPECT_EQ(Parse(v, "=x78"), 0x78u);
  // Below the offset the value is negative, taken in the cell's 16 bits.
  EXPECT_EQ(v.BaseText("x0000"), "-50");
  EXPECT_EQ(v.BaseText("xFFFF"), "-50,5");
}

TEST_F(IntegerTypesTest, OffsetFromTheScaleTableAndFallback) {
  list.AddScale("Zero=x10");
  TView& v = Create("p=n/d/TInteger/x0040/r0001/A/1/2/Zero/x0000/");
  EXPECT_EQ(v.BaseText("x0010"), "0");
  TView& missing = Create("p=m/d/TInteger/x0040/r0001/A/1/2/Nothing/x0000/");
  EXPECT_EQ(missing.BaseText("x0010"), "16");
  EXPECT_EQ(missing.DefinitionText(), "m/d/TInteger/x0040/r0001/A/1/2/Nothing/x0000/");
}

TEST_F(IntegerTypesTest, LongintOffsetIs32Bit) {
  TView& v = Create("p=n/d/TLongint/x0050/r0001/A/1/4/-5/x00000000/");
  Sample(v, {0xFB, 0xFF, 0xFF, 0xFF});  // -5
  EXPECT_EQ(v.ValueText(true, 2), "0");
  EXPECT_EQ(v.HexText(), "xFFFFFFFB");
  EXPECT_EQ(Parse(v, "=0"), 0xFFFFFFFBu);
  EXPECT_EQ(v.BaseText("x00000000"), "5");
  EXPECT_EQ(v.BaseText("-9223372036854775808"), "5");  // low 32 bits are 0
}

TEST_F(IntegerTypesTest, DwordIsUnsigned32Bit) {
  TView& v = Create("p=n/d/TDWORD/x0060/r0001/A/1/4/xFFFFFFFF/");
  Sample(v, {0xFF, 0xFF, 0xFF, 0xFF});
  EXPECT_EQ(v.ValueText(false, 2), "4294967295,00");
  EXPECT_EQ(v.ColumnText(4), "4294967295");
  EXPECT_EQ(v.HexText(), "xFFFFFFFF");
  EXPECT_EQ(v.DefinitionText(), "n/d/TDWORD/x0060/r0001/A/1/4/xFFFFFFFF/");
}

TEST_F(IntegerTypesTest, BaseTextOfANonIntegerIsAConversionError) {
  TView& v = Create("p=n/d/TWORD/x0060/r0001/A/1/2/oops/");
  EXPECT_THROW(v.ColumnText(4), ConversionError);
}

TEST_F(IntegerTypesTest, BitSamplesItsMaskInTheWordAtItsAddress) {
  TView& v = Create("p=n/d/TBit/x0070/x100/r0001.0/1/1/0/");
  EXPECT_EQ(v.Mask, 0x100u);
  Sample(v, {0x00, 0x01});  // the mask names a bit of the following byte
  EXPECT_EQ(v.ValueText(false, 2), "1");
  EXPECT_EQ(v.HexText(), "1");
  Sample(v, {0xFF, 0xFE});
  EXPECT_EQ(v.ValueText(false, 2), "0");
}

TEST_F(IntegerTypesTest, BitEntriesAndWriteBase) {
  TView& v = Create("p=n/d/TBit/x0070/x12/r0001.1/1/1/1/");
  EXPECT_EQ(Parse(v, "=1"), 1u);
  EXPECT_EQ(Parse(v, "=x0"), 0u);
  EXPECT_EQ(Parse(v, "=7"), 1u);
  EXPECT_EQ(Parse(v, "=abc"), 255u);
  EXPECT_TRUE(prompt.Warnings.empty());

  image[0x70] = 0x81;
  v.WriteBase(image);
  EXPECT_EQ(image[0x70], 0x93);
  v.BaseValue = "0";
  v.WriteBase(image);
  EXPECT_EQ(image[0x70], 0x81);
  v.BaseValue = "junk";  // 255 counts as a set bit
  v.WriteBase(image);
  EXPECT_EQ(image[0x70], 0x93);
  EXPECT_EQ(v.BaseText("junk"), "junk");
}

TEST_F(IntegerTypesTest, BitDefinitionWritesItsBitCharacter) {
  TView& v = Create("p=n/d/TBit/x0002/x10/r0002.C/1/1/0/");
  EXPECT_TRUE(v.HighByte);
  EXPECT_EQ(v.DefinitionText(), "n/d/TBit/x0002/16/r0002.C/1/1/0/");
  TView& low = Create("p=m/d/TBit/x0002/x80/r0002.7/1/1/0/");
  EXPECT_FALSE(low.HighByte);
  EXPECT_EQ(low.DefinitionText(), "m/d/TBit/x0002/128/r0002.7/1/1/0/");
  TView& wide = Create("p=w/d/TBit/x0002/x100/r0002.0/1/1/0/");
  EXPECT_EQ(wide.DefinitionText(), "w/d/TBit/x0002/256/r0002.0/1/1/0/");
}

TEST_F(IntegerTypesTest, BitLineOfEightItemsGainsItsScaleItemWhenWritten) {
  TView& v = Create("p99=cos_buf_write/---/TBit/x0022/2/r0001.1/0/1/");
  EXPECT_EQ(v.Address, 0x22);
  EXPECT_EQ(v.Mask, 2u);
  EXPECT_EQ(v.Register, 1);
  EXPECT_EQ(v.Size, 1);
  EXPECT_EQ(v.BaseValue, "1");
  EXPECT_EQ(v.DefinitionLine(), "p99=cos_buf_write/---/TBit/x0022/2/r0001.1/1/1/1/");
}

TEST_F(IntegerTypesTest, DefinitionTextsOfTheOtherTypes) {
  EXPECT_EQ(Create("k=a/b/TByte/16/r01FF.H/u/Inom%10/1/ref/0,333/x01/").DefinitionText(),
            "a/b/TByte/x0010/r01FF.H/u/Inom%10/1/ref/0,33/x01/");
  EXPECT_EQ(Create("k=a/b/TWORD/x10/r0001/u/1/9/x0002/").DefinitionText(), "a/b/TWORD/x0010/r0001/u/1/2//0/x0002/");
  EXPECT_EQ(Create("k=a/b/TInteger/x10/r0001/u/1/2/-3/x0002/").DefinitionText(),
            "a/b/TInteger/x0010/r0001/u/1/2/-3/x0002/");
  EXPECT_EQ(Create("k=a/b/TLongint/x10/r0001/u/1/4/0/x00000002/").DefinitionText(),
            "a/b/TLongint/x0010/r0001/u/1/4/0/x00000002/");
  // A dependency on "@" that still has a ratio keeps it, so it does not turn into a
  // variable without a cell when read back.
  TView& at = Create("k=a/b/TWORD/x10/r0001/u/1/2/@/2/x0002/");
  EXPECT_FALSE(at.NotInMemory);
  EXPECT_EQ(at.DefinitionText(), "a/b/TWORD/x0010/r0001/u/1/2/@/2/x0002/");
}

TEST_F(IntegerTypesTest, DependentBaseValueFollowsTheReference) {
  TView& ref = Create("p1=Inom/d/TWORD/x0100/r0080/A/0,1/2///x03E8/");  // 100
  TView& dep = Create("p3=Ilim/d/TWORD/x0104/r0082/A/0,1/2/Inom/1,5/x0000/");
  EXPECT_EQ(dep.ColumnText(4), "150");
  EXPECT_EQ(dep.BaseValue, "x05DC");
  ref.BaseValue = "x07D0";
  EXPECT_EQ(dep.ColumnText(4), "300");
  EXPECT_EQ(dep.BaseValue, "x0BB8");
  // With a different scale the variable's own parse makes the raw value.
  TView& other = Create("p4=Ibyte/d/TByte/x0106/r0083.L/A/2/1/Inom/0,5/x00/");
  EXPECT_EQ(other.ColumnText(4), "100");  // 200 x 0,5
  EXPECT_EQ(other.BaseValue, "x32");      // 100 / 2
  // A reference that is missing leaves the stored value.
  TView& lost = Create("p5=L/d/TWORD/x0108/r0084/A/1/2/Missing/2/x0007/");
  EXPECT_EQ(lost.ColumnText(4), "7");
  EXPECT_EQ(lost.BaseValue, "x0007");
}

TEST_F(IntegerTypesTest, DependencyLoopEndsInsteadOfRecursing) {
  TView& a = Create("p1=A/d/TWORD/x0100/r0080/A/1/2/B/2/x0003/");
  Create("p2=B/d/TWORD/x0102/r0081/A/1/2/A/2/x0005/");
  // The chain is cut where it comes back to A, which counts its own stored 3 there:
  // B = 3 x 2, A = 6 x 2.
  EXPECT_EQ(a.ColumnText(4), "12");
  TView& self = Create("p3=S/d/TWORD/x0104/r0082/A/1/2/S/2/x0004/");
  EXPECT_EQ(self.ColumnText(4), "4");
}

TEST_F(IntegerTypesTest, UpdateRatioFromAnEntry) {
  Create("p1=Inom/d/TWORD/x0100/r0080/A/0,1/2///x03E8/");  // 100
  TView& dep = Create("p3=Ilim/d/TWORD/x0104/r0082/A/0,1/2/Inom/1,5/x0000/");
  dep.UpdateRatio("=250");
  EXPECT_FLOAT_EQ(dep.Ratio, 2.5f);
  dep.UpdateRatio("=x01F4");  // raw 500 -> 50
  EXPECT_FLOAT_EQ(dep.Ratio, 0.5f);
  dep.UpdateRatio("=what");
  EXPECT_FLOAT_EQ(dep.Ratio, 0.0f);
  EXPECT_TRUE(prompt.Warnings.empty());

  TView& zero = Create("p4=Z/d/TWORD/x0106/r0083/A/0/2/Inom/1,5/x0000/");
  zero.UpdateRatio("=10");
  EXPECT_FLOAT_EQ(zero.Ratio, 1.5f);
  ASSERT_EQ(prompt.Warnings.size(), 1u);
  EXPECT_EQ(prompt.Warnings[0].Text, "Шкала переменной Z равна нулю");
  EXPECT_EQ(prompt.Warnings[0].Caption, "Предупреждение");
}

TEST_F(IntegerTypesTest, SamplingAdvancesTheRingAndWraps) {
  TView& v = Create("p=n/d/TWORD/x0010/r0001/A/1/2/x0000/");
  for (int i = 1; i <= kHistoryLength + 2; ++i) {
    image[0x10] = static_cast<std::uint8_t>(i);
    image[0x11] = static_cast<std::uint8_t>(i >> 8);
    v.TakeSample();
  }
  EXPECT_EQ(v.Head, 2);
  EXPECT_EQ(v.SampleAt(2), static_cast<std::uint64_t>((kHistoryLength + 2) & 0xFFFF));
  EXPECT_EQ(v.SampleAt(0), static_cast<std::uint64_t>(kHistoryLength & 0xFFFF));
}

TEST_F(IntegerTypesTest, HistoryTransferCopiesAcrossTheWrap) {
  TView& v = Create("p=n/d/TWORD/x0010/r0001/A/1/2/x0000/");
  EXPECT_EQ(v.SampleBytes(10), 20u);
  std::vector<std::uint8_t> source(6);
  for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<std::uint8_t>(i + 1);
  EXPECT_EQ(v.LoadSamples(source, 3), 6u);
  EXPECT_EQ(v.Head, 3);
  EXPECT_EQ(v.SampleAt(1), 0x0403u);

  v.Head = 0;
  image[0x10] = 0xAA;
  v.Head = kHistoryLength - 1;
  v.TakeSample();  // lands at index 0
  std::vector<std::uint8_t> out(4);
  EXPECT_EQ(v.CopySamples(out, kHistoryLength - 1, 2), 4u);
  EXPECT_EQ(out[2], 0xAA);
  // A destination too small for n entries gets only what fits.
  std::vector<std::uint8_t> small(3);
  EXPECT_EQ(v.CopySamples(small, 0, 5), 2u);
  // More entries than the source holds are not read past its end.
  EXPECT_EQ(v.LoadSamples(source, 100), 6u);
  EXPECT_EQ(v.Head, 3);

  TView& bit = Create("p=b/d/TBit/x0010/1/r0001.0/1/4/0/");
  EXPECT_EQ(bit.Size, 4);
  EXPECT_EQ(bit.SampleBytes(10), 10u);
}

}  // namespace
}  // namespace quillon

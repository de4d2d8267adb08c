#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "special_fixture.h"
#include "text/numbers.h"
#include "variables/special/float_type.h"
#include "variables/special/input_filter_type.h"
#include "variables/special/ip_addr_type.h"
#include "variables/special/sqr_word_type.h"
#include "variables/special/time_cnt_type.h"

namespace quillon {
namespace {

using testing::SpecialTypesTest;

std::vector<std::uint8_t> BytesOf(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

// --- TFloat ---

TEST_F(SpecialTypesTest, FloatShowsTheScaledSingleAndTheNewestBits) {
  auto& v = Create<TFloat>("p=Kp/d/TFloat/x0020/r0010/%/2/2/0/x3F800000/");
  EXPECT_EQ(v.Size, 4);
  Sample(v, BytesOf(BitsOfFloat(1.5f)));
  EXPECT_EQ(v.ValueText(false, 2), "3,00");
  EXPECT_EQ(v.ValueText(true, 4), "3");
  Sample(v, BytesOf(BitsOfFloat(-0.25f)));
  // The cursor goes back one sample: the value follows it, the hex column does not.
  v.ShownIndex = v.Head - 1;
  EXPECT_EQ(v.ValueText(true, 4), "3");
  EXPECT_EQ(v.HexText(), "xBE800000");
  EXPECT_EQ(v.ColumnText(4), "2");  // x3F800000 is 1.0, times the scale 2
}

TEST_F(SpecialTypesTest, FloatEntriesAreDividedByTheScaleOrTakenAsBits) {
  auto& v = Create<TFloat>("p=Kp/d/TFloat/x0020/r0010//0,5/2/0/x00000000/");
  EXPECT_EQ(Parse(v, "=2,5"), BitsOfFloat(5.0f));
  EXPECT_EQ(Parse(v, "=x3F800000"), 0x3F800000u);
  EXPECT_TRUE(prompt.Warnings.empty());
  EXPECT_EQ(ParsedText(v, "=abc"), "Error");
  EXPECT_EQ(Parse(v, "=abc"), 0u);
  ASSERT_EQ(prompt.Warnings.size(), 2u);
  EXPECT_EQ(prompt.Warnings[0].Caption, "Предупреждение");
  EXPECT_EQ(prompt.Warnings[0].Text, "Неизвестный формат числа");

  v.BaseValue = "x40A00000";
  v.WriteBase(image);
  EXPECT_EQ(std::vector<std::uint8_t>(image.begin() + 0x20, image.begin() + 0x24), BytesOf(0x40A00000));
}

TEST_F(SpecialTypesTest, FloatWithZeroScaleRefusesPhysicalEntries) {
  auto& v = Create<TFloat>("p=Kp/d/TFloat/x0020/r0010//0/2/0/x00000000/");
  EXPECT_EQ(ParsedText(v, "=1"), "Error");
  EXPECT_EQ(prompt.Warnings.size(), 1u);
  EXPECT_EQ(Parse(v, "=x3F800000"), 0x3F800000u);
}

TEST_F(SpecialTypesTest, FloatTrendModeComesFromItemEight) {
  list.Resize(400, 200);
  list.AddScale("Centre=1");
  auto& plain = Create<TFloat>("p=a/d/TFloat/x0020/r0010//1/2/0/x00000000/", "1/40/0/");
  auto& centred = Create<TFloat>("p=b/d/TFloat/x0024/r0012//1/2/Centre/x00000000/", "1/40/0/");
  EXPECT_FALSE(plain.SignedTrend);
  EXPECT_TRUE(centred.SignedTrend);
  EXPECT_EQ(centred.Baseline, 20);
  EXPECT_EQ(centred.OffsetText, "Centre");
  EXPECT_NE(centred.DefinitionText().find("/2/Centre/"), std::string::npos);

  testing::RecordingCanvas canvas(400, 200);
  Sample(centred, BytesOf(BitsOfFloat(10.0f)));
  centred.DrawRow(canvas, 0);
  const auto zeroLines = canvas.LinesIn(kSilver);
  ASSERT_EQ(zeroLines.size(), 1u);
  EXPECT_EQ(zeroLines[0].Y1, 20);
  // The newest point: 10 at gain 1, halved, above the zero line.
  const auto trend = canvas.LinesIn(kBlack);
  ASSERT_FALSE(trend.empty());
  EXPECT_EQ(trend.back().Y2, 15);

  testing::RecordingCanvas plainCanvas(400, 200);
  plain.DrawRow(plainCanvas, 0);
  EXPECT_TRUE(plainCanvas.LinesIn(kSilver).empty());
}

TEST_F(SpecialTypesTest, FloatDrawsNoTrendForNaN) {
  list.Resize(400, 200);
  auto& v = Create<TFloat>("p=a/d/TFloat/x0020/r0010//1/2/0/x00000000/", "1/30/0/");
  Sample(v, BytesOf(BitsOfFloat(5.0f)));
  testing::RecordingCanvas drawn(400, 200);
  v.DrawRow(drawn, 0);
  EXPECT_FALSE(drawn.LinesIn(kBlack).empty());

  Sample(v, BytesOf(BitsOfFloat(std::numeric_limits<float>::quiet_NaN())));
  testing::RecordingCanvas skipped(400, 200);
  v.DrawRow(skipped, 0);
  EXPECT_TRUE(skipped.LinesIn(kBlack).empty());
  // The row itself is still there.
  EXPECT_NE(skipped.TextAt(2, 2), nullptr);

  // An infinity is drawn, pinned to the row's edge.
  Sample(v, BytesOf(BitsOfFloat(std::numeric_limits<float>::infinity())));
  testing::RecordingCanvas pinned(400, 200);
  v.DrawRow(pinned, 0);
  ASSERT_FALSE(pinned.LinesIn(kBlack).empty());
  EXPECT_EQ(pinned.LinesIn(kBlack).back().Y2, 0);
}

TEST_F(SpecialTypesTest, ShortFloatLinesAreWrittenInFull) {
  auto& v = Create<TFloat>("p=Kp/d/TFloat/x0020/r0010/u/1/x3F800000");
  EXPECT_FALSE(v.SignedTrend);
  EXPECT_EQ(v.BaseValue, "x3F800000");
  EXPECT_EQ(v.DefinitionText(), "Kp/d/TFloat/x0020/r0010/u/1/2/0/x3F800000/");
}

// --- TSQRWord ---

TEST_F(SpecialTypesTest, SquareWordFollowsItsReferenceThroughTheSquareLaw) {
  Create("r=I/Ток/TWORD/x0200/r0100/A/1/2//0/x00A0/");
  auto& v = Create<TSQRWord>("s=Ieff/Действ/TSQRWord/x0214/r010A/A/0,5/2/I/1/x0000/");
  EXPECT_FLOAT_EQ(v.Scale, 1.0f);
  EXPECT_EQ(v.ScaleText, "");
  EXPECT_EQ(v.ColumnText(4), "100");
  EXPECT_EQ(v.BaseValue, "x0064");
  EXPECT_EQ(v.ColumnText(1), "Ieff=1 I");

  v.Ratio = 2.0f;  // (160 x 2)^2 / 256 = 400
  EXPECT_EQ(v.ColumnText(4), "400");
  EXPECT_EQ(v.BaseValue, "x0190");
  EXPECT_EQ(v.DefinitionText(), "Ieff/Действ/TSQRWord/x0214/r010A/A//2/I/2/x0190/");
}

TEST_F(SpecialTypesTest, SquareWordRatioFromAnEnteredSquare) {
  Create("r=I/Ток/TWORD/x0200/r0100/A/1/2//0/x00A0/");
  auto& v = Create<TSQRWord>("s=Ieff/d/TSQRWord/x0214/r010A/A//2/I/1/x0000/");
  v.UpdateRatio("=400");
  EXPECT_FLOAT_EQ(v.Ratio, 2.0f);  // sqrt(400 x 256) / 160
  v.UpdateRatio("= x64");
  EXPECT_FLOAT_EQ(v.Ratio, 1.0f);
  EXPECT_THROW(v.UpdateRatio("=1,5"), ConversionError);
  EXPECT_FLOAT_EQ(v.Ratio, 1.0f);

  // A reference of zero gives nothing to divide by: the ratio stays.
  Create("z=Z/d/TWORD/x0220/r0110/A/1/2//0/x0000/");
  auto& follower = Create<TSQRWord>("t=F/d/TSQRWord/x0224/r0112/A//2/Z/1,5/x0000/");
  follower.UpdateRatio("=100");
  EXPECT_FLOAT_EQ(follower.Ratio, 1.5f);
}

TEST_F(SpecialTypesTest, SquareWordWithoutItsReferenceKeepsItsBaseValue) {
  auto& v = Create<TSQRWord>("s=Ieff/d/TSQRWord/x0214/r010A/A//2/Nobody/1/x0064/");
  EXPECT_EQ(v.ColumnText(4), "100");
  EXPECT_EQ(v.BaseValue, "x0064");
  // Not dependent at all: the root of the stored square, times 256.
  auto& free = Create<TSQRWord>("f=Free/d/TSQRWord/x0216/r010B/A//2//0/x1900/");
  EXPECT_EQ(free.ColumnText(4), "20480");
}

TEST_F(SpecialTypesTest, SquareWordKeepsOnlyTheValueLastRead) {
  auto& v = Create<TSQRWord>("s=Ieff/d/TSQRWord/x0214/r010A/A//2//0/x0000/");
  Sample(v, {0x34, 0x12, 0xFF});
  v.ShownIndex = 1234;
  EXPECT_EQ(v.ValueText(false, 2), "4660,00");
  EXPECT_EQ(v.HexText(), "x1234");
  EXPECT_EQ(v.SampleBytes(500), 2u);
  EXPECT_EQ(Parse(v, "=12,5"), 12u);
  EXPECT_EQ(Parse(v, "=x10"), 16u);
  EXPECT_EQ(ParsedText(v, "=?"), "Error");

  testing::RecordingCanvas canvas(400, 100);
  list.Resize(400, 100);
  v.DrawRow(canvas, 0);
  EXPECT_TRUE(canvas.Lines.empty());
  ASSERT_NE(canvas.TextAt(list.NameWidth, 2), nullptr);
  EXPECT_EQ(canvas.TextAt(list.NameWidth, 2)->Text, "x1234");
}

TEST_F(SpecialTypesTest, SquareWordWithoutAddressIsNeverSampled) {
  auto& v = Create<TSQRWord>("s=Ieff/d/TSQRWord//r010A/A//2//0/x0000/");
  EXPECT_TRUE(v.NoAddress);
  image[0] = 0x55;
  v.TakeSample();
  EXPECT_EQ(v.HexText(), "x0000");
  EXPECT_EQ(v.DefinitionText(), "Ieff/d/TSQRWord///A//2//0/x0000/");
  auto& badRegister = Create<TSQRWord>("s=B/d/TSQRWord/x10/rzz/A//2//0/x0000/");
  EXPECT_EQ(badRegister.Register, 0);
  EXPECT_EQ(badRegister.RegisterText, "");
}

// --- TInputFilter ---

TEST_F(SpecialTypesTest, InputFilterCountsInFilterTicks) {
  list.AddScale("Tf=0,001");
  auto& v = Create("f=Tf/d/TInputFilter/x0030/r0018/с/unknown/2/x0032/");
  EXPECT_FLOAT_EQ(v.Scale, 0.0002f);
  EXPECT_EQ(v.ColumnText(4), "0,01");
  EXPECT_EQ(v.BaseText("x10032"), "0,01");  // taken modulo 65536
  EXPECT_EQ(Parse(v, "=0,01"), 50u);
  list.Rescale();
  EXPECT_FLOAT_EQ(v.Scale, 0.0002f);

  auto& named = Create("g=Tg/d/TInputFilter/x0032/r0019/с/Tf/2/x0032/");
  EXPECT_FLOAT_EQ(named.Scale, 0.001f);
  EXPECT_EQ(named.DefinitionText(), "Tg/d/TInputFilter/x0032/r0019/с/Tf/2/x0032/");

  // Reads and draws like a word: a ring of samples.
  Sample(v, {0x10, 0x00});
  Sample(v, {0x20, 0x00});
  v.ShownIndex = v.Head - 1;
  EXPECT_EQ(v.HexText(), "x0010");

  EXPECT_EQ(CreateVariable("f=Tf/d/TInputFilter/x0030/r0018/с/x0032/", {}, image, list), nullptr);
}

TEST_F(SpecialTypesTest, InputFilterRecordsCarryItsStoredValue) {
  auto& v = Create("f=Tf/d/TInputFilter/x0030/r0018/с/0,0002/2/x1234/");
  Sample(v, {0x99, 0x99});
  std::vector<std::uint8_t> record(16, 0xEE);
  EXPECT_EQ(v.SampleBytes(8), 2u);
  EXPECT_EQ(v.CopySamples(record, 0, 8), 2u);
  EXPECT_EQ(record[0], 0x34);
  EXPECT_EQ(record[1], 0x12);

  auto& fresh = Create("e=Te/d/TInputFilter/x0040/r0020/с/0,0002/2/x0000/");
  EXPECT_EQ(fresh.LoadSamples(record, 8), 2u);
  EXPECT_EQ(fresh.BaseValue, "x1234");
  EXPECT_EQ(fresh.Head, 8);
  EXPECT_EQ(fresh.LoadSamples(std::span<const std::uint8_t>(record.data(), 1), 8), 0u);
}

// --- TIPAddr ---

TEST_F(SpecialTypesTest, AddressIsShownMostSignificantByteFirst) {
  auto& v = Create("a=IP/d/TIPAddr/x0040/r0020//1/4/xC0A8010A/");
  Sample(v, {0x0A, 0x00, 0xA8, 0xC0});
  EXPECT_EQ(v.ValueText(true, 4), "192.168.0.10");
  EXPECT_EQ(v.HexText(), "xC0A8000A");
  EXPECT_EQ(v.ColumnText(4), "192.168.1.10");
  EXPECT_EQ(v.DefinitionText(), "IP/d/TIPAddr/x0040/r0020//1/4/xC0A8010A/");
}

TEST_F(SpecialTypesTest, AddressEntriesOfFourPartsAreStoredLeastSignificantFirst) {
  auto& v = Create("a=IP/d/TIPAddr/x0040/r0020//1/4/x00000000/");
  EXPECT_EQ(Parse(v, "=10.0.0.1"), 0x0A000001u);
  v.BaseValue = "10.0.0.1";
  v.WriteBase(image);
  EXPECT_EQ(std::vector<std::uint8_t>(image.begin() + 0x40, image.begin() + 0x44),
            (std::vector<std::uint8_t>{0x01, 0x00, 0x00, 0x0A}));
  EXPECT_EQ(Parse(v, "=300.1.2.3"), 0x2C010203u);  // each part cut to a byte
  EXPECT_EQ(Parse(v, "=xC0A80001"), 0xC0A80001u);
  EXPECT_THROW(Parse(v, "=a.b.c.d"), ConversionError);
  EXPECT_TRUE(prompt.Warnings.empty());
  EXPECT_EQ(ParsedText(v, "=1.2.3"), "Error");
  EXPECT_EQ(prompt.Warnings.size(), 1u);
}

// --- TTimeCnt ---

TEST_F(SpecialTypesTest, TimeCounterPadsTheHoursWithUnderscores) {
  auto& v = Create("t=Hours/d/TTimeCnt/x0050/r0028/ч/1/4/x00000E10/");
  Sample(v, BytesOf(3725));
  EXPECT_EQ(v.ValueText(false, 2), "______1:02:05");
  Sample(v, BytesOf(0));
  EXPECT_EQ(v.ValueText(true, 4), "______0:00:00");
  Sample(v, BytesOf(0xFFFFFFFF));
  EXPECT_EQ(v.ValueText(true, 4), "1193046:28:15");
  // The rest is a double word's.
  EXPECT_EQ(v.ColumnText(4), "3600");
  EXPECT_EQ(v.HexText(), "xFFFFFFFF");
  EXPECT_EQ(Parse(v, "=3600"), 3600u);
}

}  // namespace
}  // namespace quillon

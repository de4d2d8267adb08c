#include <gtest/gtest.h>

#include <limits>

#include "special_fixture.h"
#include "variables/special/float_type.h"
#include "variables/special/input_filter_type.h"
#include "variables/special/sqr_word_type.h"

namespace quillon {
namespace {

using testing::BytesOf;
using testing::SpecialTypesTest;

TEST_F(SpecialTypesTest, FloatValueFollowsTheCursorButHexShowsTheNewest) {
  auto& v = Create<TFloat>("p=Kp/d/TFloat/x0020/r0010/%/2/2/0/x3F800000/");
  Sample(v, BytesOf(BitsOfFloat(1.5f)));
  Sample(v, BytesOf(BitsOfFloat(-0.25f)));
  v.ShownIndex = v.Head - 1;
  EXPECT_EQ(v.ValueText(false, 2), "3,00");
  EXPECT_EQ(v.HexText(), "xBE800000");
  EXPECT_EQ(v.ColumnText(4), "2");  // x3F800000 is 1.0, times the scale 2
}

TEST_F(SpecialTypesTest, FloatEntries) {
  auto& v = Create<TFloat>("p=Kp/d/TFloat/x0020/r0010//0,5/2/0/x00000000/");
  EXPECT_EQ(Parse(v, "=2,5"), BitsOfFloat(5.0f));
  EXPECT_EQ(Parse(v, "=x3F800000"), 0x3F800000u);
  EXPECT_EQ(ParsedText(v, "=abc"), "Error");
  v.BaseValue = "x40A00000";
  v.WriteBase(image);
  EXPECT_EQ(std::vector<std::uint8_t>(image.begin() + 0x20, image.begin() + 0x24), BytesOf(0x40A00000));
  // A zero scale has no stored value for a physical entry.
  v.Scale = 0.0f;
  EXPECT_EQ(ParsedText(v, "=1"), "Error");
  EXPECT_EQ(prompt.Warnings.size(), 2u);
  // Short lines (never written by the tools) carry no trend mode and are written in full.
  auto& shortLine = Create<TFloat>("p=Kp/d/TFloat/x0020/r0010/u/1/x3F800000");
  EXPECT_EQ(shortLine.DefinitionText(), "Kp/d/TFloat/x0020/r0010/u/1/2/0/x3F800000/");
}

TEST_F(SpecialTypesTest, FloatTrendModeAndNaN) {
  list.Resize(400, 200);
  list.AddScale("Centre=1");
  auto& v = Create<TFloat>("p=b/d/TFloat/x0024/r0012//1/2/Centre/x00000000/", "1/40/0/");
  EXPECT_TRUE(v.SignedTrend);
  EXPECT_EQ(v.Baseline, 20);
  Sample(v, BytesOf(BitsOfFloat(10.0f)));
  testing::RecordingCanvas canvas(400, 200);
  v.DrawRow(canvas, 0);
  ASSERT_EQ(canvas.LinesIn(kSilver).size(), 1u);
  ASSERT_FALSE(canvas.LinesIn(kBlack).empty());
  EXPECT_EQ(canvas.LinesIn(kBlack).back().Y2, 15);  // 10 at gain 1, halved, above the zero line

  Sample(v, BytesOf(BitsOfFloat(std::numeric_limits<float>::quiet_NaN())));
  testing::RecordingCanvas nan(400, 200);
  v.DrawRow(nan, 0);
  EXPECT_TRUE(nan.LinesIn(kBlack).empty());

  Sample(v, BytesOf(BitsOfFloat(std::numeric_limits<float>::infinity())));
  testing::RecordingCanvas pinned(400, 200);
  v.DrawRow(pinned, 0);
  ASSERT_FALSE(pinned.LinesIn(kBlack).empty());
  EXPECT_EQ(pinned.LinesIn(kBlack).back().Y2, 0);
}

TEST_F(SpecialTypesTest, SquareWordFollowsItsReferenceThroughTheSquareLaw) {
  Create("r=I/Ток/TWORD/x0200/r0100/A/1/2//0/x00A0/");
  auto& v = Create<TSQRWord>("s=Ieff/d/TSQRWord/x0214/r010A/A/0,5/2/I/1/x0000/");
  EXPECT_FLOAT_EQ(v.Scale, 1.0f);
  EXPECT_EQ(v.ColumnText(4), "100");
  EXPECT_EQ(v.BaseValue, "x0064");
  v.UpdateRatio("=400");
  EXPECT_FLOAT_EQ(v.Ratio, 2.0f);  // sqrt(400 x 256) / 160
  EXPECT_EQ(v.ColumnText(4), "400");
  EXPECT_EQ(v.DefinitionText(), "Ieff/d/TSQRWord/x0214/r010A/A//2/I/2/x0190/");
  EXPECT_THROW(v.UpdateRatio("=1,5"), ConversionError);

  // Without its reference the stored square is shown and kept; without a dependency its root.
  auto& orphan = Create<TSQRWord>("s=O/d/TSQRWord/x0214/r010A/A//2/Nobody/1/x0064/");
  EXPECT_EQ(orphan.ColumnText(4), "100");
  EXPECT_EQ(orphan.BaseValue, "x0064");
  auto& free = Create<TSQRWord>("f=F/d/TSQRWord/x0216/r010B/A//2//0/x1900/");
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

  auto& unplaced = Create<TSQRWord>("s=U/d/TSQRWord//r010A/A//2//0/x0000/");
  image[0] = 0x55;
  unplaced.TakeSample();
  EXPECT_EQ(unplaced.HexText(), "x0000");
  EXPECT_EQ(unplaced.DefinitionText(), "U/d/TSQRWord///A//2//0/x0000/");
}

TEST_F(SpecialTypesTest, InputFilterCountsInFilterTicksAndRecordsItsStoredValue) {
  auto& v = Create("f=Tf/d/TInputFilter/x0030/r0018/с/unknown/2/x1032/");
  EXPECT_FLOAT_EQ(v.Scale, 0.0002f);
  list.Rescale();
  EXPECT_FLOAT_EQ(v.Scale, 0.0002f);
  EXPECT_EQ(v.BaseText("x10032"), "0,01");  // taken modulo 65536
  EXPECT_EQ(Parse(v, "=0,01"), 50u);
  EXPECT_EQ(CreateVariable("f=Tf/d/TInputFilter/x0030/r0018/с/x0032/", {}, image, list), nullptr);

  Sample(v, {0x99, 0x99});
  std::vector<std::uint8_t> record(4, 0xEE);
  EXPECT_EQ(v.CopySamples(record, 0, 8), 2u);
  EXPECT_EQ(record, (std::vector<std::uint8_t>{0x32, 0x10, 0xEE, 0xEE}));
  auto& fresh = Create("e=Te/d/TInputFilter/x0040/r0020/с/0,0002/2/x0000/");
  EXPECT_EQ(fresh.LoadSamples(record, 8), 2u);
  EXPECT_EQ(fresh.BaseValue, "x1032");
  EXPECT_EQ(fresh.Head, 8);
}

TEST_F(SpecialTypesTest, AddressIsShownAndEnteredMostSignificantByteFirst) {
  auto& v = Create("a=IP/d/TIPAddr/x0040/r0020//1/4/xC0A8010A/");
  Sample(v, {0x0A, 0x00, 0xA8, 0xC0});
  EXPECT_EQ(v.ValueText(true, 4), "192.168.0.10");
  EXPECT_EQ(v.ColumnText(4), "192.168.1.10");
  v.BaseValue = "10.0.0.1";
  v.WriteBase(image);
  EXPECT_EQ(std::vector<std::uint8_t>(image.begin() + 0x40, image.begin() + 0x44),
            (std::vector<std::uint8_t>{0x01, 0x00, 0x00, 0x0A}));
  EXPECT_EQ(Parse(v, "=300.1.2.3"), 0x2C010203u);  // each part cut to a byte
  EXPECT_EQ(Parse(v, "=xC0A80001"), 0xC0A80001u);
  EXPECT_THROW(Parse(v, "=a.b.c.d"), ConversionError);
  EXPECT_EQ(ParsedText(v, "=1.2.3"), "Error");
}

TEST_F(SpecialTypesTest, TimeCounterPadsTheHoursWithUnderscores) {
  auto& v = Create("t=Hours/d/TTimeCnt/x0050/r0028/ч/1/4/x00000E10/");
  Sample(v, BytesOf(3725));
  EXPECT_EQ(v.ValueText(false, 2), "______1:02:05");
  Sample(v, BytesOf(0));
  EXPECT_EQ(v.ValueText(true, 4), "______0:00:00");
  Sample(v, BytesOf(0xFFFFFFFF));
  EXPECT_EQ(v.ValueText(true, 4), "1193046:28:15");
  EXPECT_EQ(v.ColumnText(4), "3600");
}

}  // namespace
}  // namespace quillon

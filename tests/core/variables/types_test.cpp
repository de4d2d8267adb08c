#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "text/numbers.h"
#include "variable_fixture.h"
#include "variables/entry.h"
#include "variables/integer_types.h"
#include "variables/special/float_type.h"
#include "variables/special/integral_types.h"
#include "variables/special/prm_list_type.h"
#include "variables/special/sqr_word_type.h"

namespace quillon {
namespace {

using testing::BytesOf;
using TypesTest = testing::VariableTest;

std::string Word(const char* scale) { return std::string("p=n/d/TWORD/x10/r0001/A/") + scale + "/2/x0000/"; }

TEST_F(TypesTest, EntriesOfEveryType) {
  struct Row {
    std::string line;
    const char* entry;
    std::uint32_t raw;
    const char* text;  // the entry as left by the parse ("Error" when refused with a warning); null: not checked
  };
  const std::string integer = "p=n/d/TInteger/x0040/r0001/A/0,5/2/100/x0078/";
  const std::string bit = "p=n/d/TBit/x0070/x12/r0001.1/1/1/1/";
  const std::string ip = "a=IP/d/TIPAddr/x0040/r0020//1/4/xC0A8010A/";
  const std::string flt = "p=Kp/d/TFloat/x0020/r0010//0,5/2/0/x00000000/";
  const std::string integral = "p=Tacc/d/TIntegral/x0060/r0030.L/с/0,01/1/x00000100/x20/";
  const std::string frequency = "p=F/d/TFrequency/x0070/r0038/Гц/bad/4/x00010000/xFFFFFB1D/";
  const Row rows[] = {
      {Word("0,1"), "= x1F", 0x1F, "x1F"},
      {Word("0,1"), "=12,5", 125, "12,5"},
      {Word("0,1"), "=12,34", 123, "12,34"},
      {Word("0,1"), "=12.34", 123, "12.34"},
      {Word("0,1"), "=abc", 0, "Error"},
      {Word("0,1"), "12", 0, "Error"},
      {Word("0,1"), "= ", 0, "Error"},
      {Word("1"), "=2,5", 2, "2,5"},
      {Word("1"), "=3,5", 4, "3,5"},
      {Word("1"), "=-1", 0xFFFFFFFF, "-1"},
      {Word("0"), "=5", 0, "Error"},
      {Word("0"), "=x05", 5, "x05"},
      // The offset applies to decimal entries only.
      {integer, "=10", 120, "10"},
      {integer, "=x78", 0x78, "x78"},
      {"p=n/d/TLongint/x0050/r0001/A/1/4/-5/x00000000/", "=0", 0xFFFFFFFB, "0"},
      // A bit takes any number that is not zero as set and an unreadable entry as 255, silently.
      {bit, "=x0", 0, nullptr},
      {bit, "=7", 1, nullptr},
      {bit, "=abc", 255, nullptr},
      {flt, "=2,5", 0x40A00000, nullptr},
      {flt, "=x3F800000", 0x3F800000, nullptr},
      {flt, "=abc", 0, "Error"},
      {"s=I/d/TSQRWord/x0214/r010A/A//2//0/x0000/", "=12,5", 12, nullptr},
      {"f=Tf/d/TInputFilter/x0030/r0018/с/unknown/2/x1032/", "=0,01", 50, nullptr},
      {ip, "=300.1.2.3", 0x2C010203, nullptr} /* each part cut to a byte */,
      {ip, "=xC0A80001", 0xC0A80001, nullptr},
      {ip, "=1.2.3", 0, "Error"},
      {integral, "=0,04", 64, nullptr},
      {integral, "=0", 0, nullptr},
      {frequency, "=2", ~1250u, nullptr},
      {frequency, "=0", 0, nullptr} /* no half period: stored as 0 */,
      {"p=Tblk/d/TSoftTimer/x0061/r0030.H/с/0,1/1/x00010000/xCE/", "=4,9", ~49u, nullptr},
      {"p=dIdt/d/TDiff/x0128/r0094/A/1/4/x00000100/x00020000/", "=2", 0x20000, nullptr},
      // Without a scale there is no count for a physical entry.
      {"p=T/d/TSoftTimer/x0124/r0092/с/0/4/x00010000/x00000000/", "=5", 0, "Error"},
      {"p=D/d/TDiff/x0128/r0094/A/0/4/x00010000/x00000000/", "=5", 0, "Error"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line + " " + row.entry);
    TView& v = Create(row.line);
    const std::size_t warnings = prompt.Warnings.size();
    std::string entry = row.entry;
    EXPECT_EQ(ParseTypedEntry(v, entry, prompt), row.raw);
    if (row.text != nullptr) {
      EXPECT_EQ(entry, row.text);
    }
    EXPECT_EQ(prompt.Warnings.size(), warnings + (entry == "Error" ? 1 : 0));
  }
  ASSERT_FALSE(prompt.Warnings.empty());
  EXPECT_EQ(prompt.Warnings[0].Caption + ": " + prompt.Warnings[0].Text, "Предупреждение: Неизвестный формат числа");
}

TEST_F(TypesTest, TextsOfASampleOfEveryType) {
  struct Row {
    const char* line;
    std::vector<std::uint8_t> bytes;
    bool strip;
    const char* value;  // ValueText(false, 2) or, stripped, ValueText(true, 4)
    const char* hex;    // null: not checked
    const char* base;   // ColumnTextAt(4, newest) of the line's base value; null: not checked
  };
  const char* timeCounter = "t=Hours/d/TTimeCnt/x0050/r0028/ч/1/4/x00000E10/";
  const char* frequency = "p=F/d/TFrequency/x0070/r0038/Гц/bad/4/x00010000/xFFFFFB1D/";
  const Row rows[] = {
      {"p=n/d/TShortInt/x0030/r0001.L/A/1/1//xFF/", {0xFF}, false, "-1,00", "xFF", "-1"},
      {"p=n/d/TLongint/x0050/r0001/A/1/4/-5/x00000000/", {0xFB, 0xFF, 0xFF, 0xFF}, true, "0", "xFFFFFFFB", "5"},
      {"p=n/d/TDWORD/x0060/r0001/A/1/4/xFFFFFFFF/", BytesOf(0xFFFFFFFF), false, "4294967295,00", "xFFFFFFFF",
       "4294967295"},
      {"p=n/d/TInteger/x0040/r0001/A/0,5/2/100/x0078/", {0x78, 0x00}, true, "10", "x0078", "10"},
      // Raw minus offset wraps in the cell's width, in the controller column as in the base.
      {"k=a/b/TLongint/x10/r0008/u/1/4/-1/x7FFFFFFF/", BytesOf(0x7FFFFFFF), true, "-2147483648", nullptr,
       "-2147483648"},
      {"k=a/b/TLongint/x10/r0008/u/1/4/1/x80000000/", BytesOf(0x80000000), true, "2147483647", nullptr, "2147483647"},
      {"k=a/b/TInteger/x10/r0008/u/0,5/2/-1/x7FFF/", {0xFF, 0x7F}, true, "-16384", nullptr, "-16384"},
      // The mask may name a bit of the byte after the address.
      {"p=n/d/TBit/x0070/x100/r0001.0/1/1/0/", {0x00, 0x01}, false, "1", "1", nullptr},
      {"p=n/d/TBit/x0070/x100/r0001.0/1/1/0/", {0xFF, 0xFE}, false, "0", nullptr, nullptr},
      {"a=IP/d/TIPAddr/x0040/r0020//1/4/xC0A8010A/",
       {0x0A, 0x00, 0xA8, 0xC0},
       true,
       "192.168.0.10",
       nullptr,
       "192.168.1.10"},
      {timeCounter, BytesOf(3725), false, "______1:02:05", nullptr, "3600"},
      {timeCounter, BytesOf(0), true, "______0:00:00", nullptr, nullptr},
      {timeCounter, BytesOf(0xFFFFFFFF), true, "1193046:28:15", nullptr, nullptr},
      // 256 x 0,01 / 32; only the low byte belongs to the cell.
      {"p=Tacc/d/TIntegral/x0060/r0030.L/с/0,01/1/x00000100/x20/", {0x40, 0xFF}, true, "0,04", "x40", "0,08"},
      {"p=Tacc/d/TIntegral/x0060/r0030.L/с/0,01/1/x00000100/x20/", {0x00}, true, "0", nullptr, nullptr},
      // NOT xFFFFFB1D = 1250 ticks of 0,2 ms = 0,25 s; the shown value keeps only the count below K.
      {frequency, BytesOf(~(0x10000u + 1250u)), true, "2", nullptr, "2"},
      {frequency, BytesOf(0xFFFFFFFF), true, "0", nullptr, nullptr},
      {"p=T3/d/TSoftTimer/x0130/r0098/с/1/3/x00010000/x00FFFFFE/", {0xFD, 0xFF, 0xFF, 0x00}, true, "2", "xFFFFFD", "1"},
      {"p=Tblk/d/TSoftTimer/x0061/r0030.H/с/0,1/1/x00010000/xCE/", {0xCE}, true, "4,9", nullptr, "4,9"},
      {"p=dIdt/d/TDiff/x0128/r0094/A/1/4/x00000100/x00020000/", BytesOf(0x8000), false, "0,50", nullptr, "2"},
      {"p=Relay/d/TPrmList/x0010/r0008.H/V//0#Off/1#On#relay closed/x01/", {0x01}, true, "On", nullptr, "On"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    TView& v = Create(row.line);
    Sample(v, row.bytes);
    EXPECT_EQ(row.strip ? v.ValueTextAt(v.History.Head(), true, 4) : v.ValueTextAt(v.History.Head(), false, 2),
              row.value);
    if (row.hex != nullptr) {
      EXPECT_EQ(v.HexTextAt(v.History.Head()), row.hex);
    }
    if (row.base != nullptr) {
      EXPECT_EQ(v.ColumnTextAt(4, v.History.Head()), row.base);
    }
  }
}

TEST_F(TypesTest, WordColumnsForScaleOneTenth) {
  TView& v = Create("p1=Speed/Скорость/TWORD/x0100/r0080/об/0,1/2///x03E8/");
  Sample(v, {0xE9, 0x03});
  const std::vector<std::string> expected = {"?",     "TWORD", "Speed", "Скорость", "x03E8", "100",
                                             "x03E9", "100,1", "об",    "r0080",    "?"};
  for (int kind = -1; kind <= 9; ++kind) EXPECT_EQ(v.ColumnTextAt(kind, v.History.Head()), expected[kind + 1]) << kind;
  EXPECT_EQ(v.ValueTextAt(v.History.Head(), false, 2), "100,10");
}

TEST_F(TypesTest, WriteBasePutsTheCellInMemoryOrderAndLeavesItsNeighbours) {
  struct Row {
    const char* line;
    const char* base;  // null: the line's own
    std::vector<int> bytes;
  };
  const char* bit = "p=n/d/TBit/x0070/x12/r0001.1/1/1/1/";
  const Row rows[] = {
      {"p=n/d/TByte/x0020/r0001.H/A/1/1///300/", nullptr, {0x2C, 0x81}},  // stored modulo 256
      // A bit sets or clears its mask bits and leaves the others; 255 counts as set.
      {bit, "1", {0x93, 0x81}},
      {bit, "0", {0x81, 0x81}},
      {bit, "junk", {0x93, 0x81}},
      {"a=IP/d/TIPAddr/x0040/r0020//1/4/xC0A8010A/", "10.0.0.1", {0x01, 0x00, 0x00, 0x0A, 0x81}},
      {"p=Tblk/d/TSoftTimer/x0061/r0030.H/с/0,1/1/x00010000/xCE/", nullptr, {0xCE, 0x81}},
      {"p=Kp/d/TFloat/x0020/r0010//0,5/2/0/x00000000/", "x40A00000", {0x00, 0x00, 0xA0, 0x40, 0x81}},
  };
  for (const Row& row : rows) {
    TView& v = Create(row.line);
    std::fill(image.begin() + v.Definition().Address, image.begin() + v.Definition().Address + row.bytes.size(), 0x81);
    if (row.base != nullptr) v.BaseValue = row.base;
    v.WriteBase(image);
    EXPECT_EQ(std::vector<int>(image.begin() + v.Definition().Address,
                               image.begin() + v.Definition().Address + row.bytes.size()),
              row.bytes)
        << row.line << " " << v.BaseValue;
  }
  EXPECT_THROW(Parse(Create("a=IP/d/TIPAddr/x0040/r0020//1/4/xC0A8010A/"), "=a.b.c.d"), ConversionError);
}

TEST_F(TypesTest, OffsetsAndTheScaleTableName) {
  TView& v = Create("p=n/d/TInteger/x0040/r0001/A/0,5/2/100/x0078/");
  // Below the offset the value is negative, taken in the cell's 16 bits.
  EXPECT_EQ(v.BaseText("x0000"), "-50");
  EXPECT_EQ(v.BaseText("xFFFF"), "-50,5");
  EXPECT_EQ(Create("p=n/d/TLongint/x0050/r0001/A/1/4/-5/x00000000/").BaseText("-9223372036854775808"),
            "5");  // low 32 bits are 0
  EXPECT_THROW(Column(Create("p=n/d/TWORD/x0060/r0001/A/1/2/oops/"), 4), ConversionError);
  // An offset naming no scale-table line counts as 0 and keeps its name.
  TView& missing = Create("p=m/d/TInteger/x0040/r0001/A/1/2/Nothing/x0000/");
  EXPECT_EQ(missing.BaseText("x0010"), "16");
  EXPECT_EQ(missing.DefinitionText(), "m/d/TInteger/x0040/r0001/A/1/2/Nothing/x0000/");

  // A short integer's item 8 names a scale-table line; the name is written back and shifts nothing.
  list.AddScale("Inom=1500");
  TView& named = Create("p=a/d/TShortInt/x0030/r0001.L/A/1/1/Inom/x00/");
  EXPECT_EQ(named.Definition().OffsetText, "1500");
  EXPECT_EQ(Create("p=c/d/TShortInt/x0030/r0001.L/A/1/1/Nope/x00/").Definition().OffsetText, "");
  EXPECT_EQ(named.DefinitionText(), "a/d/TShortInt/x0030/r0001.L/A/1/1/Inom/x00/");
  Sample(named, {0x05});
  EXPECT_EQ(named.ValueTextAt(named.History.Head(), true, 4), "5");
}

TEST_F(TypesTest, DefinitionTexts) {
  const std::pair<const char*, const char*> rows[] = {
      {"k=n/d/TBit/x0002/x10/r0002.C/1/1/0/", "n/d/TBit/x0002/16/r0002.C/1/1/0/"},
      {"k=m/d/TBit/x0002/x80/r0002.7/1/1/0/", "m/d/TBit/x0002/128/r0002.7/1/1/0/"},
      {"k=w/d/TBit/x0002/x100/r0002.0/1/1/0/", "w/d/TBit/x0002/256/r0002.0/1/1/0/"},
      // Bits 8 and F are the lowest and highest bit of the register's high byte.
      {"k=h/d/TBit/x0005/1/r0002.8/1/1/0/", "h/d/TBit/x0005/1/r0002.8/1/1/0/"},
      {"k=t/d/TBit/x0005/x80/r0002.F/1/1/1/", "t/d/TBit/x0005/128/r0002.F/1/1/1/"},
      // Eight items: the base value moves to its place behind the scale item.
      {"k=c/---/TBit/x0022/2/r0001.1/0/1/", "c/---/TBit/x0022/2/r0001.1/1/1/1/"},
      {"k=a/b/TByte/16/r01FF.H/u/Inom%10/1/ref/0,333/x01/", "a/b/TByte/x0010/r01FF.H/u/Inom%10/1/ref/0,33/x01/"},
      {"k=a/b/TWORD/x10/r0001/u/1/9/x0002/", "a/b/TWORD/x0010/r0001/u/1/2//0/x0002/"},
      // "@" with a ratio is an ordinary dependency and must not read back as a cell-less one.
      {"k=a/b/TWORD/x10/r0001/u/1/2/@/2/x0002/", "a/b/TWORD/x0010/r0001/u/1/2/@/2/x0002/"},
  };
  for (const auto& [line, written] : rows) EXPECT_EQ(Create(line).DefinitionText(), written) << line;
}

TEST_F(TypesTest, DependentBaseValueFollowsTheReferenceAndAnEntrySetsTheRatio) {
  TView& ref = Create("p1=Inom/d/TWORD/x0100/r0080/A/0,1/2///x03E8/");  // 100
  TView& dep = Create("p3=Ilim/d/TWORD/x0104/r0082/A/0,1/2/Inom/1,5/x0000/");
  const auto shown = [](TView& v) { return v.ColumnTextAt(4, v.History.Head()) + " " + v.BaseValue; };
  EXPECT_EQ(shown(dep), "150 x05DC");
  for (const auto& [entry, ratio] : {std::pair{"=250", 2.5f}, {"=x01F4" /* raw 500 -> 50 */, 0.5f}, {"=what", 0.0f}}) {
    EXPECT_EQ(dep.UpdateRatio(entry), std::nullopt) << entry;
    EXPECT_FLOAT_EQ(dep.Ratio, ratio) << entry;
  }
  dep.Ratio = 1.5f;
  ref.BaseValue = "x07D0";
  EXPECT_EQ(shown(dep), "300 x0BB8");
  // With a different scale the variable's own parse makes the raw value: 200 x 0,5 = 100 = x32 x 2.
  EXPECT_EQ(shown(Create("p4=Ibyte/d/TByte/x0106/r0083.L/A/2/1/Inom/0,5/x00/")), "100 x32");
  // A reference that is missing leaves the stored value.
  EXPECT_EQ(shown(Create("p5=L/d/TWORD/x0108/r0084/A/1/2/Missing/2/x0007/")), "7 x0007");
  // A zero scale keeps the ratio, and the user is told why.
  TView& zero = Create("p6=Z/d/TWORD/x0106/r0083/A/0/2/Inom/1,5/x0000/");
  EXPECT_EQ(zero.UpdateRatio("=10"), "Шкала переменной Z равна нулю");
  EXPECT_FLOAT_EQ(zero.Ratio, 1.5f);
}

TEST_F(TypesTest, DependencyLoopEndsInsteadOfRecursing) {
  TView& a = Create("p1=A/d/TWORD/x0100/r0080/A/1/2/B/2/x0003/");
  Create("p2=B/d/TWORD/x0102/r0081/A/1/2/A/2/x0005/");
  // The chain is cut where it comes back to A, which counts its own stored 3 there:
  // B = 3 x 2, A = 6 x 2.
  EXPECT_EQ(a.ColumnTextAt(4, a.History.Head()), "12");
  EXPECT_EQ(Column(Create("p3=S/d/TWORD/x0104/r0082/A/1/2/S/2/x0004/"), 4), "4");
}

TEST_F(TypesTest, RingWrapsAndHistoryTransferStaysInBounds) {
  TView& v = Create("p=n/d/TWORD/x0010/r0001/A/1/2/x0000/");
  for (int i = 1; i <= kHistoryLength + 2; ++i) {
    image[0x10] = static_cast<std::uint8_t>(i);
    image[0x11] = static_cast<std::uint8_t>(i >> 8);
    v.TakeSample();
  }
  EXPECT_EQ(v.History.Head(), 2);
  EXPECT_EQ(v.SampleAt(0), static_cast<std::uint64_t>(kHistoryLength & 0xFFFF));
  EXPECT_EQ(v.SampleAt(2), static_cast<std::uint64_t>((kHistoryLength + 2) & 0xFFFF));

  const std::vector<std::uint8_t> source = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(v.LoadSamples(source, 3), 6u);
  EXPECT_EQ(v.SampleAt(1), 0x0403u);
  EXPECT_EQ(v.LoadSamples(source, 100), 6u);  // not read past the source's end
  image[0x10] = 0xAA;
  v.History.SetHead(kHistoryLength - 1);
  v.TakeSample();  // lands at index 0
  std::vector<std::uint8_t> out(4);
  EXPECT_EQ(v.CopySamples(out, kHistoryLength - 1, 2), 4u);
  EXPECT_EQ(out[2], 0xAA);
  std::vector<std::uint8_t> small(3);
  EXPECT_EQ(v.CopySamples(small, 0, 5), 2u);  // only what fits
}

TEST_F(TypesTest, FloatValueFollowsTheCursorHexShowsTheNewestAndTheTrendSkipsNaN) {
  auto& v = Create<TFloat>("p=Kp/d/TFloat/x0020/r0010/%/2/2/0/x3F800000/");
  Sample(v, BytesOf(BitsOfFloat(1.5f)));
  Sample(v, BytesOf(BitsOfFloat(-0.25f)));
  const int cursor = v.History.Head() - 1;
  EXPECT_EQ(v.ValueTextAt(cursor, false, 2), "3,00");
  EXPECT_EQ(v.HexTextAt(cursor), "xBE800000");
  EXPECT_EQ(v.ColumnTextAt(4, v.History.Head()), "2");  // x3F800000 is 1.0, times the scale 2
  // A zero scale has no stored value for a physical entry.
  v.Scale = 0.0f;
  EXPECT_EQ(ParsedText(v, "=1"), "Error");
  // Short lines (never written by the tools) carry no trend mode and are written in full.
  EXPECT_EQ(Create("p=Kp/d/TFloat/x0020/r0010/u/1/x3F800000").DefinitionText(),
            "Kp/d/TFloat/x0020/r0010/u/1/2/0/x3F800000/");

  // The trend runs around the centre the offset names, and leaves out what is not a number.
  list.Resize(400, 200);
  list.AddScale("Centre=1");
  auto& trend = Create<TFloat>("p=b/d/TFloat/x0024/r0012//1/2/Centre/x00000000/", "1/40/0/");
  std::size_t zeroLines = 0;
  const auto lastY = [&trend, &zeroLines] {
    testing::RecordingCanvas canvas(400, 200);
    trend.DrawRow(canvas, 0, trend.History.Head());
    zeroLines = canvas.LinesIn(kSilver).size();
    const auto black = canvas.LinesIn(kBlack);
    return black.empty() ? -1 : black.back().Y2;
  };
  Sample(trend, BytesOf(BitsOfFloat(10.0f)));
  EXPECT_EQ(lastY(), 15);  // 10 at gain 1, halved, above the zero line
  EXPECT_EQ(zeroLines, 1u);
  Sample(trend, BytesOf(BitsOfFloat(std::numeric_limits<float>::quiet_NaN())));
  EXPECT_EQ(lastY(), -1);
  Sample(trend, BytesOf(BitsOfFloat(std::numeric_limits<float>::infinity())));
  EXPECT_EQ(lastY(), 0);
}

TEST_F(TypesTest, SquareWordFollowsItsReferenceThroughTheSquareLawAndKeepsOnlyItsLastValue) {
  Create("r=I/Ток/TWORD/x0200/r0100/A/1/2//0/x00A0/");
  auto& v = Create<TSQRWord>("s=Ieff/d/TSQRWord/x0214/r010A/A/0,5/2/I/1/x0000/");
  EXPECT_FLOAT_EQ(v.Scale, 1.0f);
  EXPECT_EQ(v.ColumnTextAt(4, v.History.Head()) + " " + v.BaseValue, "100 x0064");
  v.UpdateRatio("=400");
  EXPECT_FLOAT_EQ(v.Ratio, 2.0f);  // sqrt(400 x 256) / 160
  EXPECT_EQ(v.ColumnTextAt(4, v.History.Head()), "400");
  EXPECT_EQ(v.DefinitionText(), "Ieff/d/TSQRWord/x0214/r010A/A//2/I/2/x0190/");
  EXPECT_THROW(v.UpdateRatio("=1,5"), ConversionError);
  // Without its reference the stored square is shown and kept; without a dependency its root.
  auto& orphan = Create<TSQRWord>("s=O/d/TSQRWord/x0214/r010A/A//2/Nobody/1/x0064/");
  EXPECT_EQ(orphan.ColumnTextAt(4, orphan.History.Head()) + " " + orphan.BaseValue, "100 x0064");
  EXPECT_EQ(Column(Create("f=F/d/TSQRWord/x0216/r010B/A//2//0/x1900/"), 4), "20480");
  // Only the value last read is kept: there is no history to look back into.
  auto& plain = Create<TSQRWord>("s=P/d/TSQRWord/x0214/r010A/A//2//0/x0000/");
  Sample(plain, {0x34, 0x12, 0xFF});
  EXPECT_EQ(plain.ValueTextAt(1234, false, 2) + " " + plain.HexTextAt(1234), "4660,00 x1234");
  image[0] = 0x55;
  auto& unplaced = Create<TSQRWord>("s=U/d/TSQRWord//r010A/A//2//0/x0000/");
  unplaced.TakeSample();
  EXPECT_EQ(unplaced.HexTextAt(unplaced.History.Head()), "x0000");
}

TEST_F(TypesTest, InputFilterCountsInFilterTicksAndRecordsItsStoredValue) {
  auto& v = Create("f=Tf/d/TInputFilter/x0030/r0018/с/unknown/2/x1032/");
  EXPECT_FLOAT_EQ(v.Scale, 0.0002f);
  list.Rescale();
  EXPECT_FLOAT_EQ(v.Scale, 0.0002f);
  EXPECT_EQ(v.BaseText("x10032"), "0,01");  // taken modulo 65536
  EXPECT_EQ(Make("f=Tf/d/TInputFilter/x0030/r0018/с/x0032/"), nullptr);
  Sample(v, {0x99, 0x99});
  std::vector<std::uint8_t> record(4, 0xEE);
  EXPECT_EQ(v.CopySamples(record, 0, 8), 2u);
  EXPECT_EQ(record, (std::vector<std::uint8_t>{0x32, 0x10, 0xEE, 0xEE}));
}

TEST_F(TypesTest, SizesTheCellCannotHoldCountAsUnreadableAndArithmeticIsGuarded) {
  auto& wide = Create<TIntegral>("p=T/d/TIntegral/x0060/r0030.H/с/1/8/junk/x0000/");
  EXPECT_EQ(wide.Definition().Size, 2);
  EXPECT_EQ(wide.K, kDefaultTimerConstant);
  // Only one-byte cells write their byte selector.
  EXPECT_EQ(wide.DefinitionText(), "T/d/TIntegral/x0060/r0030/с/1/2/x00010000/x0000/");
  EXPECT_EQ(Create("p=T9/d/TSoftTimer/x0140/r00A0/с/1/9/x0/x0/").Definition().Size, 4);
  EXPECT_EQ(Create("p=T0/d/TFrequency/x0140/r00A0/с/1/0/x0/x0/").Definition().Size, 4);
  EXPECT_EQ(Create("p=D/d/TDiff/x0140/r00A0/с/1/1/x0/x0/").Definition().Size, 4);            // always 4
  EXPECT_EQ(Create<TDiff>("p=D/d/TDiff/x0128/r0094/A/1/4/x00000100/x00020000/").K, 65536u);  // not read

  auto& integral = Create<TIntegral>("p=Tacc/d/TIntegral/x0060/r0030.L/с/0,01/1/x00000100/x20/");
  EXPECT_EQ(integral.BaseText("0"), "0");  // raw 0 divides nothing
  EXPECT_EQ(integral.DefinitionText(), "Tacc/d/TIntegral/x0060/r0030.L/с/0,01/1/x00000100/x20/");
  auto& frequency = Create<TFrequency>("p=F/d/TFrequency/x0070/r0038/Гц/bad/4/x00010000/xFFFFFB1D/");
  EXPECT_FLOAT_EQ(frequency.Scale, 0.0002f);
  // The base text keeps the whole count, not only the count below K.
  EXPECT_EQ(frequency.BaseText("x" + HexDigits(~(0x10000u + 1250u), 8)), "0,0374");
  auto& diff = Create<TDiff>("p=dIdt/d/TDiff/x0128/r0094/A/1/4/x00000100/x00020000/");
  Sample(diff, BytesOf(0x8000));
  diff.K = 0;
  EXPECT_EQ(diff.ValueTextAt(diff.History.Head(), true, 4) + " " + diff.ColumnTextAt(4, diff.History.Head()), "0 0");
  // Without a tick there is no count at all.
  for (TimerDerivedView* v : {static_cast<TimerDerivedView*>(&frequency), static_cast<TimerDerivedView*>(&diff),
                              &Create<TimerDerivedView>("p=T/d/TSoftTimer/x0124/r0092/с/0/4/x00010000/x0/")}) {
    v->Tick = 0.0f;
    EXPECT_EQ(Parse(*v, "=5"), 0u) << v->Definition().TypeName;
  }
  EXPECT_TRUE(prompt.Warnings.empty());
}

const std::vector<std::string> kAnimation{
    "?......", ".?.....", "..?....", "...?...", "....?..", ".....?.", "......?",
    "......?", ".....?.", "....?..", "...?...", "..?....", ".?.....", "?......",
};

TEST_F(TypesTest, NamedValuesShowTheirTextsOrAnimateAndAreWrittenInTheFilesOrder) {
  auto& v = Create<TPrmList>("p=Relay/d/TPrmList/x0010/r0008.H/V//0#Off/1#On#relay closed/x01/");
  EXPECT_TRUE(v.Definition().HighByte);
  Sample(v, {0x01});
  EXPECT_EQ(v.ValueTextAt(v.History.Head(), true, 4), "On");
  EXPECT_EQ(v.EntryText(0, "#", kEntryWithComment), "x01#On#relay closed");
  EXPECT_EQ(v.EntryText(1, " ", kEntryWithUnits), "x00 Off V");

  Sample(v, {0x02});
  std::vector<std::string> shown;
  for (int i = 0; i < 15; ++i) shown.push_back(v.ValueTextAt(v.History.Head(), true, 4));
  std::vector<std::string> expected = kAnimation;
  expected.push_back(kAnimation[0]);
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(v.BaseText("x07"), kAnimation[1]);  // the base text shares the animation
  // Each variable has its own animation.
  EXPECT_EQ(Create("p=O/d/TPrmList/x0011/r0008.L/V//0#Off/x00/").BaseText("x05"), kAnimation[0]);

  auto& mode = Create<TPrmList>("p=Mode/d/TPrmList/x0010/r0008.L///1#A/2#B/x101#C#third/x02/");
  EXPECT_EQ(mode.DefinitionText(), "Mode/d/TPrmList/x0010/r0008.L///x01#A/x02#B/x01#C#third/x02/");
  EXPECT_EQ(Create(mode.DefinitionLine()).DefinitionText(), mode.DefinitionText()) << "a second save changes nothing";
  EXPECT_EQ(mode.ItemTexts(), (std::vector<std::string>{"x01 C ", "x02 B ", "x01 A "}));
  EXPECT_EQ(mode.BaseText("1"), "A");  // the first written entry wins among equal values
  EXPECT_EQ(mode.FindItem("B"), 1u);
  EXPECT_EQ(mode.FindItem("1"), 2u);
  EXPECT_THROW(Create("p=Mode/d/TPrmList/x0010/r0008.L///one#A/x01/"), ConversionError);
}

TEST_F(TypesTest, NamedListLivesInTheScaleTable) {
  list.AddScale("State=x00#Стоп/x01#Разгон/x02#Работа#номинал/x01/");
  auto& v = Create<TPrmList>("r=State/Состояние/TPrmList/x0206/r0103.L//State/");
  EXPECT_EQ(v.ColumnTextAt(4, v.History.Head()), "Разгон");
  v.BaseValue = "x02";
  EXPECT_EQ(v.DefinitionText(), "State/Состояние/TPrmList/x0206/r0103.L//State/");
  EXPECT_EQ(list.Scales.Value("State").value_or(""), "x00#Стоп/x01#Разгон/x02#Работа#номинал/x02/");
  list.Scales.SetValue("State", "x00#Стоп/x01#Разгон/x00/");
  list.Rescale();
  EXPECT_EQ(v.BaseValue, "x00");

  // A list named but missing animates, and is added to the table when written.
  auto& missing = Create<TPrmList>("r=M/d/TPrmList/x0207/r0103.H//Nowhere/");
  Sample(missing, {0x00});
  EXPECT_EQ(missing.ValueTextAt(missing.History.Head(), true, 4), kAnimation[0]);
  missing.BaseValue = "x03";
  EXPECT_EQ(missing.DefinitionText(), "M/d/TPrmList/x0207/r0103.H//Nowhere/");
  EXPECT_EQ(list.Scales.Value("Nowhere").value_or("missing"), "x03/");
  EXPECT_EQ(Create(missing.DefinitionLine()).BaseValue, "x03");
}

}  // namespace
}  // namespace quillon

#include "text/numbers.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace quillon {

TEST(IntegerReader, AcceptsEveryHexSpellingSignAndBlanks) {
  EXPECT_EQ(ReadInteger("255"), 255);
  EXPECT_EQ(ReadInteger("$FF"), 255);
  EXPECT_EQ(ReadInteger("xff"), 255);
  EXPECT_EQ(ReadInteger("X00FF"), 255);
  EXPECT_EQ(ReadInteger("0xFF"), 255);
  EXPECT_EQ(ReadInteger("0X1f"), 31);
  EXPECT_EQ(ReadInteger("  -12"), -12);
  EXPECT_EQ(ReadInteger("+7"), 7);
  EXPECT_EQ(ReadInteger("-x10"), -16);
  EXPECT_EQ(ReadInteger("xFFFFFFFF"), 4294967295LL);
  EXPECT_EQ(ReadInteger("0"), 0);
}

TEST(IntegerReader, RejectsEverythingElse) {
  for (const char* bad : {"", " ", "x", "$", "12a", "1.5", "12 ", "abc", "--1", "0x", "1,0", "x12345678901234567"}) {
    EXPECT_FALSE(TryReadInteger(bad).has_value()) << bad;
  }
  // Decimal numbers beyond 64 bits are refused, not wrapped; the two extremes themselves are read.
  for (const char* beyond : {"99999999999999999999", "9223372036854775808", "-9223372036854775809"}) {
    EXPECT_FALSE(TryReadInteger(beyond).has_value()) << beyond;
  }
  EXPECT_EQ(ReadInteger("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(ReadInteger("-9223372036854775808"), INT64_MIN);
  EXPECT_THROW(ReadInteger("abc"), ConversionError);
  try {
    ReadInteger("q1");
  } catch (const ConversionError& e) {
    EXPECT_NE(std::string(e.what()).find("'q1'"), std::string::npos);
  }
}

TEST(RealReader, DotAndCommaBothSeparate) {
  EXPECT_DOUBLE_EQ(ReadReal("0.5"), 0.5);
  EXPECT_DOUBLE_EQ(ReadReal("0,5"), 0.5);
  EXPECT_DOUBLE_EQ(ReadReal("-12,25"), -12.25);
  EXPECT_DOUBLE_EQ(ReadReal(" 3 "), 3.0);
  EXPECT_DOUBLE_EQ(ReadReal("1,5e3"), 1500.0);
  EXPECT_DOUBLE_EQ(ReadReal(",5"), 0.5);
  // Only the first "." becomes ",": a second one is not part of a number.
  EXPECT_FALSE(TryReadReal("1.2.3").has_value());
  EXPECT_FALSE(TryReadReal("1.2,3").has_value());
  EXPECT_FALSE(TryReadReal("Inom").has_value());
  EXPECT_FALSE(TryReadReal("").has_value());
  EXPECT_THROW(ReadReal("x1"), ConversionError);
}

TEST(FixedFormatting, StripsTrailingZerosOnlyWhenAsked) {
  EXPECT_EQ(FormatFixed(1.25, 4, true), "1,25");
  EXPECT_EQ(FormatFixed(3.0, 3, true), "3");
  EXPECT_EQ(FormatFixed(3.0, 3, false), "3,000");
  EXPECT_EQ(FormatFixed(100.0, 0, true), "100");  // no "," so nothing is stripped
  EXPECT_EQ(FormatFixed(-0.001, 2, false), "0,00");
  EXPECT_EQ(FormatFixed(-1.5, 1, false), "-1,5");
  EXPECT_EQ(FormatFixed(4294967295.0, 2, false), "4294967295,00");
}

TEST(HexAndRounding, Basics) {
  EXPECT_EQ(HexDigits(0x3e8, 4), "03E8");
  EXPECT_EQ(HexDigits(0x1FF, 2), "FF");
  EXPECT_EQ(HexDigits(0xFFFFFFFFu, 8), "FFFFFFFF");
  EXPECT_EQ(RoundHalfEven(0.5), 0.0);
  EXPECT_EQ(RoundHalfEven(1.5), 2.0);
  EXPECT_EQ(RoundHalfEven(2.5), 2.0);
  EXPECT_EQ(RoundHalfEven(-2.5), -2.0);
}

}  // namespace quillon

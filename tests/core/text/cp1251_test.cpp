#include "text/cp1251.h"

#include <gtest/gtest.h>

namespace quillon {

TEST(Cp1251, EveryCodeRoundTrips) {
  for (int code = 0; code < 256; ++code) {
    const std::string byte(1, static_cast<char>(code));
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(byte)), byte) << "code " << code;
  }
}

TEST(Cp1251, RussianTextAndSpecials) {
  EXPECT_EQ(Cp1251ToUtf8("\xCF\xEE\xF0\xF2"), "Порт");
  EXPECT_EQ(Utf8ToCp1251("Ёё№"), "\xA8\xB8\xB9");
  EXPECT_EQ(Cp1251ToUtf8("\xBD\xBE\xBF"), "Ѕѕї");
}

TEST(Cp1251, UnmappableAndMalformedBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToCp1251("a€b"), "a\x88" "b");
  EXPECT_EQ(Utf8ToCp1251("日本"), "??");
  EXPECT_EQ(Utf8ToCp1251("x\xFFy"), "x?y");
  EXPECT_EQ(Utf8ToCp1251("\xD0"), "?");  // truncated sequence at the end
}

TEST(Cp1251, CaseFoldingAndLength) {
  EXPECT_TRUE(SameTextIgnoringCase("DEVICE", "device"));
  EXPECT_TRUE(SameTextIgnoringCase("Параметры Ёж", "пАРАМЕТРЫ ёЖ"));
  EXPECT_FALSE(SameTextIgnoringCase("vars", "var"));
  EXPECT_EQ(Utf8Length("Порт1"), 5u);
  EXPECT_EQ(Utf8Left("Порт1", 2), "По");
}

}  // namespace quillon

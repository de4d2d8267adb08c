#include "text/cp1251.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

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
  EXPECT_EQ(Utf8ToCp1251("a€b"),
            "a\x88"
            "b");
  EXPECT_EQ(Utf8ToCp1251("日本"), "??");
  EXPECT_EQ(Utf8ToCp1251("x\xFFy"), "x?y");
  EXPECT_EQ(Utf8ToCp1251("\xD0"), "?");  // truncated sequence at the end
}

TEST(Cp1251, EveryCyrillicCapitalLowersToItsSmallLetter) {
  std::vector<std::pair<std::string, std::string>> pairs{{"Ё", "ё"}};
  for (int code = 0xC0; code <= 0xDF; ++code) {
    pairs.emplace_back(Cp1251ToUtf8(std::string(1, static_cast<char>(code))),
                       Cp1251ToUtf8(std::string(1, static_cast<char>(code + 0x20))));
  }
  for (const auto& [capital, small] : pairs) {
    EXPECT_EQ(LowerCaseText(capital), small) << capital;
    EXPECT_EQ(LowerCaseText(small), small) << small;
    EXPECT_TRUE(SameTextIgnoringCase("x" + capital + "y", "X" + small + "Y")) << capital;
  }
  EXPECT_EQ(pairs[1].first + pairs.back().first, "АЯ");
}

TEST(Cp1251, CaseFoldingAndLength) {
  EXPECT_TRUE(SameTextIgnoringCase("DEVICE", "device"));
  EXPECT_TRUE(SameTextIgnoringCase("Параметры Ёж", "пАРАМЕТРЫ ёЖ"));
  EXPECT_FALSE(SameTextIgnoringCase("vars", "var"));
  EXPECT_EQ(Utf8Length("Порт1"), 5u);
  EXPECT_EQ(Utf8Left("Порт1", 2), "По");
}

}  // namespace quillon

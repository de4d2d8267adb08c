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
  EXPECT_FALSE(SameTextIgnoringCase("vars", "var"));
  EXPECT_EQ(Utf8Length("Порт1"), 5u);
  EXPECT_EQ(Utf8Left("Порт1", 2), "По");
}

// Listings are sorted by this order: it must be the order of the lower-case texts, also across
// lengths, prefixes, letters of different byte lengths and malformed bytes.
TEST(Cp1251, ComparisonIgnoringCaseOrdersAsTheLowerCaseTexts) {
  const std::vector<std::string> texts{"",     "a",        "A",   "ab",     "aB~",     "b",    "Z",    "_",
                                       "Ёж",   "ёЖ",       "ежи", "Яблоко", "яблоко1", "\xD0", "\xFF", "x\x80",
                                       "1027", "1027.ini", "№5",  "€",      "Ґ",       "ґа"};
  const auto sign = [](int value) { return (value > 0) - (value < 0); };
  for (const auto& a : texts) {
    for (const auto& b : texts) {
      EXPECT_EQ(sign(CompareTextIgnoringCase(a, b)), sign(LowerCaseText(a).compare(LowerCaseText(b))))
          << a << " against " << b;
    }
  }
}

}  // namespace quillon

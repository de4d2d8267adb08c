#include "text/cp1251_checked.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(Cp1251Checked, TextTheCodePageHoldsConvertsExactly) {
  EXPECT_EQ(FirstCharacterOutsideCp1251("Отчёт №5 €.txt"), std::nullopt);
  EXPECT_EQ(Utf8ToCp1251Exact("Ёж?.bin"), "\xA8\xE6?.bin");
  // A "?" of the text itself is a character like any other.
  EXPECT_EQ(Utf8ToCp1251Exact("?"), "?");
  EXPECT_EQ(Utf8ToCp1251Exact(""), "");
}

TEST(Cp1251Checked, TheFirstCharacterThatWouldBecomeAQuestionMarkIsNamed) {
  EXPECT_EQ(FirstCharacterOutsideCp1251("aü.txt"), "ü");
  EXPECT_EQ(FirstCharacterOutsideCp1251("Отчёт_漢字.dat"), "漢");
  EXPECT_EQ(FirstCharacterOutsideCp1251("x😀"), "😀");
  EXPECT_EQ(FirstCharacterOutsideCp1251("ab\xFF"), "\xFF");
  EXPECT_EQ(FirstCharacterOutsideCp1251("ab\xD0"), "\xD0");        // cut short at the end
  EXPECT_EQ(FirstCharacterOutsideCp1251("\xC0\xAF"), "\xC0\xAF");  // "/" spelt the long way
  EXPECT_EQ(Utf8ToCp1251Exact("ü.txt"), std::nullopt);
  EXPECT_EQ(Utf8ToCp1251Exact("ö.txt"), std::nullopt);
}

}  // namespace
}  // namespace quillon

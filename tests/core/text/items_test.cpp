#include "text/items.h"

#include <gtest/gtest.h>

namespace quillon {

using Items = std::vector<std::string>;

TEST(SlashItems, FinalSlashAddsNoEmptyItem) {
  EXPECT_EQ(SplitItems("a/b/c/"), (Items{"a", "b", "c"}));
  EXPECT_EQ(SplitItems("a/b/c"), (Items{"a", "b", "c"}));
  EXPECT_EQ(SplitItems("a//c/"), (Items{"a", "", "c"}));
  EXPECT_EQ(SplitItems("a//"), (Items{"a", ""}));
  EXPECT_EQ(SplitItems(""), (Items{""}));
  EXPECT_EQ(SplitItems("/"), (Items{""}));
  EXPECT_EQ(SplitItems("cos_buf_write/---/TBit/x0022/2/r0001.1/0/1/").size(), 8u);
  EXPECT_EQ(JoinItems({"a", "", "c"}), "a//c/");
}

TEST(KeepChars, KeepsOrderAndOnlyTheSet) {
  std::string text = "  x1F g-2,5 zz$";
  KeepNumberChars(text);
  EXPECT_EQ(text, "x1F-2,5$");
  std::string typed = "Ток: 12,5 А\n";  // no byte of a Cyrillic letter is left behind
  KeepNumberChars(typed);
  EXPECT_EQ(typed, "12,5");
  std::string id = "12'3 TK\x01v3.1";
  KeepChars(id, "0123456789 TKv.");
  EXPECT_EQ(id, "123 TKv3.1");
  EXPECT_EQ(Trimmed(" \tab c\r\n"), "ab c");
}

}  // namespace quillon

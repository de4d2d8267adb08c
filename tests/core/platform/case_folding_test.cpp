// Section, key and file names are compared as Windows compares them: every Cyrillic capital
// equals its small letter, Ё included.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/ini_document.h"
#include "text/cp1251.h"

namespace quillon {
namespace {

// А..Я and Ё with their small letters, taken from the code page the files are written in.
std::vector<std::pair<std::string, std::string>> CyrillicLetterPairs() {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (int code = 0xC0; code <= 0xDF; ++code) {
    pairs.emplace_back(Cp1251ToUtf8(std::string(1, static_cast<char>(code))),
                       Cp1251ToUtf8(std::string(1, static_cast<char>(code + 0x20))));
  }
  pairs.emplace_back("Ё", "ё");
  return pairs;
}

TEST(CaseFolding, EveryCyrillicCapitalFindsSectionsKeysAndFilesOfItsSmallLetter) {
  const auto pairs = CyrillicLetterPairs();
  ASSERT_EQ(pairs.size(), 33u);
  for (const auto& [capital, small] : pairs) {
    SCOPED_TRACE(capital + " " + small);
    const IniDocument doc = IniDocument::FromText("[Раздел" + capital + "]\nКлюч" + capital + "=1\n");
    EXPECT_EQ(doc.Value("раздел" + small, "ключ" + small, "missing"), "1");
    EXPECT_TRUE(MatchesMask("Файл" + capital + ".INI", "файл" + small + "*.ini"));
    // Byte order alone would put every capital before every small letter.
    EXPECT_TRUE(NameLess(small + "a", capital + "b"));
    EXPECT_FALSE(NameLess(capital + "b", small + "a"));
  }
}

}  // namespace
}  // namespace quillon

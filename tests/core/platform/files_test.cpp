#include "platform/files.h"

#include <fstream>
#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace quillon {

TEST(Listing, SortedCaseInsensitivelyWithoutDotEntries) {
  testing::TempDir dir;
  for (const char* d : {"b", "BackUp", "a", ".hidden", "TK3"}) EnsureDirectory(dir / d);
  std::ofstream(dir / "x.ini") << "";
  EXPECT_EQ(ListSubdirectories(dir.Path()),
            (std::vector<std::string>{dir / "a", dir / "b", dir / "BackUp", dir / "TK3"}));
  EXPECT_TRUE(ListSubdirectories(dir / "missing").empty());
}

TEST(Listing, FilesByMaskAsNamesOrPaths) {
  testing::TempDir dir;
  for (const char* f : {"b.ini", "A.INI", "c.txt", "d.ini.bak"}) std::ofstream(dir / f) << "";
  EnsureDirectory(dir / "sub.ini");
  EXPECT_EQ(ListFiles(dir.Path(), "*.ini", false), (std::vector<std::string>{"A.INI", "b.ini"}));
  EXPECT_EQ(ListFiles(dir.Path(), "*.ini", true), (std::vector<std::string>{dir / "A.INI", dir / "b.ini"}));
  EXPECT_TRUE(MatchesMask("TK3_123.ini", "TK?_*.INI"));
  EXPECT_FALSE(MatchesMask("TK3_123.ini", "*.txt"));
}

TEST(Files, CopyReadOnlyAndSeparators) {
  testing::TempDir dir;
  std::ofstream(dir / "src.ini") << "abc";
  EXPECT_TRUE(CopyFileTo(dir / "src.ini", dir / "dst.ini", false));
  EXPECT_FALSE(CopyFileTo(dir / "src.ini", dir / "dst.ini", false));
  EXPECT_TRUE(CopyFileTo(dir / "src.ini", dir / "dst.ini", true));
  EXPECT_FALSE(CopyFileTo(dir / "none.ini", dir / "x.ini", true));
  EXPECT_TRUE(SetReadOnly(dir / "dst.ini"));
  EXPECT_TRUE(IsReadOnly(dir / "dst.ini"));
  EXPECT_TRUE(ClearReadOnly(dir / "dst.ini"));
  EXPECT_FALSE(IsReadOnly(dir / "dst.ini"));
  EXPECT_TRUE(FileExists(NormalizeSeparators(dir.Path()) + "src.ini"));
  EXPECT_EQ(FileNameOf("C:\\a\\b.ini"), "b.ini");
  EXPECT_EQ(DirectoryOf("/x/y/b.ini"), "/x/y/");
  const std::string program = ProgramDirectory();
  EXPECT_EQ(program.back(), '/');
  EXPECT_TRUE(DirectoryExists(program));
}

}  // namespace quillon

#include "platform/profile.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

#include "support/temp_dir.h"

namespace quillon {
namespace {

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace

TEST(Profile, MissingFileOrKeyGivesDefault) {
  testing::TempDir dir;
  const auto path = dir / "settings.ini";
  EXPECT_EQ(ReadProfileString(path, "Settings", "Width", "400"), "400");
  EXPECT_EQ(ReadProfileInt(path, "Settings", "Width", 400), 400);
  WriteProfileString(path, "Settings", "Top", "5");
  EXPECT_EQ(ReadProfileString(path, "Settings", "Width", "400"), "400");
  EXPECT_EQ(ReadProfileString(path, "Other", "Top", "x"), "x");
}

TEST(Profile, NamesIgnoreCaseAndFirstMatchWins) {
  testing::TempDir dir;
  const auto path = dir / "a.ini";
  WriteBytes(path, "[DEVICE]\r\nID = 123 TK v3.12 2010-05-01 \r\nid=second\r\n[device]\r\nID=third\r\nQ=\"quoted \"\r\n");
  EXPECT_EQ(ReadProfileString(path, "device", "Id"), "123 TK v3.12 2010-05-01");
  EXPECT_EQ(ReadProfileString(path, "DEVICE", "Q", "none"), "none");  // only the first section counts
  EXPECT_EQ(ProfileSectionNames(path), (std::vector<std::string>{"DEVICE", "device"}));
  EXPECT_EQ(ProfileKeyNames(path, "Device"), (std::vector<std::string>{"ID", "id"}));
}

TEST(Profile, WritesReplaceInPlaceAppendKeysAndSections) {
  testing::TempDir dir;
  const auto path = dir / "d.ini";
  WriteBytes(path, "[DEVICE]\r\nID=1\r\nLocation=A\r\n\r\n[vars]\r\nInom=100\r\n");
  WriteProfileString(path, "device", "location", "Цех 2");
  WriteProfileString(path, "DEVICE", "LastDateTime", "01.02.2026");
  WriteProfileString(path, "FLASH", "p1", "x/y/");
  EXPECT_EQ(ReadBytes(path),
            "[DEVICE]\r\nID=1\r\nlocation=\xD6\xE5\xF5 2\r\nLastDateTime=01.02.2026\r\n\r\n[vars]\r\nInom=100\r\n"
            "[FLASH]\r\np1=x/y/\r\n");
}

TEST(Profile, SectionsAreReadWholeAndErased) {
  testing::TempDir dir;
  const auto path = dir / "d.ini";
  WriteBytes(path, "[vars]\r\n; comment\r\nInom=100\r\nK=2=3\r\n\r\n[RAM]\r\np1=a/b/\r\n");
  EXPECT_EQ(ProfileSectionLines(path, "VARS"), (std::vector<std::string>{"Inom=100", "K=2=3"}));
  EraseProfileSection(path, "vars");
  EXPECT_EQ(ReadBytes(path), "[RAM]\r\np1=a/b/\r\n");
  EXPECT_TRUE(ProfileSectionLines(path, "vars").empty());
}

TEST(Profile, RussianTextFromAWindowsFileSurvivesARewrite) {
  testing::TempDir dir;
  const auto path = dir / "w.ini";
  // "Насос 3" and "Котельная" as a Windows program writes them.
  WriteBytes(path, "[DEVICE]\r\nDescription=\xCD\xE0\xF1\xEE\xF1 3\r\nLocation=\xCA\xEE\xF2\xE5\xEB\xFC\xED\xE0\xFF\r\n");
  EXPECT_EQ(ReadProfileString(path, "DEVICE", "Description"), "Насос 3");
  WriteProfileString(path, "DEVICE", "ID", "1 TK v3.1 x");
  EXPECT_EQ(ReadBytes(path),
            "[DEVICE]\r\nDescription=\xCD\xE0\xF1\xEE\xF1 3\r\nLocation=\xCA\xEE\xF2\xE5\xEB\xFC\xED\xE0\xFF\r\n"
            "ID=1 TK v3.1 x\r\n");
}

TEST(IniDocument, BatchSaveIsAtomicAndKeepsTheMode) {
  testing::TempDir dir;
  const auto path = dir / "d.ini";
  WriteBytes(path, "[A]\nk=1\n");  // LF-only files are read too
  ::chmod(path.c_str(), 0640);
  auto doc = IniDocument::Load(path);
  doc.SetValue("A", "k", "2");
  doc.ReplaceSection("B", {"x=1", "y=2"});
  doc.Save(path);
  EXPECT_EQ(ReadBytes(path), "[A]\r\nk=2\r\n[B]\r\nx=1\r\ny=2\r\n");
  struct stat st {};
  ::stat(path.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_THROW(doc.Save(dir / "missing/dir/d.ini"), std::runtime_error);
}

TEST(IniDocument, ReplacingASectionKeepsTheBlankLineBeforeTheNext) {
  auto doc = IniDocument::FromText("[vars]\r\nA=1\r\nB=2\r\n\r\n[FLASH]\r\np=1\r\n");
  doc.ReplaceSection("VARS", {"C=3"});
  EXPECT_EQ(doc.ToFileBytes(), "[vars]\r\nC=3\r\n\r\n[FLASH]\r\np=1\r\n");
}

}  // namespace quillon

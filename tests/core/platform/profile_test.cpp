#include "platform/profile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/temp_dir.h"

namespace quillon {
namespace {

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

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
  WriteBytes(path,
             "[DEVICE]\r\nID = 123 TK v3.12 2010-05-01 \r\nid=second\r\n[device]\r\nID=third\r\nQ=\"quoted \"\r\n");
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

// Device files are edited by hand. Blanks around "=" belong neither to the key nor to the
// value, so every line read from a section is found again, and replaced, when a save writes it
// back under its key.
TEST(Profile, BlanksAroundTheEqualsSignAreTrimmedOnReadLookUpAndWrite) {
  testing::TempDir dir;
  const auto path = dir / "d.ini";
  WriteBytes(path, "[FLASH]\r\n p1 = Inom/x0100/ \r\n\tp2\t=\tK = 2\r\nbare line \r\n");
  EXPECT_EQ(ProfileSectionLines(path, " flash "),
            (std::vector<std::string>{"p1=Inom/x0100/", "p2=K = 2", "bare line"}));
  EXPECT_EQ(ReadProfileString(path, "FLASH", " P1 "), "Inom/x0100/");
  EXPECT_EQ(ProfileKeyNames(path, "FLASH"), (std::vector<std::string>{"p1", "p2"}));
  for (int save = 0; save < 2; ++save) {
    auto doc = IniDocument::Load(path);
    for (const auto& line : doc.SectionLines("FLASH")) {
      const auto eq = line.find('=');
      if (eq != std::string::npos) doc.SetValue("FLASH", line.substr(0, eq), line.substr(eq + 1));
    }
    doc.Save(path);
  }
  EXPECT_EQ(ReadBytes(path), "[FLASH]\r\np1=Inom/x0100/\r\np2=K = 2\r\nbare line \r\n");
  WriteProfileString(path, " FLASH", "p2 ", " 7 ");
  WriteProfileString(path, " RAM ", " r1", "a/ ");
  EXPECT_EQ(ReadBytes(path), "[FLASH]\r\np1=Inom/x0100/\r\np2=7\r\nbare line \r\n[RAM]\r\nr1=a/\r\n");
  EXPECT_EQ(ProfileLine("  x\t= = y "), "x== y");
}

TEST(Profile, RussianTextFromAWindowsFileSurvivesARewrite) {
  testing::TempDir dir;
  const auto path = dir / "w.ini";
  // "Насос 3" and "Котельная" as a Windows program writes them.
  WriteBytes(path,
             "[DEVICE]\r\nDescription=\xCD\xE0\xF1\xEE\xF1 3\r\nLocation=\xCA\xEE\xF2\xE5\xEB\xFC\xED\xE0\xFF\r\n");
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

// Writing the file in place would leave it cut where the disk (here: a file size limit) ran out.
TEST(IniDocument, ASaveThatFailsHalfWayLeavesTheOldFileAndSaysSo) {
  testing::TempDir dir;
  const auto path = dir / "d.ini";
  const std::string old = "[DEVICE]\r\nID=1 TK v3.1 x\r\n[FLASH]\r\np1=a/b/\r\n";
  WriteBytes(path, old);
  auto doc = IniDocument::Load(path);
  doc.ReplaceSection("FLASH", std::vector<std::string>(1000, "p=" + std::string(60, 'x')));
  constexpr rlim_t kLimit = 4096;
  ASSERT_GT(doc.ToFileBytes().size(), 4 * kLimit);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The limit stays with the child, so the other tests of this process keep writing freely.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{kLimit, kLimit};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(3);
    int code = 2;
    try {
      doc.Save(path);
    } catch (const std::runtime_error&) {
      code = 1;
    }
    ::_exit(code);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1) << "the failed save must be reported";
  EXPECT_EQ(ReadBytes(path), old);
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) left.push_back(entry.path().filename());
  EXPECT_EQ(left, std::vector<std::string>{"d.ini"}) << "no temporary file stays behind";
}

TEST(IniDocument, ReplacingASectionKeepsTheBlankLineBeforeTheNext) {
  auto doc = IniDocument::FromText("[vars]\r\nA=1\r\nB=2\r\n\r\n[FLASH]\r\np=1\r\n");
  doc.ReplaceSection("VARS", {"C=3"});
  EXPECT_EQ(doc.ToFileBytes(), "[vars]\r\nC=3\r\n\r\n[FLASH]\r\np=1\r\n");
}

}  // namespace quillon

namespace quillon {
namespace {

// A device file the engineer may not read (copied from elsewhere with another owner) reads as
// defaults, but writing a key must not replace it with the few lines being written. The writer
// runs as an unprivileged user, because root reads every file.
TEST(Profile, AFileThatCannotBeReadIsNeverReplacedByAWrite) {
  testing::TempDir dir;
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0777), 0);
  const std::string path = dir / "device.ini";
  { std::ofstream(path, std::ios::binary) << "[DEVICE]\r\nID=7 SV v2.07\r\n[FLASH]\r\np1=x\r\n"; }
  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  const std::string before = ReadBytes(path);

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0) {
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
    } else if (::chmod(path.c_str(), 0) != 0) {
      ::_exit(3);
    }
    if (ReadProfileString(path, "DEVICE", "ID", "none") != "none") ::_exit(4);
    try {
      WriteProfileString(path, "DEVICE", "Location", "Цех 1");
    } catch (const std::runtime_error&) {
      ::_exit(0);
    }
    ::_exit(5);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ::chmod(path.c_str(), 0600);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "3: no unprivileged user, 4: read, 5: the write went through";
  EXPECT_EQ(ReadBytes(path), before);
}

}  // namespace
}  // namespace quillon

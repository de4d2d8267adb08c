// quillon-cli set, history and diff on a copy of the demo workspace: every save a version in the
// git repository of Devices/, read back with git's own command-line tool.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/file_bytes.h"
#include "support/git_tool.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "text/cp1251.h"

namespace quillon {
namespace {

using testing::FileBytes;
using testing::RunResult;
using testing::TempDir;

const std::string kInomBefore = "Inom/Номинальный ток двигателя/TWORD/x0100/r0080/А/Inom%1000/2//0/x03E8/";
const std::string kInomAfter = "Inom/Номинальный ток двигателя/TWORD/x0100/r0080/А/Inom%1000/2//0/x04B0/";

class HistoryCommands : public ::testing::Test {
 protected:
  HistoryCommands() {
    std::filesystem::copy(QUILLON_SOURCE_DIR "/demo", root, std::filesystem::copy_options::recursive);
    std::string settings = FileBytes(root + "settings.ini");
    settings.replace(settings.find("[Settings]\r\n"), 12,
                     Utf8ToCp1251("[Settings]\r\nEngineer=Иван Петров\r\nEngineerEmail=petrov@example.org\r\n"));
    testing::WriteCp1251File(root + "settings.ini", Cp1251ToUtf8(settings));
  }
  RunResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {QUILLON_BIN_DIR "/quillon-cli", "--workspace", root});
    return testing::RunProgram(args);
  }
  std::string Git(std::vector<std::string> args) { return testing::Git(devices, std::move(args)); }
  RunResult SetInom() { return Cli({"set", "--device", "TK3/1027.ini", "--var", "Inom", "--value", "120"}); }

  TempDir dir;
  std::string root = dir.Path();
  std::string devices = root + "Devices/";
  std::string file = devices + "TK3/1027.ini";
};

TEST_F(HistoryCommands, SetPrintsTheChangeLineSavesTheFileAndCommitsItsBytes) {
  const std::string original = FileBytes(file);
  const std::string backup = FileBytes(devices + "BackUp/TK3_1027.ini");
  const RunResult set = SetInom();
  ASSERT_EQ(set.exitCode, 0) << set.err;
  EXPECT_EQ(set.out, "Inom: x03E8 -> x04B0\n");
  EXPECT_EQ(set.err, "");
  // Only that line changed, and the file stays Windows-1251 with CRLF.
  std::string expected = original;
  const std::string oldLine = Utf8ToCp1251("p1=" + kInomBefore + "\r\n");
  expected.replace(expected.find(oldLine), oldLine.size(), Utf8ToCp1251("p1=" + kInomAfter + "\r\n"));
  EXPECT_EQ(FileBytes(file), expected);
  EXPECT_EQ(FileBytes(devices + "BackUp/TK3_1027.ini"), backup);

  EXPECT_EQ(Git({"log", "--format=%an <%ae>%n%B"}),
            "Иван Петров <petrov@example.org>\n1027 TK3: 1 changes\n\nInom: x03E8 -> x04B0\n\n");
  EXPECT_EQ(Git({"show", "HEAD:TK3/1027.ini"}), FileBytes(file));
  EXPECT_EQ(Git({"status", "--porcelain", "TK3/1027.ini"}), "");
}

TEST_F(HistoryCommands, HistoryListsBothSavesNewestFirstAndDiffGivesTheirChanges) {
  ASSERT_EQ(SetInom().exitCode, 0);
  const RunResult mode = Cli({"set", "--device", "TK3/1027.ini", "--var", "StartMode", "--value", "2"});
  ASSERT_EQ(mode.exitCode, 0) << mode.err;
  EXPECT_EQ(mode.out, "StartMode: x01 -> x02\n");

  const RunResult history = Cli({"history", "--device", devices + "TK3/1027.ini"});
  ASSERT_EQ(history.exitCode, 0) << history.err;
  const std::string newest = Git({"rev-parse", "--short=7", "HEAD"}).substr(0, 7);
  const std::string older = Git({"rev-parse", "--short=7", "HEAD~1"}).substr(0, 7);
  const std::regex line(R"(([0-9a-f]{7})\t\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\tИван Петров\t1027 TK3: 1 changes)");
  std::smatch first, second;
  ASSERT_TRUE(std::regex_match(history.out, std::regex("([^\n]*)\n([^\n]*)\n"))) << history.out;
  const std::string firstLine = history.out.substr(0, history.out.find('\n'));
  const std::string secondLine = history.out.substr(firstLine.size() + 1, history.out.size() - firstLine.size() - 2);
  ASSERT_TRUE(std::regex_match(firstLine, first, line)) << history.out;
  ASSERT_TRUE(std::regex_match(secondLine, second, line)) << history.out;
  EXPECT_EQ(first[1], newest);
  EXPECT_EQ(second[1], older);

  const std::string modeChange = "StartMode\tx01\tx02\n";
  EXPECT_EQ(Cli({"diff", "--device", "TK3/1027.ini", older, newest}).out, modeChange);
  // Without REV2 the file as it is now; the other way round the values swap.
  EXPECT_EQ(Cli({"diff", "--device", "TK3/1027.ini", "HEAD~1"}).out, modeChange);
  EXPECT_EQ(Cli({"diff", "--device", "TK3/1027.ini", "HEAD", "HEAD~1"}).out, "StartMode\tx02\tx01\n");
  const RunResult unknown = Cli({"diff", "--device", "TK3/1027.ini", "nosuch"});
  EXPECT_EQ(unknown.exitCode, 1);
  EXPECT_NE(unknown.err.find("nosuch"), std::string::npos) << unknown.err;
  // A file never saved has no versions.
  const RunResult none = Cli({"history", "--device", "TK3/1045.ini"});
  EXPECT_EQ(none.exitCode, 0) << none.err;
  EXPECT_EQ(none.out, "");
}

TEST_F(HistoryCommands, ASaveTheRepositoryCannotTakeIsSavedAndTheHistoryErrorReported) {
  ASSERT_EQ(Cli({"set", "--device", "TK3/1027.ini", "--var", "StartMode", "--value", "2"}).exitCode, 0);
  // Another git process holds the index.
  testing::WriteCp1251File(devices + ".git/index.lock", "");
  const RunResult set = SetInom();
  EXPECT_EQ(set.exitCode, 0) << set.err;
  EXPECT_EQ(set.out, "Inom: x03E8 -> x04B0\n");
  EXPECT_NE(set.err.find("история версий"), std::string::npos) << set.err;
  EXPECT_NE(FileBytes(file).find(Utf8ToCp1251("p1=" + kInomAfter)), std::string::npos);
  EXPECT_EQ(Git({"rev-list", "--count", "HEAD"}), "1\n");
}

TEST_F(HistoryCommands, WrongArgumentsAreRefused) {
  EXPECT_EQ(Cli({"set", "--device", "TK3/1027.ini", "--var", "Inom"}).exitCode, 2);
  EXPECT_EQ(Cli({"history"}).exitCode, 2);
  EXPECT_EQ(Cli({"diff", "--device", "TK3/1027.ini"}).exitCode, 2);
  EXPECT_EQ(Cli({"set", "--device", "TK3/1027.ini", "--var", "NoSuch", "--value", "1"}).exitCode, 1);
  const RunResult refused = Cli({"set", "--device", "TK3/1027.ini", "--var", "Inom", "--value", "abc"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(refused.out, "");
  EXPECT_FALSE(std::filesystem::exists(devices + ".git"));
}

}  // namespace
}  // namespace quillon

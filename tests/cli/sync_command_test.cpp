// quillon-cli sync between two copies of the demo workspace and a bare repository on the local
// disk, the edits made with quillon-cli set and read back with git's own command-line tool.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/file_bytes.h"
#include "support/git_tool.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "text/cp1251.h"

namespace quillon {
namespace {

using testing::Git;

using testing::FileBytes;
using testing::RunResult;
using testing::TempDir;

const std::string kPath = "TK3/1027.ini";
const std::string kInom = "p1=Inom/Номинальный ток двигателя/TWORD/x0100/r0080/А/Inom%1000/2//0/";
const std::string kStartMode =
    "StartMode=x00#Прямой пуск/x01#Плавный пуск/x02#Частотный пуск#Через преобразователь частоты/";

// "<word>\t<path>" for every device file of the demo: a first sync shares them all, saved or not.
std::string EveryDemoFile(const std::string& word) {
  std::string lines;
  for (const char* path : {"EX1/2050.ini", "SV2/2210.ini", "SV2/2231.ini", "TK3/1027.ini", "TK3/1045.ini"})
    lines += word + "\t" + path + "\n";
  return lines;
}

// The bytes with one whole line replaced.
std::string Replaced(std::string bytes, const std::string& line, const std::string& by) {
  const std::string old = Utf8ToCp1251(line + "\r\n");
  const std::size_t at = bytes.find(old);
  EXPECT_NE(at, std::string::npos) << line;
  if (at != std::string::npos) bytes.replace(at, old.size(), Utf8ToCp1251(by + "\r\n"));
  return bytes;
}

class SyncCommand : public ::testing::Test {
 protected:
  SyncCommand() {
    for (const std::string& root : {a, b})
      std::filesystem::copy(QUILLON_SOURCE_DIR "/demo", root, std::filesystem::copy_options::recursive);
    Git(dir.Path(), {"init", "-q", "--bare", "team.git"});
  }
  RunResult Cli(const std::string& root, std::vector<std::string> args) {
    args.insert(args.begin(), {QUILLON_BIN_DIR "/quillon-cli", "--workspace", root});
    return testing::RunProgram(args);
  }
  RunResult Sync(const std::string& root) { return Cli(root, {"sync", "--remote", remote}); }
  void Set(const std::string& root, const std::string& var, const std::string& value) {
    const RunResult set = Cli(root, {"set", "--device", kPath, "--var", var, "--value", value});
    ASSERT_EQ(set.exitCode, 0) << set.err;
  }
  // A pushes its first version with the rest of the demo, B takes them (its own differing 1027
  // kept in BackUp/).
  void Share() {
    Set(a, "Inom", "90");
    const RunResult pushed = Sync(a);
    ASSERT_EQ(pushed.exitCode, 0) << pushed.err;
    ASSERT_EQ(pushed.out, EveryDemoFile("pushed"));
    const std::string own = FileBytes(b + "Devices/" + kPath);
    const RunResult pulled = Sync(b);
    ASSERT_EQ(pulled.exitCode, 0) << pulled.err;
    ASSERT_EQ(pulled.out, EveryDemoFile("pulled"));
    ASSERT_EQ(FileBytes(b + "Devices/" + kPath), FileBytes(a + "Devices/" + kPath));
    ASSERT_EQ(FileBytes(b + "Devices/BackUp/TK3_1027.ini"), own);
  }

  TempDir dir;
  std::string a = dir.Path() + "A/";
  std::string b = dir.Path() + "B/";
  std::string remote = dir.Path() + "team.git";
};

TEST_F(SyncCommand, EditsOfDifferentKeysMergeAndEveryOtherLineStaysByteForByte) {
  Share();
  const std::string shared = FileBytes(b + "Devices/" + kPath);
  Set(a, "StartMode", "2");
  Set(b, "Inom", "120");
  ASSERT_EQ(Sync(a).out, "pushed\t" + kPath + "\n");
  const RunResult merged = Sync(b);
  EXPECT_EQ(merged.exitCode, 0) << merged.err;
  EXPECT_EQ(merged.out, "merged\t" + kPath + "\n");
  const std::string expected =
      Replaced(Replaced(shared, kStartMode + "x01/", kStartMode + "x02/"), kInom + "x0384/", kInom + "x04B0/");
  EXPECT_EQ(FileBytes(b + "Devices/" + kPath), expected);
  EXPECT_EQ(Git(remote, {"rev-parse", "HEAD"}), Git(b + "Devices", {"rev-parse", "HEAD"}));

  const RunResult pulled = Sync(a);
  EXPECT_EQ(pulled.exitCode, 0) << pulled.err;
  EXPECT_EQ(pulled.out, "pulled\t" + kPath + "\n");
  EXPECT_EQ(FileBytes(a + "Devices/" + kPath), expected);
  EXPECT_EQ(Sync(b).out, "");
}

TEST_F(SyncCommand, OneKeyEditedTwiceWaitsForAChoiceWithBothValuesAndChangesNothing) {
  Share();
  Set(a, "Inom", "130");
  Set(b, "Inom", "140");
  ASSERT_EQ(Sync(a).exitCode, 0);
  const std::string remoteLog = Git(remote, {"log", "--format=%H"});
  const std::string before = FileBytes(b + "Devices/" + kPath);
  const RunResult conflict = Sync(b);
  EXPECT_EQ(conflict.exitCode, 3) << conflict.err;
  // The base values, as the changes viewer shows them: nothing else of the line differs.
  EXPECT_EQ(conflict.out, "conflict\t" + kPath + "\nconflict\t" + kPath + "\tFLASH/p1\tx0578\tx0514\n");
  EXPECT_EQ(FileBytes(b + "Devices/" + kPath), before);
  EXPECT_EQ(Git(remote, {"log", "--format=%H"}), remoteLog);
  EXPECT_EQ(Git(b + "Devices", {"rev-list", "--count", "HEAD"}), "3\n");
}

TEST_F(SyncCommand, TheRemoteComesFromSettingsAndAMissingOneIsAnError) {
  Set(b, "Inom", "120");
  const std::string before = FileBytes(b + "Devices/" + kPath);
  const RunResult missing = Cli(b, {"sync", "--remote", dir.Path() + "nowhere.git"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_NE(missing.err.find("недоступно"), std::string::npos) << missing.err;
  EXPECT_EQ(FileBytes(b + "Devices/" + kPath), before);
  const RunResult unset = Cli(b, {"sync"});
  EXPECT_EQ(unset.exitCode, 1);
  EXPECT_NE(unset.err.find("DatabaseRemote"), std::string::npos) << unset.err;
  EXPECT_EQ(Cli(b, {"sync", "--remote"}).exitCode, 2);

  std::string settings = FileBytes(b + "settings.ini");
  settings.replace(settings.find("[Settings]\r\n"), 12, "[Settings]\r\nDatabaseRemote=" + remote + "\r\n");
  testing::WriteCp1251File(b + "settings.ini", Cp1251ToUtf8(settings));
  const RunResult pushed = Cli(b, {"sync"});
  EXPECT_EQ(pushed.exitCode, 0) << pushed.err;
  EXPECT_EQ(pushed.out, EveryDemoFile("pushed"));
  EXPECT_EQ(Git(remote, {"show", "HEAD:" + kPath}), before);
}

}  // namespace
}  // namespace quillon

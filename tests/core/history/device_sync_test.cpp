// Two engineers' Devices/ folders synced through a bare repository on the local disk, read back
// with git's own command-line tool.
#include "history/device_sync.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/file_bytes.h"
#include "support/git_tool.h"
#include "support/temp_dir.h"
#include "text/cp1251.h"

namespace quillon {
namespace {

using testing::Git;

using testing::FileBytes;
using testing::TempDir;
using testing::WriteCp1251File;
using Kind = SyncFileOutcome::Kind;

std::string DeviceText(const std::string& inom, const std::string& location = "Котельная, цех 3") {
  return "[DEVICE]\nID=1027 TK v3.14 2021-03-15\nLocation=" + location + "\n; комментарий\n[vars]\nInom=" + inom +
         "\nUnom=380\n[FLASH]\np1=Inom/Номинальный ток/TWORD/x0100/r0080/А/Inom%1000/2//0/x03E8/\n";
}

// The bytes WriteCp1251File writes for the text.
std::string FileBytesOf(const std::string& utf8Lines) {
  std::string crlf;
  for (const char c : utf8Lines) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return Utf8ToCp1251(crlf);
}

// "<kind> <path>" per file, for comparing whole reports at a glance.
std::string Lines(const SyncReport& report) {
  static const char* const kWords[] = {"pulled", "pushed", "merged", "conflict"};
  std::string lines;
  for (const SyncFileOutcome& file : report.files)
    lines += kWords[static_cast<int>(file.kind)] + (" " + file.path) + "\n";
  return lines;
}

class DeviceSync : public ::testing::Test {
 protected:
  DeviceSync() { Git(dir.Path(), {"init", "-q", "--bare", "team.git"}); }

  void Save(const std::string& devices, const std::string& path, const std::string& text) {
    ASSERT_TRUE(WriteCp1251File(devices + path, text));
    const auto committed = CommitDeviceFile(git, devices, devices + path, "save " + path, author);
    ASSERT_TRUE(committed) << committed.error;
  }
  std::string Sync(const std::string& devices) {
    const HistoryResult<SyncReport> report = SyncDevices(git, devices, remote, author);
    EXPECT_TRUE(report) << report.error;
    return Lines(report.value);
  }
  std::string Head(const std::string& repo) { return Git(repo, {"rev-parse", "HEAD"}); }
  // A and B share TK3/1027.ini and TK3/1045.ini.
  void Share() {
    Save(a, "TK3/1027.ini", DeviceText("100"));
    Save(a, "TK3/1045.ini", DeviceText("7"));
    ASSERT_EQ(Sync(a), "pushed TK3/1027.ini\npushed TK3/1045.ini\n");
    ASSERT_EQ(Sync(b), "pulled TK3/1027.ini\npulled TK3/1045.ini\n");
  }

  TempDir dir;
  GitLibrary git;
  GitAuthor author{"Иван Петров", "petrov@example.org"};
  std::string remote = dir.Path() + "team.git";
  std::string a = dir.Path() + "A/Devices/";
  std::string b = dir.Path() + "B/Devices/";
};

TEST_F(DeviceSync, AFolderNewToTheTeamTakesItsFilesKeepingItsOwnInBackUpAndSharesWhatTheTeamLacked) {
  WriteCp1251File(b + "TK3/1027.ini", DeviceText("1"));      // never a version, differs: backed up
  WriteCp1251File(b + "TK3/1045.ini", DeviceText("7"));      // never a version, as the team's
  WriteCp1251File(b + "SV2/5000.ini", DeviceText("5"));      // the team has none
  WriteCp1251File(b + "BackUp/SV2_9.ini", DeviceText("9"));  // the program's copies are no versions
  Save(a, "TK3/1027.ini", DeviceText("100"));
  Save(a, "TK3/1045.ini", DeviceText("7"));
  ASSERT_EQ(Sync(a), "pushed TK3/1027.ini\npushed TK3/1045.ini\n");
  EXPECT_EQ(Sync(b), "pushed SV2/5000.ini\npulled TK3/1027.ini\npulled TK3/1045.ini\n");
  EXPECT_EQ(Head(remote), Head(b));
  EXPECT_EQ(FileBytes(b + "TK3/1027.ini"), FileBytes(a + "TK3/1027.ini"));
  EXPECT_EQ(FileBytes(b + "BackUp/TK3_1027.ini"), FileBytesOf(DeviceText("1")));
  EXPECT_FALSE(std::filesystem::exists(b + "BackUp/TK3_1045.ini"));
  EXPECT_EQ(Git(b, {"status", "--porcelain"}), "");
  EXPECT_EQ(Git(b, {"remote", "get-url", kTeamRemote}), remote + "\n");
  EXPECT_EQ(Git(remote, {"log", "-1", "--format=%s"}), "Файлы устройств взяты в историю: 1\n");
  // In sync: nothing to tell either side.
  EXPECT_EQ(Sync(a), "pulled SV2/5000.ini\n");
  EXPECT_EQ(Sync(a), "");
  EXPECT_EQ(Sync(b), "");
}

TEST_F(DeviceSync, FilesThatWereNeverAVersionAreSharedWithTheRest) {
  WriteCp1251File(a + "TK3/1027.ini", DeviceText("100"));
  WriteCp1251File(a + "BackUp/TK3_1027.ini", DeviceText("2"));
  ASSERT_EQ(Sync(a), "pushed TK3/1027.ini\n");
  EXPECT_EQ(Git(remote, {"ls-tree", "-r", "--name-only", "HEAD"}), ".gitignore\nTK3/1027.ini\n");
  // Copied into a folder with a history.
  WriteCp1251File(a + "EX1/2000.ini", DeviceText("9"));
  EXPECT_EQ(Sync(a), "pushed EX1/2000.ini\n");
  EXPECT_EQ(Git(remote, {"show", "HEAD:EX1/2000.ini"}), FileBytes(a + "EX1/2000.ini"));
  EXPECT_EQ(Git(a, {"status", "--porcelain"}), "");

  // One new file copied in on both sides with different values: a choice, never a replace.
  ASSERT_EQ(Sync(b), "pulled EX1/2000.ini\npulled TK3/1027.ini\n");
  WriteCp1251File(a + "SV2/7.ini", DeviceText("1"));
  WriteCp1251File(b + "SV2/7.ini", DeviceText("2"));
  ASSERT_EQ(Sync(a), "pushed SV2/7.ini\n");
  const HistoryResult<SyncReport> report = SyncDevices(git, b, remote, author);
  ASSERT_TRUE(report) << report.error;
  EXPECT_EQ(Lines(report.value), "conflict SV2/7.ini\n");
  ASSERT_EQ(report.value.files.at(0).conflicts.size(), 1u);
  EXPECT_EQ(report.value.files[0].conflicts[0].ours, "2");
  EXPECT_EQ(report.value.files[0].conflicts[0].theirs, "1");
  EXPECT_EQ(FileBytes(b + "SV2/7.ini"), FileBytesOf(DeviceText("2")));
}

TEST_F(DeviceSync, OneSideAheadIsAFastForwardEitherWay) {
  Share();
  Save(a, "TK3/1045.ini", DeviceText("8"));
  Save(a, "EX1/2000.ini", DeviceText("9"));
  EXPECT_EQ(Sync(a), "pushed EX1/2000.ini\npushed TK3/1045.ini\n");
  EXPECT_EQ(Sync(b), "pulled EX1/2000.ini\npulled TK3/1045.ini\n");
  EXPECT_EQ(Head(b), Head(remote));
  EXPECT_EQ(FileBytes(b + "EX1/2000.ini"), FileBytes(a + "EX1/2000.ini"));
  EXPECT_EQ(Git(b, {"rev-list", "--merges", "--count", "HEAD"}), "0\n");
}

TEST_F(DeviceSync, DivergedFoldersMergeKeyByKeyCommitBothParentsAndPush) {
  Share();
  Save(a, "TK3/1027.ini", DeviceText("120"));
  Save(a, "EX1/2000.ini", DeviceText("9"));
  Save(b, "TK3/1027.ini", DeviceText("100", "Цех 5"));
  Save(b, "TK3/1045.ini", DeviceText("8"));
  ASSERT_EQ(Sync(a), "pushed EX1/2000.ini\npushed TK3/1027.ini\n");
  const std::string theirs = Head(a);
  const std::string ours = Head(b);
  EXPECT_EQ(Sync(b), "pulled EX1/2000.ini\nmerged TK3/1027.ini\npushed TK3/1045.ini\n");
  EXPECT_EQ(FileBytes(b + "TK3/1027.ini"), FileBytesOf(DeviceText("120", "Цех 5")));
  EXPECT_EQ(Git(b, {"log", "-1", "--format=%P|%an|%ae"}),
            ours.substr(0, 40) + " " + theirs.substr(0, 40) + "|Иван Петров|petrov@example.org\n");
  EXPECT_EQ(Git(b, {"status", "--porcelain"}), "");
  EXPECT_EQ(Head(remote), Head(b));

  EXPECT_EQ(Sync(a), "pulled TK3/1027.ini\npulled TK3/1045.ini\n");
  EXPECT_EQ(Head(a), Head(b));
  for (const char* path : {"TK3/1027.ini", "TK3/1045.ini", "EX1/2000.ini"})
    EXPECT_EQ(FileBytes(a + path), FileBytes(b + path)) << path;
}

TEST_F(DeviceSync, AConflictListsBothValuesAndChangesNothingAnywhere) {
  Share();
  Save(a, "TK3/1027.ini", DeviceText("120"));
  Save(a, "TK3/1045.ini", DeviceText("8"));
  Save(b, "TK3/1027.ini", DeviceText("130"));
  ASSERT_EQ(Sync(a), "pushed TK3/1027.ini\npushed TK3/1045.ini\n");
  const std::string remoteHead = Head(remote);
  const std::string localHead = Head(b);
  const std::string before1027 = FileBytes(b + "TK3/1027.ini");
  const std::string before1045 = FileBytes(b + "TK3/1045.ini");

  const HistoryResult<SyncReport> report = SyncDevices(git, b, remote, author);
  ASSERT_TRUE(report) << report.error;
  // Only the conflict: the change of 1045 waits with the rest.
  EXPECT_EQ(Lines(report.value), "conflict TK3/1027.ini\n");
  ASSERT_EQ(report.value.files[0].conflicts.size(), 1u);
  const DeviceMergeConflict& conflict = report.value.files[0].conflicts[0];
  EXPECT_EQ(conflict.section, "vars");
  EXPECT_EQ(conflict.key, "Inom");
  EXPECT_EQ(conflict.ours, "130");
  EXPECT_EQ(conflict.theirs, "120");
  EXPECT_EQ(FileBytes(b + "TK3/1027.ini"), before1027);
  EXPECT_EQ(FileBytes(b + "TK3/1045.ini"), before1045);
  EXPECT_EQ(Head(b), localHead);
  EXPECT_EQ(Head(remote), remoteHead);
  EXPECT_EQ(Git(b, {"status", "--porcelain"}), "");
}

TEST_F(DeviceSync, TheEngineersChoiceFinishesTheSyncOnlyWhileItAnswersTheConflictsFound) {
  Share();
  Save(a, "TK3/1027.ini", DeviceText("120"));
  Save(b, "TK3/1027.ini", DeviceText("130", "Цех 5"));
  ASSERT_EQ(Sync(a), "pushed TK3/1027.ini\n");
  const HistoryResult<SyncReport> found = SyncDevices(git, b, remote, author);
  ASSERT_TRUE(found.value.HasConflicts());
  const SyncResolution takeTheirs{
      "TK3/1027.ini", found.value.files[0].conflicts, {{DeviceMergeChoice::Take::kTheirs, {}}}};

  // The remote moved on since the question was asked: the old answer does not fit.
  Save(a, "TK3/1027.ini", DeviceText("125"));
  ASSERT_EQ(Sync(a), "pushed TK3/1027.ini\n");
  const HistoryResult<SyncReport> again = SyncDevices(git, b, remote, author, {takeTheirs});
  ASSERT_TRUE(again) << again.error;
  EXPECT_EQ(Lines(again.value), "conflict TK3/1027.ini\n");
  EXPECT_EQ(again.value.files[0].conflicts[0].theirs, "125");

  const SyncResolution answered{
      "TK3/1027.ini", again.value.files[0].conflicts, {{DeviceMergeChoice::Take::kTheirs, {}}}};
  const HistoryResult<SyncReport> done = SyncDevices(git, b, remote, author, {answered});
  ASSERT_TRUE(done) << done.error;
  EXPECT_EQ(Lines(done.value), "merged TK3/1027.ini\n");
  // The chosen value, and the location only B changed.
  EXPECT_EQ(FileBytes(b + "TK3/1027.ini"), FileBytesOf(DeviceText("125", "Цех 5")));
  EXPECT_EQ(Head(remote), Head(b));
  EXPECT_EQ(Git(b, {"status", "--porcelain"}), "");
}

TEST_F(DeviceSync, AFileEditedSinceItsLastVersionStopsThePullBeforeAnythingIsWritten) {
  Share();
  Save(a, "TK3/1027.ini", DeviceText("120"));
  ASSERT_EQ(Sync(a), "pushed TK3/1027.ini\n");
  WriteCp1251File(b + "TK3/1027.ini", DeviceText("150"));
  const std::string head = Head(b);
  const HistoryResult<SyncReport> report = SyncDevices(git, b, remote, author);
  EXPECT_FALSE(report);
  EXPECT_EQ(FileBytes(b + "TK3/1027.ini"), FileBytesOf(DeviceText("150")));
  EXPECT_EQ(Head(b), head);
}

TEST_F(DeviceSync, AnUnreachableOrUnsetRemoteIsAnErrorAndCreatesNothing) {
  WriteCp1251File(b + "TK3/1027.ini", DeviceText("1"));
  const HistoryResult<SyncReport> missing = SyncDevices(git, b, dir.Path() + "nowhere.git", author);
  EXPECT_FALSE(missing);
  EXPECT_NE(missing.error.find("nowhere.git"), std::string::npos) << missing.error;
  EXPECT_FALSE(SyncDevices(git, b, "", author));
  EXPECT_FALSE(std::filesystem::exists(b + ".git"));
  EXPECT_EQ(FileBytes(b + "TK3/1027.ini"), FileBytesOf(DeviceText("1")));
}

}  // namespace
}  // namespace quillon

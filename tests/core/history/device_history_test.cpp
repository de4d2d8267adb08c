// Versions of device files in real repositories, read back with git's own command-line tool.
#include "history/device_history.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "history/record_save.h"
#include "history/restore_version.h"
#include "support/file_bytes.h"
#include "support/git_tool.h"
#include "support/temp_dir.h"
#include "workspace/paths.h"

namespace quillon {
namespace {

using testing::Git;

using testing::FileBytes;
using testing::TempDir;
using testing::WriteCp1251File;

std::string DeviceText(const std::string& inom, const std::string& location = "Котельная, цех 3") {
  return "[DEVICE]\nID=1027 TK v3.14 2021-03-15\nDescription=Насос охлаждения №2\nLocation=" + location +
         "\n[vars]\nInom=" + inom + "\n[FLASH]\np1=Inom/Номинальный ток/TWORD/x0100/r0080/А/Inom%1000/2//0/x03E8/\n";
}

class DeviceHistory : public ::testing::Test {
 protected:
  DeviceHistory() {
    WriteCp1251File(paths.SettingsFile(),
                    "[Settings]\nBUS=QuBUS\nEngineer=Иван Петров\nEngineerEmail=petrov@example.org\n");
    WriteCp1251File(other, DeviceText("1"));
  }
  // Writes the file as a save would and records the save; the bytes before it are returned.
  DeviceSaveRecord Save(const std::string& text) {
    const std::string before = FileBytes(file);
    EXPECT_TRUE(WriteCp1251File(file, text));
    return RecordDeviceSave(paths, file, before, FileBytes(file));
  }
  int Commits() { return std::stoi(Git(devices, {"rev-list", "--count", "HEAD"})); }

  TempDir dir;
  WorkspacePaths paths = MakeWorkspacePaths(dir.Path());
  std::string devices = paths.devices;
  std::string file = paths.devices + "TK3/1027.ini";
  std::string other = paths.devices + "TK3/1045.ini";
};

TEST_F(DeviceHistory, FirstSaveMakesTheRepositoryAndCommitsTheFileAloneWithItsChangeLines) {
  WriteCp1251File(file, DeviceText("100"));
  const DeviceSaveRecord record = Save(DeviceText("120"));
  ASSERT_TRUE(record.error.empty()) << record.error;
  ASSERT_TRUE(record.committed);
  EXPECT_EQ(record.shortId, Git(devices, {"rev-parse", "--short=7", "HEAD"}).substr(0, 7));
  EXPECT_EQ(Git(devices, {"log", "--format=%an|%ae|%cn|%ce%n%B"}),
            "Иван Петров|petrov@example.org|Иван Петров|petrov@example.org\n"
            "1027 TK3: 1 changes\n\nШкала Inom: 100 -> 120\n\n");
  // The neighbour stays out; the backups are kept out for good.
  EXPECT_EQ(Git(devices, {"ls-files"}), ".gitignore\nTK3/1027.ini\n");
  EXPECT_EQ(FileBytes(devices + ".gitignore"), "BackUp/\n");
  // The commit holds the file's own bytes: Windows-1251, CRLF.
  EXPECT_EQ(Git(devices, {"show", "HEAD:TK3/1027.ini"}), FileBytes(file));
  EXPECT_NE(FileBytes(file).find("\xCD\xE0\xF1\xEE\xF1"), std::string::npos);  // "Насос"
}

TEST_F(DeviceHistory, VersionsAreListedNewestFirstAndReadBackByAnyRevision) {
  WriteCp1251File(file, DeviceText("100"));
  const DeviceSaveRecord first = Save(DeviceText("120"));
  // The same bytes again: no empty commit.
  const DeviceSaveRecord same = Save(DeviceText("120"));
  EXPECT_FALSE(same.committed);
  EXPECT_TRUE(same.error.empty()) << same.error;
  EXPECT_EQ(Commits(), 1);
  // Another device's version does not belong to this file's list.
  ASSERT_TRUE(RecordDeviceSave(paths, other, "", FileBytes(other)).committed);
  const DeviceSaveRecord second = Save(DeviceText("130", "Цех 1"));
  ASSERT_TRUE(second.committed) << second.error;
  // Against the last version, not against what the caller last held.
  ASSERT_EQ(second.changes.size(), 2u);
  EXPECT_EQ(ChangeLine(second.changes[1]), "Шкала Inom: 120 -> 130");

  const GitLibrary git;
  const auto versions = DeviceVersions(git, devices, file);
  ASSERT_TRUE(versions) << versions.error;
  ASSERT_EQ(versions.value.size(), 2u);
  EXPECT_EQ(versions.value[0].shortId, second.shortId);
  EXPECT_EQ(versions.value[1].shortId, first.shortId);
  EXPECT_EQ(versions.value[0].summary, "1027 TK3: 2 changes");
  EXPECT_EQ(versions.value[0].author, "Иван Петров");
  EXPECT_TRUE(std::regex_match(versions.value[0].time, std::regex(R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d)")))
      << versions.value[0].time;

  EXPECT_EQ(DeviceFileAt(git, devices, file, first.shortId).value,
            Git(devices, {"show", first.shortId + ":TK3/1027.ini"}));
  EXPECT_EQ(DeviceFileAt(git, devices, file, "HEAD").value, FileBytes(file));
  EXPECT_NE(DeviceFileAt(git, devices, file, "HEAD~2").value.find("Inom=120"), std::string::npos);
  EXPECT_FALSE(DeviceFileAt(git, devices, file, "nosuch").Ok());
  EXPECT_FALSE(DeviceFileAt(git, devices, devices + "TK3/none.ini", "HEAD").Ok());
}

TEST_F(DeviceHistory, BackupsAndFilesOutsideDevicesAreNoVersions) {
  const std::string backup = devices + "BackUp/TK3_1027.ini";
  WriteCp1251File(backup, DeviceText("100"));
  const DeviceSaveRecord record = RecordDeviceSave(paths, backup, "", FileBytes(backup));
  EXPECT_FALSE(record.committed);
  EXPECT_TRUE(record.error.empty());
  EXPECT_FALSE(std::filesystem::exists(devices + ".git"));
  const GitLibrary git;
  EXPECT_FALSE(CommitDeviceFile(git, devices, backup, "x", {"a", "a@b"}).Ok());
  EXPECT_FALSE(CommitDeviceFile(git, devices, dir / "outside.ini", "x", {"a", "a@b"}).Ok());
  EXPECT_FALSE(CommitDeviceFile(git, devices, devices + "../Devices2/x.ini", "x", {"a", "a@b"}).Ok());
  // No repository yet: no versions, and that is no failure.
  const auto versions = DeviceVersions(git, devices, file);
  EXPECT_TRUE(versions.Ok() && versions.value.empty());
}

TEST_F(DeviceHistory, AnExistingRepositoryIsUsedAsItIsAndWhatIsStagedByHandStaysOut) {
  WriteCp1251File(file, DeviceText("100"));
  Git(devices, {"init", "-q"});
  Git(devices, {"add", "TK3/1027.ini"});
  Git(devices, {"-c", "user.name=A", "-c", "user.email=a@b", "commit", "-q", "-m", "by hand"});
  WriteCp1251File(other, DeviceText("2"));
  Git(devices, {"add", "TK3/1045.ini"});
  ASSERT_TRUE(Save(DeviceText("120")).committed);
  EXPECT_EQ(Commits(), 2);
  EXPECT_EQ(Git(devices, {"show", "--name-only", "--format=", "HEAD"}), "TK3/1027.ini\n");
  EXPECT_EQ(Git(devices, {"diff", "--cached", "--name-only"}), "TK3/1045.ini\n");
  EXPECT_FALSE(std::filesystem::exists(devices + ".gitignore"));
  // The message is against the committed version.
  EXPECT_EQ(Git(devices, {"log", "-1", "--format=%B"}), "1027 TK3: 1 changes\n\nШкала Inom: 100 -> 120\n\n");
}

TEST_F(DeviceHistory, WithoutEngineerTheLoginAndHostNameTheAuthor) {
  WriteCp1251File(paths.SettingsFile(), "[Settings]\nBUS=QuBUS\n");
  const passwd* entry = ::getpwuid(::geteuid());
  ASSERT_NE(entry, nullptr);
  char host[256] = {};
  ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
  const GitAuthor author = EngineerAuthor(paths.SettingsFile());
  EXPECT_EQ(author.name, entry->pw_name);
  EXPECT_EQ(author.email, std::string(entry->pw_name) + "@" + host);
}

TEST_F(DeviceHistory, ARepositoryThatCannotBeWrittenGivesAnErrorAndNoVersion) {
  WriteCp1251File(file, DeviceText("100"));
  ASSERT_TRUE(Save(DeviceText("120")).committed);
  WriteCp1251File(file, DeviceText("130"));
  // Readable to the unprivileged user the child becomes; .git writable by nobody.
  for (const auto& entry : std::filesystem::recursive_directory_iterator(devices + ".git"))
    ::chmod(entry.path().c_str(), entry.is_directory() ? 0555 : 0444);
  ::chmod((devices + ".git").c_str(), 0555);
  ::chmod(dir.Path().c_str(), 0755);
  const std::string after = FileBytes(file);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
    // The repository belongs to root and so does $HOME's configuration: let the write itself be
    // what fails.
    const GitLibrary git;
    git_libgit2_opts(GIT_OPT_SET_OWNER_VALIDATION, 0);
    git_libgit2_opts(GIT_OPT_SET_SEARCH_PATH, GIT_CONFIG_LEVEL_GLOBAL, dir.Path().c_str());
    const DeviceSaveRecord record = RecordDeviceSave(paths, file, "", after);
    // Refused by the file system, not by an earlier step.
    ::_exit(!record.committed && record.error.find("Permission denied") != std::string::npos ? 0 : 4);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(Commits(), 1);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(devices + ".git"))
    ::chmod(entry.path().c_str(), entry.is_directory() ? 0755 : 0644);
}

// A restore is a save: the newer state goes to BackUp/ and stays in the history, the old bytes
// come back exactly, and the restore is the newest version.
TEST_F(DeviceHistory, ARestoredVersionIsANewSaveWithItsBackupAndComparisonsReadEitherWay) {
  Save(DeviceText("1"));
  Save(DeviceText("2", "Стенд"));
  const std::string second = FileBytes(file);
  const GitLibrary git;
  const std::vector<DeviceVersion> versions = DeviceVersions(git, devices, file).value;
  ASSERT_EQ(versions.size(), 2u);
  const std::string first = versions[1].shortId;

  const VersionComparison between = CompareDeviceVersions(git, paths, file, first, versions[0].shortId);
  ASSERT_TRUE(between.error.empty()) << between.error;
  ASSERT_EQ(between.changes.size(), 2u);
  EXPECT_EQ(between.changes[0].key, "Место установки");
  EXPECT_EQ(between.changes[0].after, "Стенд");
  EXPECT_EQ(between.changes[1].key, "Шкала Inom");
  EXPECT_EQ(CompareDeviceVersions(git, paths, file, "", first).changes.size(), 5u) << "the first version, key by key";

  const RestoreOutcome restored = RestoreDeviceVersion(git, paths, file, first);
  ASSERT_TRUE(restored.Restored()) << restored.error;
  EXPECT_TRUE(restored.record.committed) << restored.record.error;
  EXPECT_EQ(FileBytes(file), Git(devices, {"show", first + ":TK3/1027.ini"}));
  EXPECT_EQ(FileBytes(paths.BackUp() + "TK3_1027.ini"), second);
  EXPECT_EQ(Commits(), 3) << "two saves and the restore";
  EXPECT_TRUE(CompareDeviceVersions(git, paths, file, first, "").changes.empty()) << "now as the first version";

  // Restoring the version the file already is writes nothing and makes no version.
  const RestoreOutcome again = RestoreDeviceVersion(git, paths, file, "HEAD");
  EXPECT_TRUE(again.Restored());
  EXPECT_FALSE(again.record.committed);
  EXPECT_EQ(Commits(), 3);
  EXPECT_FALSE(RestoreDeviceVersion(git, paths, file, "nosuchrev").Restored());
  EXPECT_EQ(FileBytes(file), Git(devices, {"show", first + ":TK3/1027.ini"})) << "a failed restore leaves the file";
}

}  // namespace
}  // namespace quillon

// "Синхронизировать" of the catalogue's menu against a bare repository on the local disk that a
// second engineer's folder shares: the window keeps answering, the keys both changed come up
// with both values, and the engineer's choice finishes the merge and reaches the team.
#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include "app/main/sync_conflicts.h"
#include "app_fixture.h"
#include "history/record_save.h"
#include "modal_dialog.h"
#include "support/git_tool.h"

namespace quillon::testing {
namespace {

std::string DeviceText(const std::string& inom, const std::string& location) {
  return "[DEVICE]\nID=1027 TK v3.14 2021-03-15\nDescription=Насос\nLocation=" + location +
         "\nLastDateTime=14.09.2023 10:42:17\n[vars]\nInom=" + inom + "\n[FLASH]\n";
}

class DatabaseSyncTest : public AppTest {
 protected:
  void SetUp() override {
    Git(dir.Path(), {"init", "-q", "--bare", "team.git"});
    // Both folders hold the first version of 1027.
    SaveIn(paths, DeviceText("100", "Цех 3"));
    ASSERT_EQ(Sync(paths.devices), "");
    ASSERT_EQ(Sync(other.devices), "");
  }

  void SaveIn(const WorkspacePaths& where, const std::string& text) {
    const std::string file = where.devices + "TK3/1027.ini";
    const std::string before = FileBytes(file);
    ASSERT_TRUE(WriteCp1251File(file, text));
    const DeviceSaveRecord record = RecordDeviceSave(where, file, before, FileBytes(file));
    ASSERT_TRUE(record.error.empty()) << record.error;
  }
  std::string Sync(const std::string& devices) {
    const GitLibrary git;
    const HistoryResult<SyncReport> report = SyncDevices(git, devices, remote, {"Коллега", "c@example.org"});
    return report.error;
  }
  QString Status() { return Child<QLabel>(*window, "stStatus")->text(); }

  std::string remote = dir.Path() + "team.git";
  TempDir otherDir;
  WorkspacePaths other = MakeWorkspacePaths(otherDir.Path());
  std::unique_ptr<Tmain> window;
};

TEST_F(DatabaseSyncTest, AKeyBothChangedWaitsForTheChoiceThenTheMergeReachesTheTeam) {
  WriteSettings("DatabaseRemote=" + remote + "\n");
  SaveIn(other, DeviceText("120", "Цех 3"));
  ASSERT_EQ(Sync(other.devices), "");
  SaveIn(paths, DeviceText("130", "Стенд"));
  window = StartWithCatalogue();
  const std::string local = Git(paths.devices, {"rev-parse", "HEAD"});

  // The first answer: the rows, then "Отложить" changes nothing.
  QStringList row;
  bool mergeEnabled = true;
  auto later = WhenModal<TfSyncConflicts>([&](TfSyncConflicts& dialog) {
    const QTreeWidgetItem* item = dialog.Conflicts()->topLevelItem(0)->child(0);
    row = {dialog.Conflicts()->topLevelItem(0)->text(0), item->text(0), item->text(1), item->text(2)};
    mergeEnabled = dialog.findChild<QPushButton*>(QStringLiteral("btMerge"))->isEnabled();
    dialog.findChild<QPushButton*>(QStringLiteral("btLater"))->click();
  });
  Child<QAction>(*window, "mnSync")->trigger();
  ASSERT_TRUE(WaitUntil([&] { return *later; }, 10000));
  EXPECT_EQ(row, (QStringList{"TK3/1027.ini", "Шкала Inom", "130", "120"}));
  EXPECT_FALSE(mergeEnabled) << "no merge before a value is chosen";
  EXPECT_EQ(Git(paths.devices, {"rev-parse", "HEAD"}), local);
  EXPECT_EQ(Status(), QStringLiteral("Синхронизация ждёт выбора значений"));

  // The team's value: merged with this folder's location, committed and pushed.
  auto merge = WhenModal<TfSyncConflicts>([&](TfSyncConflicts& dialog) {
    dialog.Choose(0, false);
    dialog.findChild<QPushButton*>(QStringLiteral("btMerge"))->click();
  });
  Child<QAction>(*window, "mnSync")->trigger();
  ASSERT_TRUE(WaitUntil([&] { return Status().startsWith(QStringLiteral("Синхронизировано")); }, 10000));
  EXPECT_TRUE(*merge);
  EXPECT_EQ(Child<QLabel>(*window, "stStatus")->toolTip(), QStringLiteral("получено 0, отправлено 0, объединено 1"));
  ASSERT_TRUE(WriteCp1251File(otherDir.Path() + "expected.ini", DeviceText("120", "Стенд")));
  EXPECT_EQ(FileBytes(paths.devices + "TK3/1027.ini"), FileBytes(otherDir.Path() + "expected.ini"));
  EXPECT_EQ(Git(remote, {"rev-parse", "HEAD"}), Git(paths.devices, {"rev-parse", "HEAD"}));
  EXPECT_TRUE(prompt.warnings.empty());
}

TEST_F(DatabaseSyncTest, WithoutARemoteOrWithAnUnreachableOneNothingChanges) {
  window = StartWithCatalogue();
  const std::string before = FileBytes(paths.devices + "TK3/1027.ini");
  Child<QAction>(*window, "mnSync")->trigger();
  ASSERT_EQ(prompt.warnings.size(), 1u);
  EXPECT_NE(prompt.warnings[0].second.find("DatabaseRemote"), std::string::npos);

  WriteSettings("DatabaseRemote=" + dir.Path() + "nowhere.git\n");
  Child<QAction>(*window, "mnSync")->trigger();
  // Its outcome is still on its way to the window: closing now would cut the sync off.
  EXPECT_FALSE(window->close());
  ASSERT_EQ(prompt.warnings.size(), 2u);
  EXPECT_NE(prompt.warnings[1].second.find("дождитесь"), std::string::npos);
  ASSERT_TRUE(WaitUntil([&] { return prompt.warnings.size() == 3; }, 10000));
  EXPECT_EQ(prompt.warnings[2].second.rfind("Синхронизация не выполнена:", 0), 0u) << prompt.warnings[2].second;
  EXPECT_TRUE(Child<QAction>(*window, "mnSync")->isEnabled());
  EXPECT_EQ(FileBytes(paths.devices + "TK3/1027.ini"), before);
}

}  // namespace
}  // namespace quillon::testing

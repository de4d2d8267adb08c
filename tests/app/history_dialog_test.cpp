// The "История" dialog over a real repository: the versions newest first, what one version
// changed, what changed between two, and the restore handed to the main window.
#include "app/main/history_dialog.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTreeWidget>

#include "history/record_save.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::FileBytes;
using testing::WriteCp1251File;

std::string DeviceText(const std::string& inom, const std::string& location) {
  return "[DEVICE]\nID=1027 TK v3.14 2021-03-15\nLocation=" + location + "\n[vars]\nInom=" + inom + "\n";
}

QStringList Row(const QTreeWidget& list, int row) {
  QStringList cells;
  for (int column = 0; column < list.columnCount(); ++column) cells << list.topLevelItem(row)->text(column);
  return cells;
}

TEST(HistoryDialog, ListsTheVersionsComparesOneOrTwoAndHandsTheChosenOneToRestore) {
  testing::TempDir dir;
  const WorkspacePaths paths = MakeWorkspacePaths(dir.Path());
  WriteCp1251File(paths.SettingsFile(), "[Settings]\nEngineer=Анна Смирнова\n");
  const std::string file = paths.devices + "TK3/1027.ini";
  for (const auto& [inom, location] : {std::pair{"100", "Цех 1"}, {"120", "Цех 1"}, {"120", "Стенд"}}) {
    const std::string before = FileBytes(file);
    WriteCp1251File(file, DeviceText(inom, location));
    ASSERT_TRUE(RecordDeviceSave(paths, file, before, FileBytes(file)).committed);
  }

  std::vector<std::string> restored;
  TfHistory history(paths, file, [&](const std::string& rev, const DeviceVersion&) {
    restored.push_back(rev);
    return true;
  });
  QTreeWidget& versions = *history.Versions();
  ASSERT_EQ(versions.topLevelItemCount(), 3);
  EXPECT_EQ(Row(versions, 0)[1], "Анна Смирнова");
  EXPECT_EQ(Row(versions, 0)[2], "1027 TK3: 1 changes");

  // The newest version is chosen at first: it moved the device to the test bench.
  QTreeWidget& changes = *history.Changes();
  ASSERT_EQ(changes.topLevelItemCount(), 1);
  EXPECT_EQ(Row(changes, 0), (QStringList{"Место установки", "Цех 1", "Стенд"}));
  EXPECT_TRUE(history.RestoreButton()->isEnabled());

  // The oldest and the newest together: everything between them, in the file's order.
  versions.topLevelItem(2)->setSelected(true);
  ASSERT_EQ(changes.topLevelItemCount(), 2);
  EXPECT_EQ(Row(changes, 0), (QStringList{"Место установки", "Цех 1", "Стенд"}));
  EXPECT_EQ(Row(changes, 1), (QStringList{"Шкала Inom", "100", "120"}));
  EXPECT_FALSE(history.RestoreButton()->isEnabled()) << "a restore takes one version";

  versions.clearSelection();
  versions.topLevelItem(1)->setSelected(true);
  EXPECT_EQ(Row(changes, 0), (QStringList{"Шкала Inom", "100", "120"}));
  history.RestoreButton()->click();
  ASSERT_EQ(restored.size(), 1u);
  EXPECT_EQ(restored[0], versions.topLevelItem(1)->toolTip(2).toStdString());
}

}  // namespace
}  // namespace quillon

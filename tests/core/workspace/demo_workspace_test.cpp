// The demo workspace shipped with the program must be a valid database.
#include <gtest/gtest.h>

#include <set>

#include "device_files.h"
#include "platform/files.h"
#include "text/cp1251.h"
#include "workspace/catalogue.h"
#include "workspace/device_file.h"
#include "workspace/identification.h"

namespace quillon {
namespace {

const WorkspacePaths kDemo = MakeWorkspacePaths(std::string(QUILLON_SOURCE_DIR) + "/demo");

std::vector<std::string> DemoDeviceFiles() {
  std::vector<std::string> files;
  for (const auto& group : ListSubdirectories(kDemo.devices)) {
    for (const auto& file : ListFiles(group, "*.ini", true)) files.push_back(file);
  }
  return files;
}

TEST(DemoWorkspace, EveryDeviceFileIsAWindowsFileWithAnIdentityAllSectionsAndTheRightPlace) {
  const auto files = DemoDeviceFiles();
  ASSERT_GE(files.size(), 4u);
  std::set<std::string> typeKeys;
  for (const auto& file : files) {
    SCOPED_TRACE(file);
    const auto id = ParseIdentification(FirstLineValue(file, "ID").value_or(""));
    ASSERT_TRUE(id);
    typeKeys.insert(DeviceTypeKey(*id));
    const auto sections = ReadDeviceSections(file, kReadAllSections);
    EXPECT_EQ(sections.device.size(), 4u);
    EXPECT_FALSE(sections.vars.empty() || sections.flash.empty() || sections.ram.empty() || sections.cd.empty());
    // A device lives in the group of its kind; a backup copy is named after it.
    const std::string group = DirectoryOf(file).substr(0, DirectoryOf(file).size() - 1);
    EXPECT_EQ(IsBackupPath(kDemo, file) ? FileNameOf(file) : FileNameOf(group),
              IsBackupPath(kDemo, file) ? BackupFileName(*id) : DeviceTypeKey(*id));

    const std::string bytes = testing::FileBytes(file);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] == '\n') {
        ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at byte " << i;
      }
    }
    // UTF-8 Cyrillic read as Windows-1251 would turn into "Р" followed by a symbol.
    EXPECT_EQ(Cp1251ToUtf8(bytes).find("Рќ"), std::string::npos);
  }
  EXPECT_GE(typeKeys.size(), 2u);
  EXPECT_EQ(ReadDeviceInfo(kDemo.devices + "TK3/1027.ini").description, "Насос охлаждения №2");
}

TEST(DemoWorkspace, SearchFindsTheOwnFileOfADeviceWithABackupCopy) {
  const auto backups = ListFiles(kDemo.BackUp(), "*.ini", true);
  ASSERT_FALSE(backups.empty());
  for (const auto& backup : backups) {
    const auto id = FirstLineValue(backup, "ID").value_or("");
    const auto match = FindDeviceFile(kDemo, id);
    EXPECT_FALSE(match.path.empty()) << id;
    EXPECT_FALSE(IsBackupPath(kDemo, match.path)) << match.path;
  }
  Catalogue catalogue;
  catalogue.Fill(kDemo, 0);
  EXPECT_EQ(catalogue.Roots().size(), DemoDeviceFiles().size());
}

}  // namespace
}  // namespace quillon

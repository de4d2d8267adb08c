#include "workspace/paths.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(WorkspacePaths, DirectoriesHangOffTheProgramDirectoryWhateverItsSeparators) {
  for (const char* program : {"/opt/quillon", "/opt/quillon/", "\\opt\\quillon\\"}) {
    const auto paths = MakeWorkspacePaths(program);
    EXPECT_EQ(paths.devices, "/opt/quillon/Devices/") << program;
    EXPECT_EQ(paths.SettingsFile(), "/opt/quillon/settings.ini") << program;
    EXPECT_EQ(paths.BackUp(), "/opt/quillon/Devices/BackUp/") << program;
  }
}

}  // namespace
}  // namespace quillon

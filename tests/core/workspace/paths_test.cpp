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

TEST(PathForDisplay, NamesThatAreNotUtf8AreReadAsWindows1251OneByOne) {
  EXPECT_EQ(PathForDisplay("/home/Иван/Devices/TK3/1.ini"), "/home/Иван/Devices/TK3/1.ini");
  // "Цех" in Windows-1251 below a home directory named in UTF-8.
  EXPECT_EQ(PathForDisplay("/home/Иван/Devices/\xD6\xE5\xF5/1.ini"), "/home/Иван/Devices/Цех/1.ini");
  // A lone continuation byte, a truncated sequence, an overlong "/" and a surrogate are no UTF-8.
  EXPECT_EQ(PathForDisplay("/d/\x80/\xD0/\xC0\xAF/\xED\xA0\x80"), "/d/Ђ/Р/АЇ/н\xC2\xA0Ђ");
}

}  // namespace
}  // namespace quillon

#include "workspace/paths.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(WorkspacePaths, EveryDirectoryHangsOffTheProgramDirectoryWithATrailingSlash) {
  const auto paths = MakeWorkspacePaths("/opt/quillon");
  EXPECT_EQ(paths.program, "/opt/quillon/");
  EXPECT_EQ(paths.devices, "/opt/quillon/Devices/");
  EXPECT_EQ(paths.deviceTemplate, "/opt/quillon/DeviceTemplate/");
  EXPECT_EQ(paths.records, "/opt/quillon/Records/");
  EXPECT_EQ(paths.scopeWindow, "/opt/quillon/ScopeWindow/");
  EXPECT_EQ(paths.help, "/opt/quillon/Help/");
  EXPECT_EQ(paths.plugins, "/opt/quillon/Plugins/");
  EXPECT_EQ(paths.trace, "/opt/quillon/Trace/");
  EXPECT_EQ(paths.abTemplate, "/opt/quillon/ABTemplate/");
  EXPECT_EQ(paths.eventRec, "/opt/quillon/EventRec/");
  EXPECT_EQ(paths.SettingsFile(), "/opt/quillon/settings.ini");
  EXPECT_EQ(paths.BackUp(), "/opt/quillon/Devices/BackUp/");
  EXPECT_EQ(paths.ScopeTemplate(), "/opt/quillon/ScopeTemplate/");
  EXPECT_EQ(paths.Xlt(), "/opt/quillon/XLT/");
  EXPECT_EQ(paths.EventsAndStats(), "/opt/quillon/EventsAndStats/");
}

TEST(WorkspacePaths, BackslashesAndATrailingSeparatorAreAccepted) {
  EXPECT_EQ(MakeWorkspacePaths("/opt/quillon/").devices, "/opt/quillon/Devices/");
  EXPECT_EQ(MakeWorkspacePaths("\\opt\\quillon\\").devices, "/opt/quillon/Devices/");
}

}  // namespace
}  // namespace quillon

// What the connect sequence does with an identification string.
#include "device/connect_decision.h"

#include <gtest/gtest.h>

#include "device_fixture.h"
#include "platform/files.h"
#include "platform/profile.h"

namespace quillon::testing {
namespace {

TEST(ConnectDecisionTest, OutcomesOfTheCleanedStringAndTheRewrittenId) {
  TempDir dir;
  const WorkspacePaths paths = MakeWorkspacePaths(dir.Path());
  const std::string path = paths.devices + "QT/501.ini";
  ASSERT_TRUE(WriteCp1251File(path, kDeviceLines));

  ConnectDecision decision = DecideConnect(paths, "501 QT v2.1 2024-01-10\x01'\r");
  EXPECT_EQ(decision.action, ConnectAction::Found);
  EXPECT_EQ(decision.path, path);
  EXPECT_EQ(decision.idText, "501 QT v2.1 2024-01-10");
  decision = DecideConnect(paths, "501 QT v2.1 2025-03-03");
  EXPECT_EQ(decision.action, ConnectAction::FirmwareDateChanged);
  EXPECT_EQ(decision.path, path);
  EXPECT_EQ(DecideConnect(paths, "501 QT v2.2 2025-03-03").action, ConnectAction::FirmwareChanged);
  decision = DecideConnect(paths, "502 QT v2.1 2024-01-10");
  EXPECT_EQ(decision.action, ConnectAction::NotFound);
  EXPECT_TRUE(decision.path.empty());
  EXPECT_EQ(DecideConnect(paths, "").action, ConnectAction::Stop);
  EXPECT_EQ(DecideConnect(paths, "501 QT v2.1").action, ConnectAction::Stop);

  // Like every save, the rewrite makes a read-only file writable.
  ASSERT_TRUE(SetReadOnly(path));
  RewriteDeviceId(path, "501 QT v2.1 2025-03-03");
  EXPECT_FALSE(IsReadOnly(path));
  EXPECT_EQ(ReadProfileString(path, "DEVICE", "ID"), "501 QT v2.1 2025-03-03");
  EXPECT_EQ(ReadProfileString(path, "FLASH", "p1"), "Inom/Номинальный ток/TWORD/x0100/r0080/А/Inom%1000/2//0/x03E8/");
  EXPECT_EQ(DecideConnect(paths, "501 QT v2.1 2025-03-03").action, ConnectAction::Found);
}

}  // namespace
}  // namespace quillon::testing

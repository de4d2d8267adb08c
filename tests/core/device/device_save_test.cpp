// Saving the device file, the list of changes before a save and the rows of the viewer, and what
// the connect sequence does with an identification string.
#include "device/device_save.h"

#include <tuple>

#include "device/cell_commit.h"
#include "device/changes_rows.h"
#include "device/connect_decision.h"
#include "device_fixture.h"
#include "platform/ini_document.h"
#include "platform/profile.h"
#include "workspace/device_file.h"

namespace quillon::testing {
namespace {

using DeviceSaveTest = DeviceTest;

TEST_F(DeviceSaveTest, SaveWritesIdentityDefinitionsAndScalesIntoAReadOnlyFile) {
  CommitCell(Variable(5), kBaseHexKind, "x0064\n");
  CommitCell(Variable(4), kBaseHexKind, "x02\n");
  parameters.List().Scales.SetValue("Inom", "120");
  ASSERT_TRUE(SetReadOnly(path));
  SaveDevice(parameters, {"501 QT v2.1 2024-01-10", "Новый привод", "Цех 2", "05.06.2026 07:08:09"});

  EXPECT_FALSE(IsReadOnly(path));
  const IniDocument file = IniDocument::Load(path);
  EXPECT_EQ(file.Value("DEVICE", "Description", ""), "Новый привод");
  EXPECT_EQ(file.Value("DEVICE", "LastDateTime", ""), "05.06.2026 07:08:09");
  EXPECT_EQ(file.Value("vars", "Inom", ""), "120");
  const std::string mode = file.Value("vars", "Mode", "");
  EXPECT_EQ(mode.substr(mode.size() - 5), "/x02/") << "the list's choice follows its base: " << mode;
  EXPECT_EQ(ReadParameterSection(path, "FLASH").size(), 7u);

  // What was saved loads back as it was shown.
  DeviceParameters reloaded;
  ASSERT_TRUE(reloaded.Load(path, "FLASH").empty());
  EXPECT_EQ(reloaded.List().Item(5).BaseValue, "x0064");
  EXPECT_TRUE(CollectChanges(reloaded, "Новый привод", "Цех 2").rows.empty());
}

TEST_F(DeviceSaveTest, SaveRecordsOnlyANewFirmwareDateOfTheSameDeviceInTheId) {
  const WorkspacePaths paths = MakeWorkspacePaths(dir.Path());
  // A new firmware version and another controller's identity both leave the file's own ID.
  for (const char* shown : {"501 QT v2.2 2025-03-03", "501 QT v3.1 2024-01-10", "777 ZX v2.1 2024-01-10", "x"}) {
    SaveDevice(parameters, {shown, "Привод", "Стенд", "05.06.2026"});
    EXPECT_EQ(ReadProfileString(path, "DEVICE", "ID"), "501 QT v2.1 2024-01-10") << shown;
  }
  // So the next connect still sees that the file waits for its update.
  EXPECT_EQ(DecideConnect(paths, "501 QT v2.2 2025-03-03").action, ConnectAction::FirmwareChanged);
  SaveDevice(parameters, {"501 QT v2.1 2025-03-03 запасной", "Привод", "Стенд", "05.06.2026"});
  EXPECT_EQ(ReadProfileString(path, "DEVICE", "ID"), "501 QT v2.1 2025-03-03 запасной");
}

TEST_F(DeviceSaveTest, SaveGoesIntoTheSectionShown) {
  WriteCp1251File(path, std::string(kDeviceLines) + "[CD]\nc1=Tacc/Время/TWORD/x0108/r0084/с/1/2//0/x0010/\n");
  ASSERT_TRUE(parameters.Load(path, "CD").empty());
  CommitCell(parameters.List().Item(0), kBaseHexKind, "x0011\n");
  SaveDevice(parameters, {"id", "d", "l", "t"});
  EXPECT_EQ(ReadProfileString(path, "CD", "c1"), "Tacc/Время/TWORD/x0108/r0084/с/1/2//0/x0011/");
  EXPECT_EQ(ReadProfileString(path, "FLASH", "p6"), "Tacc/Время разгона/TWORD/x0108/r0084/с/1/2//0/x0032/");
}

TEST_F(DeviceSaveTest, ChangesListEveryDifferenceWithTheHeaderLast) {
  EXPECT_TRUE(CollectChanges(parameters, "Привод", "Стенд").rows.empty());
  CommitCell(Variable(5), kBaseHexKind, "x0064\n");
  CommitCell(Variable(4), kBaseHexKind, "x00\n");
  parameters.List().Scales.SetValue("Inom", "120");
  const DeviceChanges changes = CollectChanges(parameters, "Привод", "Склад");
  EXPECT_EQ(changes.rows, (std::vector<std::string>{
                              "Место установки/Стенд/Склад",
                              "Шкала Inom /100/120",
                              "Параметр Mode /x01/x00",
                              "Параметр Tacc /x0032/x0064",
                              "Изменённый параметр/Старое значение/ Новое значение",
                          }));
  EXPECT_NE(changes.text.find("Параметр Tacc   БЫЛО: x0032  ИЗМЕНЕНО НА: x0064\r\n"), std::string::npos);
}

TEST_F(DeviceSaveTest, ConnectOutcomesOfTheCleanedStringAndTheRewrittenId) {
  const WorkspacePaths paths = MakeWorkspacePaths(dir.Path());
  ConnectDecision decision = DecideConnect(paths, "501 QT v2.1 2024-01-10\x01'\r");
  EXPECT_EQ(std::tie(decision.action, decision.path, decision.idText),
            std::tuple(ConnectAction::Found, path, "501 QT v2.1 2024-01-10"));
  decision = DecideConnect(paths, "501 QT v2.1 2025-03-03");
  EXPECT_EQ(std::tie(decision.action, decision.path), std::tuple(ConnectAction::FirmwareDateChanged, path));
  EXPECT_EQ(DecideConnect(paths, "501 QT v2.2 2025-03-03").action, ConnectAction::FirmwareChanged);
  decision = DecideConnect(paths, "502 QT v2.1 2024-01-10");
  EXPECT_EQ(std::tie(decision.action, decision.path), std::tuple(ConnectAction::NotFound, ""));
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

TEST_F(DeviceSaveTest, ViewerRowsAreReversedCutToThreePartsAndKeepAFieldClearedToNothing) {
  const std::vector<ChangesRow> rows = ChangesViewerRows(CollectChanges(parameters, "", "").rows);
  EXPECT_EQ(rows, (std::vector<ChangesRow>{{"Изменённый параметр", "Старое значение", " Новое значение"},
                                           {"Место установки", "Стенд", ""},
                                           {"Механизм", "Привод", ""}}));
  // A field filled in where it was empty; a final "/" after three parts adds nothing.
  EXPECT_EQ(ChangesViewerRows({"a/1/2", "short/only", "short/", "/", "b/3/4/extra", "c/5/6/", "Механизм//Насос"}),
            (std::vector<ChangesRow>{{"Механизм", "", "Насос"}, {"c", "5", "6"}, {"b", "3", "4"}, {"a", "1", "2"}}));
}

}  // namespace
}  // namespace quillon::testing

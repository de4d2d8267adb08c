// Copying another device's parameters into a device's file under its own identity.
#include "maintenance/clone_device.h"

#include <gtest/gtest.h>

#include <tuple>

#include "maintenance/device_file_replace.h"
#include "maintenance_files.h"
#include "platform/files.h"
#include "platform/ini_document.h"
#include "workspace/device_file.h"

namespace quillon::testing {
namespace {

constexpr DateTime kToday = 45000;  // 15.03.2023

class CloneDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    source = WriteFile(paths.devices + "TK3/1045.ini",
                       DeviceFileText("1045 TK v3.12 2019-11-02 spare unit 2", "Дымосос №1", "Цех 3", "120"));
    target = WriteFile(paths.devices + "TK3/1027.ini",
                       DeviceFileText("1027 TK v3.14 2021-03-15", "Насос №2", "Котельная", "100"));
  }

  TempDir dir;
  WorkspacePaths paths = MakeWorkspacePaths(dir.Path());
  std::string source;
  std::string target;
};

TEST_F(CloneDeviceTest, TargetSummaryAndItsInfoLines) {
  const CloneTarget file = CloneTargetOfFile(target);
  EXPECT_EQ(std::tie(file.id, file.location, file.description, file.serial, file.typeKey),
            std::tuple("1027 TK v3.14 2021-03-15", "Котельная", "Насос №2", "1027", "TK3"));
  const auto lines = CloneInfoLines(file);
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], "Механизм        : Насос №2");
  EXPECT_EQ(lines[2], "Дата последнего изменения базы: 01.02.2023 10:00:00");
  EXPECT_EQ(lines[5], "Тип устройства   : TK3");
  EXPECT_EQ(lines[7], "Версия прошивки  : 14");
  EXPECT_EQ(lines[9], "Дополнительно    : ");
  EXPECT_EQ(lines[11], "Файл: " + target);

  const CloneTarget fresh = CloneTargetOfNewDevice("77 SV v2.07 2020-06-30 a b", "Склад", "Конвейер", "", kToday);
  EXPECT_EQ(std::tie(fresh.lastChange, fresh.serial, fresh.typeKey), std::tuple("15.03.2023", "77", "SV2"));
  const auto freshLines = CloneInfoLines(fresh);
  ASSERT_EQ(freshLines.size(), 11u) << "no file line for a device without a file";
  EXPECT_EQ(freshLines[9], "Дополнительно    : a b");
}

TEST_F(CloneDeviceTest, TypesAreTheGroupDirectoriesAndRowsComeLastFileFirst) {
  WriteFile(paths.devices + "TK3/0999.ini", "[DEVICE]\nDescription=Без ID\n");
  WriteFile(paths.devices + "TK3/notes.txt", "not a device\n");
  ASSERT_TRUE(EnsureDirectory(paths.devices + "EMPTY"));
  WriteFile(paths.devices + "EMPTY/readme.txt", "no device files here\n");
  WriteFile(paths.devices + "loose.ini", "[DEVICE]\nID=1 TK v3.1 d\n");
  ASSERT_TRUE(BackupDeviceFile(paths, target));

  EXPECT_EQ(DeviceTypeNames(paths), (std::vector<std::string>{"BackUp", "EMPTY", "TK3"}));
  const auto rows = CloneSourceRows(paths, "TK3");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(std::tie(rows[0].serial, rows[0].firmware, rows[0].location, rows[0].description, rows[0].path),
            std::tuple("1045", "v3.12", "Цех 3", "Дымосос №1", source));
  EXPECT_EQ(rows[1].path, target);
  EXPECT_EQ(std::tie(rows[2].description, rows[2].serial, rows[2].firmware), std::tuple("Без ID", "", ""));
  for (const char* type : {"EMPTY", "NONE", ".."}) EXPECT_TRUE(CloneSourceRows(paths, type).empty()) << type;
  ASSERT_EQ(CloneSourceRows(paths, "BackUp").size(), 1u);
  EXPECT_EQ(CloneSourceRows(paths, "BackUp")[0].serial, "1027");
}

TEST_F(CloneDeviceTest, TickedBoxesTakeTheSourcesTextsAndTheParametersComeUnderTheTargetsIdentity) {
  const std::string before = FileBytes(target);
  ASSERT_TRUE(SetReadOnly(target));
  CloneTarget summary = CloneTargetOfFile(target);
  EXPECT_EQ(ApplyClone(paths, summary, "TK3", {source, true, true}, kToday), target);
  const IniDocument cloned = IniDocument::Load(target);
  EXPECT_EQ(cloned.SectionLines("DEVICE"),
            (std::vector<std::string>{"ID=1027 TK v3.14 2021-03-15", "Description=Дымосос №1", "Location=Цех 3",
                                      "LastDateTime=15.03.2023", "Plugins=tk/"}));
  EXPECT_EQ(cloned.Value("vars", "Inom", ""), "120");
  EXPECT_EQ(FileBytes(paths.BackUp() + "TK3_1027.ini"), before);
  EXPECT_FALSE(IsReadOnly(target));
  EXPECT_EQ(IniDocument::Load(source).Value("DEVICE", "ID", ""), "1045 TK v3.12 2019-11-02 spare unit 2")
      << "the source is only read";

  // Each box on its own: (location, description) as ticked.
  for (const auto& [location, description] : {std::pair{false, false}, {true, false}, {false, true}}) {
    WriteFile(target, DeviceFileText("1027 TK v3.14 2021-03-15", "Насос №2", "Котельная", "100"));
    summary = CloneTargetOfFile(target);
    ApplyClone(paths, summary, "SV2", {source, location, description}, kToday);
    const IniDocument again = IniDocument::Load(target);
    EXPECT_EQ(again.Value("DEVICE", "Location", ""), location ? "Цех 3" : "Котельная");
    EXPECT_EQ(again.Value("DEVICE", "Description", ""), description ? "Дымосос №1" : "Насос №2");
    EXPECT_EQ(again.Value("DEVICE", "ID", ""), "1027 TK v3.14 2021-03-15");
    EXPECT_EQ(again.Value("vars", "Inom", ""), "120");
    EXPECT_EQ(summary.typeKey, "SV2") << "the selected type";
  }
}

TEST_F(CloneDeviceTest, DeviceWithoutAFileLandsBesideItsSourceOrInItsOwnGroupWhenTheSourceIsACopy) {
  CloneTarget fresh = CloneTargetOfNewDevice("1100 TK v3.12 2019-11-02", "Цех 4", "Вентилятор", "", kToday);
  const std::string written = ApplyClone(paths, fresh, "TK3", {source, false, true}, kToday);
  EXPECT_EQ(written, paths.devices + "TK3/1100.ini");
  EXPECT_EQ(fresh.path, written);
  EXPECT_EQ(FindDeviceFile(paths, "1100 TK v3.12 2019-11-02").path, written);
  EXPECT_EQ(IniDocument::Load(written).Value("DEVICE", "Description", ""), "Дымосос №1");
  EXPECT_EQ(IniDocument::Load(written).Value("DEVICE", "Location", ""), "Цех 4");

  ASSERT_TRUE(BackupDeviceFile(paths, source));
  CloneTarget other = CloneTargetOfNewDevice("1200 TK v3.12 2019-11-02", "", "", "", kToday);
  EXPECT_EQ(ApplyClone(paths, other, "BackUp", {paths.BackUp() + "TK3_1045.ini", false, false}, kToday),
            paths.devices + "TK3/1200.ini");
  EXPECT_FALSE(FileExists(paths.BackUp() + "1200.ini"));
}

TEST_F(CloneDeviceTest, FailuresLeaveTheTargetAsItWas) {
  const std::string before = FileBytes(target);
  CloneTarget summary = CloneTargetOfFile(target);
  EXPECT_THROW(ApplyClone(paths, summary, "TK3", {paths.devices + "TK3/gone.ini", true, true}, kToday),
               std::runtime_error);
  EXPECT_EQ(FileBytes(target), before);
  EXPECT_FALSE(DirectoryExists(paths.BackUp())) << "nothing touched before the source is read";

  CloneTarget unnamed = CloneTargetOfNewDevice("../x TK v3.1 d", "", "", "", kToday);
  EXPECT_THROW(ApplyClone(paths, unnamed, "TK3", {source, true, true}, kToday), std::runtime_error);
  EXPECT_FALSE(FileExists(paths.devices + "x.ini"));
}

TEST_F(CloneDeviceTest, AnotherDevicesFileIsReplacedOnlyWhenTheEngineerAllowsIt) {
  // A controller of another type with the pump's serial number, cloned from a TK3 row: its file
  // name is the pump's.
  const std::string pump = FileBytes(target);
  CloneTarget stranger = CloneTargetOfNewDevice("1027 QQ v9.9 2024-05-05", "", "", "", kToday);
  try {
    ApplyClone(paths, stranger, "TK3", {source, true, true}, kToday);
    ADD_FAILURE() << "the pump's file was replaced without asking";
  } catch (const DeviceFileClashError& error) {
    EXPECT_EQ(error.Clash().path, target);
    EXPECT_EQ(error.Clash().fileId, "1027 TK v3.14 2021-03-15");
    EXPECT_EQ(error.Clash().newId, "1027 QQ v9.9 2024-05-05");
    const std::string question = ClashQuestion(error.Clash());
    EXPECT_NE(question.find("1027 TK v3.14 2021-03-15"), std::string::npos);
    EXPECT_NE(question.find("1027 QQ v9.9 2024-05-05"), std::string::npos);
  }
  EXPECT_EQ(FileBytes(target), pump);
  EXPECT_FALSE(DirectoryExists(paths.BackUp()));
  EXPECT_EQ(stranger.path, "");

  CloneChoice allowed{source, true, true};
  allowed.replaceOtherDevice = true;
  EXPECT_EQ(ApplyClone(paths, stranger, "TK3", allowed, kToday), target);
  EXPECT_EQ(IniDocument::Load(target).Value("DEVICE", "ID", ""), "1027 QQ v9.9 2024-05-05");
  EXPECT_EQ(FileBytes(paths.BackUp() + "TK3_1027.ini"), pump) << "the pump kept as a backup";

  // The same device with new firmware is its own file: no question.
  CloneTarget reflashed = CloneTargetOfNewDevice("1045 TK v3.20 2025-01-01", "", "", "", kToday);
  EXPECT_EQ(ApplyClone(paths, reflashed, "TK3", {target, true, true}, kToday), source);
}

TEST_F(CloneDeviceTest, AReplaceStopsWithTheReasonWhenItsBackupCannotBeMade) {
  // An ID that does not parse cannot name a backup copy.
  const std::string odd = WriteFile(paths.devices + "TK3/1300.ini", "[DEVICE]\nID=1300\nDescription=Старый\n");
  CloneTarget fresh = CloneTargetOfNewDevice("1300 TK v3.12 2019-11-02", "", "", "", kToday);
  try {
    ApplyClone(paths, fresh, "TK3", {source, true, true}, kToday);
    ADD_FAILURE() << "replaced without a backup";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("\"1300\""), std::string::npos) << error.what();
  }
  EXPECT_EQ(IniDocument::Load(odd).Value("DEVICE", "Description", ""), "Старый");
  EXPECT_FALSE(DirectoryExists(paths.BackUp()));

  // BackUp/ that is a file, not a folder.
  WriteFile(paths.BackUp().substr(0, paths.BackUp().size() - 1), "in the way");
  const std::string pump = FileBytes(target);
  CloneTarget summary = CloneTargetOfFile(target);
  EXPECT_THROW(ApplyClone(paths, summary, "TK3", {source, true, true}, kToday), std::runtime_error);
  EXPECT_EQ(FileBytes(target), pump);
}

}  // namespace
}  // namespace quillon::testing

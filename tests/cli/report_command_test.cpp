// quillon-cli report on a copy of the demo workspace, the report read back by openpyxl.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/file_bytes.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "variables/scale_table.h"
#include "workspace/device_file.h"
#include "workspace/settings.h"
#include "xlsx_readback.h"

namespace quillon {
namespace {

using testing::RunResult;
using testing::TempDir;

class ReportCommand : public ::testing::Test {
 protected:
  ReportCommand() {
    std::filesystem::copy(QUILLON_SOURCE_DIR "/demo", workspace, std::filesystem::copy_options::recursive);
  }

  RunResult Report(const std::vector<std::string>& args) {
    std::vector<std::string> command = {QUILLON_BIN_DIR "/quillon-cli", "--workspace", workspace, "report"};
    command.insert(command.end(), args.begin(), args.end());
    return testing::RunProgram(command);
  }

  TempDir dir;
  std::string workspace = dir / "ws";
  std::string device = workspace + "/Devices/EX1/2050.ini";
};

std::string KeyOf(const std::string& line) { return line.substr(0, line.find('=')); }

TEST_F(ReportCommand, EveryParameterAndScaleRowStandsInPlaceAndTheNamesFollowTheInserts) {
  const RunResult run = Report({"--device", device, "--organization", "ООО Пусконаладка"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::string path = run.out.substr(0, run.out.find('\n'));
  EXPECT_EQ(path.rfind(workspace + "/Reports/", 0), 0u) << path;

  const DeviceSections sections = ReadDeviceSections(device, kReadFlash | kReadVars);
  const int parameters = static_cast<int>(sections.flash.size());
  const int scales = static_cast<int>(sections.vars.size());
  ASSERT_GT(parameters, 2);
  ASSERT_GT(scales, 1);

  const testing::XlsxReadback sheet = testing::ReadBackWithOpenpyxl(QUILLON_SOURCE_DIR, path);
  ASSERT_TRUE(sheet.ok) << sheet.error;
  // The last variable on top, the first at the bottom.
  for (int i = 0; i < parameters; ++i) {
    const std::string row = std::to_string(15 + i);
    EXPECT_EQ(sheet.Cell("A" + row), KeyOf(sections.flash[static_cast<std::size_t>(parameters - 1 - i)])) << row;
  }
  // The scale rows in the file's order, below the grown parameter table.
  const int scaleTop = 19 + parameters - 1;
  for (int i = 0; i < scales; ++i) {
    const std::string row = std::to_string(scaleTop + i);
    EXPECT_EQ(sheet.Cell("A" + row), ScaleLineName(sections.vars[static_cast<std::size_t>(i)])) << row;
  }
  EXPECT_EQ(sheet.names.at("PNx"), "A" + std::to_string(15 + parameters - 1));
  EXPECT_EQ(sheet.names.at("ParamMU"), "H" + std::to_string(15 + parameters - 1));
  EXPECT_EQ(sheet.names.at("VarName"), "A" + std::to_string(scaleTop + scales - 1));
  EXPECT_EQ(sheet.names.at("VarValueEnd"), "H" + std::to_string(scaleTop + scales - 1));
  EXPECT_EQ(sheet.names.at("mehanism"), "B5");
  EXPECT_EQ(sheet.names.at("DocNumber"), "E3");
  EXPECT_EQ(sheet.Cell("B3"), "ООО Пусконаладка");
  EXPECT_EQ(sheet.Cell("E3"), "1");
  EXPECT_EQ(sheet.Cell("B11"), device);
  EXPECT_EQ(sheet.Cell("A" + std::to_string(scaleTop + scales + 1)), "Наладку выполнил:");
  EXPECT_EQ(sheet.printTitles, "14:14");
}

TEST_F(ReportCommand, TheStoredNumberAdvancesOnlyWhenTakenFromTheSettingsWithAutoIncrementOn) {
  const std::string settings = workspace + "/settings.ini";
  ASSERT_EQ(Report({"--device", device, "--out", dir / "a.xlsx"}).exitCode, 0);
  EXPECT_EQ(ReadSetting(settings, "ReportNumber"), "2");
  ASSERT_EQ(Report({"--device", device, "--number", "40", "--out", dir / "b.xlsx"}).exitCode, 0);
  EXPECT_EQ(ReadSetting(settings, "ReportNumber"), "2");
  WriteSetting(settings, "ReportNumAutoInc", "0");
  ASSERT_EQ(Report({"--device", device, "--out", dir / "c.xlsx"}).exitCode, 0);
  EXPECT_EQ(ReadSetting(settings, "ReportNumber"), "2");

  const testing::XlsxReadback sheet = testing::ReadBackWithOpenpyxl(QUILLON_SOURCE_DIR, dir / "b.xlsx");
  ASSERT_TRUE(sheet.ok) << sheet.error;
  EXPECT_EQ(sheet.Cell("E3"), "40");
}

TEST_F(ReportCommand, AMissingOrLegacyTemplateFailsWithAClearMessage) {
  const std::string templatePath = workspace + "/XLT/template3.xlt";
  std::filesystem::remove(templatePath);
  RunResult run = Report({"--device", device});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("template3.xlt"), std::string::npos) << run.err;

  std::ofstream(templatePath, std::ios::binary)
      << std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) << std::string(504, '\0');
  run = Report({"--device", device});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("template3.xlt"), std::string::npos) << run.err;
  EXPECT_TRUE(!std::filesystem::exists(workspace + "/Reports") || std::filesystem::is_empty(workspace + "/Reports"));

  EXPECT_EQ(Report({"--device", dir / "missing.ini"}).exitCode, 1);
  EXPECT_EQ(Report({"--out", dir / "x.xlsx"}).exitCode, 2);
}

TEST_F(ReportCommand, AnExistingOutIsReplacedOnlyWithForceAndNeverADeviceFileOrATemplate) {
  const std::string old = dir / "old.xlsx";
  std::ofstream(old) << "an earlier report";
  RunResult run = Report({"--device", device, "--out", old});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("--force"), std::string::npos) << run.err;
  EXPECT_EQ(testing::FileBytes(old), "an earlier report");
  run = Report({"--device", device, "--out", old, "--force"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(testing::FileBytes(old).substr(0, 2), "PK") << "a workbook now";

  const std::string templatePath = workspace + "/XLT/template3.xlt";
  const std::string otherDevice = workspace + "/Devices/TK3/1027.ini";
  const std::string deviceTemplate = workspace + "/DeviceTemplate/TK.3_14";
  std::filesystem::create_symlink(templatePath, dir / "innocent.xlsx");
  for (const std::string& kept : {device, otherDevice, deviceTemplate, templatePath, dir / "innocent.xlsx"}) {
    const std::string before = testing::FileBytes(kept);
    run = Report({"--device", device, "--out", kept, "--force"});
    EXPECT_EQ(run.exitCode, 1) << kept;
    EXPECT_NE(run.err.find("never replaced"), std::string::npos) << run.err;
    EXPECT_EQ(testing::FileBytes(kept), before) << kept;
  }
  run = Report({"--device", device, "--out", dir.Path(), "--force"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("no regular file"), std::string::npos) << run.err;
  EXPECT_TRUE(!std::filesystem::exists(workspace + "/Reports") || std::filesystem::is_empty(workspace + "/Reports"));
  EXPECT_EQ(Report({"--device", device, "--force"}).exitCode, 2) << "--force names no file to replace";
}

}  // namespace
}  // namespace quillon

// quillon-cli's workspace commands, run as a user runs them, on temporary workspaces.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "support/file_bytes.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::RunResult;
using testing::TempDir;

RunResult RunCli(const std::vector<std::string>& args, const std::string& binary = QUILLON_BIN_DIR "/quillon-cli") {
  std::vector<std::string> command = {binary};
  command.insert(command.end(), args.begin(), args.end());
  return testing::RunProgram(command);
}

void WriteDevice(const std::string& path, const std::string& id, const std::string& description,
                 const std::string& location) {
  testing::WriteCp1251File(path, "[DEVICE]\nID=" + id + "\nDescription=" + description + "\nLocation=" + location +
                                     "\nLastDateTime=01.02.2023 10:00:00\n[vars]\nInom=1\n");
}

class WorkspaceCommands : public ::testing::Test {
 protected:
  WorkspaceCommands() {
    WriteDevice(root + "Devices/TK3/123.ini", "123 TK v3.12 2010-05-01", "Насос №2", "Цех 3");
    WriteDevice(root + "Devices/BackUp/TK3_123.ini", "123 TK v3.11 2009-01-01", "Насос №2", "Цех 3");
    WriteDevice(root + "Devices/SV2/7.ini", "7 SV v2.07 2020-06-30", "Конвейер", "Цех 3");
  }
  TempDir dir;
  std::string root = dir.Path();
};

TEST_F(WorkspaceCommands, CatalogueListsDevicesFlatOrGroupedAndMarksBackups) {
  const auto result = RunCli({"--workspace", root, "catalogue", "--sort", "0"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "123 TK v3.11 2009-01-01 Насос №2 Цех 3 01.02.2023 10:00:00\t" + root +
                            "Devices/BackUp/TK3_123.ini [backup]\n"
                            "7 SV v2.07 2020-06-30 Конвейер Цех 3 01.02.2023 10:00:00\t" +
                            root +
                            "Devices/SV2/7.ini\n"
                            "123 TK v3.12 2010-05-01 Насос №2 Цех 3 01.02.2023 10:00:00\t" +
                            root + "Devices/TK3/123.ini\n");

  // Grouped: the children indented under their group.
  const auto grouped = RunCli({"--workspace", root, "catalogue", "--sort", "1"});
  ASSERT_EQ(grouped.exitCode, 0) << grouped.err;
  EXPECT_EQ(grouped.out.rfind("Цех 3\n  123 TK v3.11 2009-01-01 Насос №2 01.02.2023 10:00:00\t", 0), 0u) << grouped.out;
  // Without --sort the stored variant is used.
  std::ofstream(root + "settings.ini", std::ios::binary) << "[Settings]\r\nSortType=4\r\n";
  const auto stored = RunCli({"--workspace", root, "catalogue"});
  EXPECT_EQ(stored.out.substr(0, 4), "TK3\n");
  EXPECT_NE(stored.out.find("\nSV2\n  7 SV"), std::string::npos) << stored.out;
}

TEST_F(WorkspaceCommands, FindDevicePrefersTheOwnFileAndReportsFirmwareFlags) {
  auto result = RunCli({"--workspace", root, "find-device", "123 TK v3.14 2010-05-01"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, root + "Devices/TK3/123.ini\t1\n");

  result = RunCli({"--workspace", root, "find-device", "123 TK v3.12 2011-05-01 extra words"});
  EXPECT_EQ(result.out, root + "Devices/TK3/123.ini\t2\n");

  result = RunCli({"--workspace", root, "find-device", "999 TK v3.12 2010-05-01"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "");
}

TEST_F(WorkspaceCommands, WithoutWorkspaceTheProgramsOwnDirectoryIsUsed) {
  const std::string copy = root + "quillon-cli";
  std::filesystem::copy_file(QUILLON_BIN_DIR "/quillon-cli", copy);
  const auto result = RunCli({"find-device", "7 SV v2.07 2020-06-30"}, copy);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, root + "Devices/SV2/7.ini\t0\n");
}

TEST(ParseIdCommand, PrintsTheFieldsAndTheTypeKey) {
  auto result = RunCli({"parse-id", "123 TK v3.12 2010-05-01 spare unit 2"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            "serial=123\ntype=TK\ndevice_version=3\nfirmware_version=12\nfirmware_date=2010-05-01\n"
            "extra=spare unit 2\ntype_key=TK3\n");

  result = RunCli({"parse-id", "123 TK v3.12"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_NE(result.err.find("not an identification string"), std::string::npos);
}

TEST(UsageErrors, ExitTwoWithTheUsageText) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {}, {"frobnicate"}, {"--workspace"}, {"parse-id"}, {"parse-id", "a", "b"}, {"catalogue", "--sort", "two"}}) {
    const auto result = RunCli(args);
    EXPECT_EQ(result.exitCode, 2) << ::testing::PrintToString(args);
    EXPECT_NE(result.err.find("usage: quillon-cli"), std::string::npos) << ::testing::PrintToString(args);
  }
}

}  // namespace
}  // namespace quillon

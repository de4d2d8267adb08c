// quillon-cli var, run as an engineer runs it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run_program.h"

namespace quillon {
namespace {

using VarRun = testing::RunResult;

VarRun RunVar(const std::vector<std::string>& args) {
  std::vector<std::string> command = {QUILLON_BIN_DIR "/quillon-cli", "var"};
  command.insert(command.end(), args.begin(), args.end());
  return testing::RunProgram(command);
}

TEST(VarCommandTest, PrintsTheColumnsOfAWord) {
  const VarRun run = RunVar({"--image", "E9 03", "p1=Speed/Скорость/TWORD/x0100/r0080/об/0,1/2///x03E8/"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "0: TWORD\n1: Speed\n2: Скорость\n3: x03E8\n4: 100\n5: x03E9\n6: 100,1\n7: об\n8: r0080\n"
            "definition: p1=Speed/Скорость/TWORD/x0100/r0080/об/0,1/2//0/x03E8/\n");
  // The bytes go to the variable's address in memory order, and never past the memory's end.
  const VarRun top = RunVar({"--image", "FFFFFFFF", "k=D/d/TDWORD/xFFF0/r0001/A/1/4/x00000000/"});
  EXPECT_NE(top.out.find("5: xFFFFFFFF\n6: 4294967295\n"), std::string::npos) << top.out;
  EXPECT_EQ(RunVar({"--image", "01 02 03", "k=D/d/TWORD/xFFFF/r0001/A/1/2/x0000/"}).exitCode, 1);
}

// A line copied from a hand-edited device file is read as the device file's reader reads it.
TEST(VarCommandTest, BlanksAroundTheEqualsSignAreNotPartOfTheKeyOrTheName) {
  const VarRun run = RunVar({"p1 = Inom/Ток/TWORD/x0100/r0080/A/1/2//0/x03E8/"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("\n1: Inom\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\ndefinition: p1=Inom/"), std::string::npos) << run.out;
}

TEST(VarCommandTest, EntriesWithScalesAndRefusedEntries) {
  const struct {
    std::vector<std::string> args;
    std::string raw;
  } cases[] = {
      {{"--scale", "Inom=1500", "--entry", "=3", "k=I/d/TWORD/x10/r0001/A/Inom%1000/2/x0000/"}, "x0002"},
      {{"--entry", "=300", "k=B/d/TByte/x10/r0001.L/A/1/1///x00/"}, "x2C"},
      {{"--entry", "=abc", "k=I/d/TWORD/x10/r0001/A/1/2/x0000/"}, "Error"},
  };
  for (const auto& check : cases) {
    const VarRun run = RunVar(check.args);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("raw: " + check.raw + "\n"), std::string::npos) << run.out;
  }
  EXPECT_NE(RunVar(cases[2].args).err.find("Неизвестный формат числа"), std::string::npos);
}

TEST(VarCommandTest, IgnoredLinesConversionAndUsageErrors) {
  const VarRun unknown = RunVar({"k=n/d/TNothing/x10/r0001/A/1/2/x0000/"});
  EXPECT_EQ(unknown.exitCode, 1);
  EXPECT_NE(unknown.err.find("line ignored"), std::string::npos);
  const VarRun bad = RunVar({"k=n/d/TWORD/xQQ/r0001/A/1/2/x0000/"});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_NE(bad.err.find("xQQ"), std::string::npos) << bad.err;
  EXPECT_EQ(RunVar({"k=n/d/TWORD/x10/r0001/A/1/2/oops/"}).exitCode, 1);
  // An entry the type refuses outright (not read as "Error") fails the command.
  const VarRun address = RunVar({"--entry", "=a.b.c.d", "p=Gw/g/TIPAddr/x0010/r0008//1/4/xC0A80101/"});
  EXPECT_EQ(address.exitCode, 1);
  EXPECT_FALSE(address.err.empty());
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                             {"--image", "ABC", "k=n/d/TWORD/x10/r0001/A/1/2/x0/"},
                                             {"--bogus", "k=n/d/TWORD/x10/r0001/A/1/2/x0/"},
                                             {"a=1", "b=2"},
                                             {"--entry"}})
    EXPECT_EQ(RunVar(args).exitCode, 2) << ::testing::PrintToString(args);
}

}  // namespace
}  // namespace quillon

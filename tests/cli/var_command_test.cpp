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
            "0: TWORD\n"
            "1: Speed\n"
            "2: Скорость\n"
            "3: x03E8\n"
            "4: 100\n"
            "5: x03E9\n"
            "6: 100,1\n"
            "7: об\n"
            "8: r0080\n"
            "definition: p1=Speed/Скорость/TWORD/x0100/r0080/об/0,1/2//0/x03E8/\n");
}

TEST(VarCommandTest, ScalesFromTheTableAndEntries) {
  const VarRun run = RunVar({"--scale", "Inom=1500", "--entry", "=3", "k=I/d/TWORD/x10/r0001/A/Inom%1000/2/x0000/"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("raw: x0002\n"), std::string::npos) << run.out;
  const VarRun hex = RunVar({"--entry", "= x1F", "k=I/d/TWORD/x10/r0001/A/0,1/2/x0000/"});
  EXPECT_NE(hex.out.find("raw: x001F\n"), std::string::npos) << hex.out;
  const VarRun wrapped = RunVar({"--entry", "=300", "k=B/d/TByte/x10/r0001.L/A/1/1///x00/"});
  EXPECT_NE(wrapped.out.find("raw: x2C\n"), std::string::npos) << wrapped.out;
}

TEST(VarCommandTest, RefusedEntryWarnsOnStderr) {
  const VarRun run = RunVar({"--entry", "=abc", "k=I/d/TWORD/x10/r0001/A/1/2/x0000/"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("raw: Error\n"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("Неизвестный формат числа"), std::string::npos) << run.err;
}

TEST(VarCommandTest, ImageBytesGoToTheVariablesAddressInMemoryOrder) {
  const VarRun run = RunVar({"--image", "FFFFFFFF", "k=D/d/TDWORD/xFFF0/r0001/A/1/4/x00000000/"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("5: xFFFFFFFF\n6: 4294967295\n"), std::string::npos) << run.out;
  const VarRun past = RunVar({"--image", "01 02 03", "k=D/d/TWORD/xFFFF/r0001/A/1/2/x0000/"});
  EXPECT_EQ(past.exitCode, 1);
}

TEST(VarCommandTest, ViewParametersDoNotBreakTheOutput) {
  const VarRun run = RunVar({"--view", "2/40/0/", "k=S/d/TShortInt/x10/r0001.L/A/1/1//xFF/"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("4: -1\n"), std::string::npos) << run.out;
}

TEST(VarCommandTest, IgnoredLinesAndConversionErrorsFail) {
  const VarRun unknown = RunVar({"k=n/d/TNothing/x10/r0001/A/1/2/x0000/"});
  EXPECT_EQ(unknown.exitCode, 1);
  EXPECT_NE(unknown.err.find("line ignored"), std::string::npos);
  EXPECT_TRUE(unknown.out.empty());
  const VarRun bad = RunVar({"k=n/d/TWORD/xQQ/r0001/A/1/2/x0000/"});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_NE(bad.err.find("xQQ"), std::string::npos) << bad.err;
  const VarRun baseNotNumber = RunVar({"k=n/d/TWORD/x10/r0001/A/1/2/oops/"});
  EXPECT_EQ(baseNotNumber.exitCode, 1);
}

TEST(VarCommandTest, UsageErrors) {
  EXPECT_EQ(RunVar({}).exitCode, 2);
  EXPECT_EQ(RunVar({"--image", "ABC", "k=n/d/TWORD/x10/r0001/A/1/2/x0/"}).exitCode, 2);
  EXPECT_EQ(RunVar({"--bogus", "k=n/d/TWORD/x10/r0001/A/1/2/x0/"}).exitCode, 2);
  EXPECT_EQ(RunVar({"a=1", "b=2"}).exitCode, 2);
  EXPECT_EQ(RunVar({"--entry"}).exitCode, 2);
}

}  // namespace
}  // namespace quillon

// quillon-cli var, run as an engineer runs it.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace quillon {
namespace {

struct VarRun {
  int ExitCode = -1;
  std::string Out;
  std::string Err;
};

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

VarRun RunVar(const std::vector<std::string>& args) {
  testing::TempDir dir;
  const std::string errPath = dir / "stderr.txt";
  std::string command = ShellQuoted(std::string(QUILLON_BIN_DIR) + "/quillon-cli") + " var";
  for (const auto& arg : args) command += " " + ShellQuoted(arg);
  command += " 2>" + ShellQuoted(errPath);
  VarRun run;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.Out.append(buffer, n);
  const int status = ::pclose(pipe);
  run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream err(errPath);
  std::stringstream text;
  text << err.rdbuf();
  run.Err = text.str();
  return run;
}

TEST(VarCommandTest, PrintsTheColumnsOfAWord) {
  const VarRun run = RunVar({"--image", "E9 03", "p1=Speed/Скорость/TWORD/x0100/r0080/об/0,1/2///x03E8/"});
  EXPECT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(run.Out,
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
  EXPECT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_NE(run.Out.find("raw: x0002\n"), std::string::npos) << run.Out;
  const VarRun hex = RunVar({"--entry", "= x1F", "k=I/d/TWORD/x10/r0001/A/0,1/2/x0000/"});
  EXPECT_NE(hex.Out.find("raw: x001F\n"), std::string::npos) << hex.Out;
  const VarRun wrapped = RunVar({"--entry", "=300", "k=B/d/TByte/x10/r0001.L/A/1/1///x00/"});
  EXPECT_NE(wrapped.Out.find("raw: x2C\n"), std::string::npos) << wrapped.Out;
}

TEST(VarCommandTest, RefusedEntryWarnsOnStderr) {
  const VarRun run = RunVar({"--entry", "=abc", "k=I/d/TWORD/x10/r0001/A/1/2/x0000/"});
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_NE(run.Out.find("raw: Error\n"), std::string::npos) << run.Out;
  EXPECT_NE(run.Err.find("Неизвестный формат числа"), std::string::npos) << run.Err;
}

TEST(VarCommandTest, ImageBytesGoToTheVariablesAddressInMemoryOrder) {
  const VarRun run = RunVar({"--image", "FFFFFFFF", "k=D/d/TDWORD/xFFF0/r0001/A/1/4/x00000000/"});
  EXPECT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_NE(run.Out.find("5: xFFFFFFFF\n6: 4294967295\n"), std::string::npos) << run.Out;
  const VarRun past = RunVar({"--image", "01 02 03", "k=D/d/TWORD/xFFFF/r0001/A/1/2/x0000/"});
  EXPECT_EQ(past.ExitCode, 1);
}

TEST(VarCommandTest, ViewParametersDoNotBreakTheOutput) {
  const VarRun run = RunVar({"--view", "2/40/0/", "k=S/d/TShortInt/x10/r0001.L/A/1/1//xFF/"});
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_NE(run.Out.find("4: -1\n"), std::string::npos) << run.Out;
}

TEST(VarCommandTest, IgnoredLinesAndConversionErrorsFail) {
  const VarRun unknown = RunVar({"k=n/d/TNothing/x10/r0001/A/1/2/x0000/"});
  EXPECT_EQ(unknown.ExitCode, 1);
  EXPECT_NE(unknown.Err.find("line ignored"), std::string::npos);
  EXPECT_TRUE(unknown.Out.empty());
  const VarRun bad = RunVar({"k=n/d/TWORD/xQQ/r0001/A/1/2/x0000/"});
  EXPECT_EQ(bad.ExitCode, 1);
  EXPECT_NE(bad.Err.find("xQQ"), std::string::npos) << bad.Err;
  const VarRun baseNotNumber = RunVar({"k=n/d/TWORD/x10/r0001/A/1/2/oops/"});
  EXPECT_EQ(baseNotNumber.ExitCode, 1);
}

TEST(VarCommandTest, UsageErrors) {
  EXPECT_EQ(RunVar({}).ExitCode, 2);
  EXPECT_EQ(RunVar({"--image", "ABC", "k=n/d/TWORD/x10/r0001/A/1/2/x0/"}).ExitCode, 2);
  EXPECT_EQ(RunVar({"--bogus", "k=n/d/TWORD/x10/r0001/A/1/2/x0/"}).ExitCode, 2);
  EXPECT_EQ(RunVar({"a=1", "b=2"}).ExitCode, 2);
  EXPECT_EQ(RunVar({"--entry"}).ExitCode, 2);
}

}  // namespace
}  // namespace quillon

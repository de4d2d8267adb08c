// quillon-cli var on the lines of the special types, run as an engineer runs it.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/run_program.h"

namespace quillon {
namespace {

struct VarResult {
  int ExitCode = -1;
  std::map<std::string, std::string> Fields;  // "6: text" lines by their label
  std::string Err;
};

VarResult RunVar(const std::vector<std::string>& args) {
  std::vector<std::string> command = {QUILLON_BIN_DIR "/quillon-cli", "var"};
  command.insert(command.end(), args.begin(), args.end());
  const testing::RunResult run = testing::RunProgram(command);
  VarResult result;
  result.ExitCode = run.exitCode;
  result.Err = run.err;
  const std::string& out = run.out;
  std::size_t start = 0;
  while (start < out.size()) {
    const std::size_t end = out.find('\n', start);
    const std::string line = out.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (const auto colon = line.find(": "); colon != std::string::npos) {
      result.Fields[line.substr(0, colon)] = line.substr(colon + 2);
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return result;
}

TEST(VarSpecialTest, EveryTypeIsInspected) {
  const std::vector<std::pair<std::string, std::string>> lines{
      {"TFloat", "p=Kp/k/TFloat/x0010/r0008//1/2/0/x3F800000/"},
      {"TSQRWord", "p=Ieff/i/TSQRWord/x0010/r0008/A//2//0/x1900/"},
      {"TInputFilter", "p=Tf/f/TInputFilter/x0010/r0008/s/0,0002/2/x0032/"},
      {"TIPAddr", "p=Gw/g/TIPAddr/x0010/r0008//1/4/xC0A80101/"},
      {"TTimeCnt", "p=Hours/h/TTimeCnt/x0010/r0008/h/1/4/x00000E10/"},
      {"TPrmList", "p=Mode/m/TPrmList/x0010/r0008.L///0#Off/1#On/x01/"},
      {"TIntegral", "p=Tacc/t/TIntegral/x0010/r0008/s/1/2/x00010000/x0100/"},
      {"TFrequency", "p=F/f/TFrequency/x0010/r0008/Hz/0,0002/4/x00010000/xFFFFFB1D/"},
      {"TSoftTimer", "p=Ts/t/TSoftTimer/x0010/r0008/s/0,1/1/x00010000/xCE/"},
      {"TDiff", "p=D/d/TDiff/x0010/r0008/A/1/4/x00010000/x00020000/"},
  };
  for (const auto& [type, line] : lines) {
    SCOPED_TRACE(line);
    VarResult result = RunVar({line});
    ASSERT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_EQ(result.Fields["0"], type);
    EXPECT_EQ(result.Fields["definition"].rfind("p=", 0), 0u);
    EXPECT_EQ(result.Fields.count("8"), 1u);
  }
}

// For the types that keep only their current value the sample fills that cell.
TEST(VarSpecialTest, ImageBytesAreTheCellInMemoryOrder) {
  VarResult time = RunVar({"--image", "8D 0E 00 00", "p=Hours/h/TTimeCnt/x0010/r0008/h/1/4/x00000E10/"});
  ASSERT_EQ(time.ExitCode, 0) << time.Err;
  EXPECT_EQ(time.Fields["6"], "______1:02:05");

  VarResult address = RunVar({"--image", "0A 00 A8 C0", "p=Gw/g/TIPAddr/x0010/r0008//1/4/xC0A80101/"});
  ASSERT_EQ(address.ExitCode, 0) << address.Err;
  EXPECT_EQ(address.Fields["6"], "192.168.0.10");
  EXPECT_EQ(address.Fields["5"], "xC0A8000A");
  EXPECT_EQ(address.Fields["4"], "192.168.1.1");

  VarResult frequency =
      RunVar({"--image", "1D FB FF FF", "p=F/f/TFrequency/x0010/r0008/Hz/0,0002/4/x00010000/xFFFFFFFF/"});
  ASSERT_EQ(frequency.ExitCode, 0) << frequency.Err;
  EXPECT_EQ(frequency.Fields["5"], "xFFFFFB1D");
  EXPECT_EQ(frequency.Fields["6"], "2");

  VarResult square = RunVar({"--image", "34 12 FF", "p=Ieff/i/TSQRWord/x0010/r0008/A//2//0/x1900/"});
  ASSERT_EQ(square.ExitCode, 0) << square.Err;
  EXPECT_EQ(square.Fields["5"], "x1234");

  VarResult list = RunVar({"--scale", "State=x00#Stop/x01#Run/x02#Trip#latched/x02/", "--image", "01",
                           "r=State/s/TPrmList/x0206/r0103.L//State/"});
  ASSERT_EQ(list.ExitCode, 0) << list.Err;
  EXPECT_EQ(list.Fields["4"], "Trip");
  EXPECT_EQ(list.Fields["6"], "Run");
}

TEST(VarSpecialTest, EntriesOfTheSpecialTypes) {
  VarResult address = RunVar({"--entry", "=10.0.0.1", "p=Gw/g/TIPAddr/x0010/r0008//1/4/xC0A80101/"});
  ASSERT_EQ(address.ExitCode, 0) << address.Err;
  EXPECT_EQ(address.Fields["raw"], "x0A000001");

  VarResult broken = RunVar({"--entry", "=a.b.c.d", "p=Gw/g/TIPAddr/x0010/r0008//1/4/xC0A80101/"});
  EXPECT_EQ(broken.ExitCode, 1);
  EXPECT_FALSE(broken.Err.empty());
}

}  // namespace
}  // namespace quillon

// Never a wrong value from the line: for every fault the simulator can play, a read of the
// parameter set, a card download and a card upload either bring exactly the controller's values
// and bytes, or fail and say so; and the trace shows each frame with the verdict it earned. The
// first request of each run is faulted, the next ones are clean.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/file_bytes.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::FileBytes;
using testing::Process;
using testing::RunResult;
namespace fs = std::filesystem;

constexpr const char* kDevice =
    "[DEVICE]\r\nID=1 TST 1.0 01.01.2020\r\n[vars]\r\n[FLASH]\r\n"
    "p1=A/Word/TWORD/x0100/r0080//1/2//0/x1234/\r\n"
    "p2=B/Byte/TByte/x0103/r0081.H//1/1//0/x56/\r\n"
    "p3=D/Double/TDWORD/x0104/r0082//1/4//0/x89ABCDEF/\r\n";

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + 3);
  return bytes;
}

// A fault kind for the first request only ("crc"), or a kind with its value ("delay=780"), which
// then holds for the first two.
std::string FaultSpec(const std::string& fault) {
  return fault.find('=') == std::string::npos ? fault + "=1,limit=1" : fault + ",limit=2";
}

class ProtocolFault : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    fs::create_directories(workspace / "Ports");
    fs::create_directories(workspace / "card");
    std::ofstream(workspace / "dev.ini", std::ios::binary) << kDevice;
    std::ofstream(workspace / "card/data.bin", std::ios::binary) << Pattern(1000);
    sim = std::make_unique<Process>(std::vector<std::string>{
        QUILLON_BIN_DIR "/quillon-sim", "--device", workspace / "dev.ini", "--pty", workspace / "Ports/SIM1", "--tcp",
        "0", "--card", workspace / "card", "--fault", FaultSpec(GetParam())});
    const auto port = sim->WaitForLine("tcp: 127.0.0.1:", std::chrono::milliseconds(10000));
    ASSERT_TRUE(port.has_value()) << sim->Errors();
    tcpPort = *port;
    ASSERT_TRUE(sim->WaitForLine("ready", std::chrono::milliseconds(10000)));
  }

  RunResult Cli(std::vector<std::string> args, bool tcp) {
    std::vector<std::string> command{QUILLON_BIN_DIR "/quillon-cli", "--workspace", workspace.Path()};
    command.insert(command.end(), args.begin(), args.end());
    const std::vector<std::string> link =
        tcp ? std::vector<std::string>{"--bus", "MODBUS TCP", "--ip", "127.0.0.1", "--ipport", tcpPort}
            : std::vector<std::string>{"--bus", "MODBUS RTU", "--port", "SIM1", "--baud", "115200"};
    command.insert(command.end(), link.begin(), link.end());
    return testing::RunProgram(command, std::chrono::seconds(60));
  }

  // A read shows the controller's values (all equal to the base here) or fails with a message.
  void ExpectReadTrueOrFailed(const RunResult& read, bool tcp) {
    if (read.exitCode == 0) {
      EXPECT_EQ(read.out.find("DIFF"), std::string::npos) << GetParam() << " tcp=" << tcp << "\n" << read.out;
      EXPECT_EQ(std::count(read.out.begin(), read.out.end(), '\n'), 3) << read.out;
    } else {
      EXPECT_EQ(read.exitCode, 1);
      EXPECT_NE(read.err, "") << GetParam();
      EXPECT_EQ(read.out, "");
    }
  }

  testing::TempDir workspace;
  testing::TempDir pc;
  std::unique_ptr<Process> sim;
  std::string tcpPort;
};

TEST_P(ProtocolFault, ADownloadIsByteIdenticalOrFails) {
  for (bool tcp : {false, true}) {
    const std::string copy = pc / (tcp ? "tcp.bin" : "pty.bin");
    const RunResult got = Cli({"card", "get", "data.bin", "--out", copy}, tcp);
    if (got.exitCode == 0) {
      EXPECT_EQ(FileBytes(copy), Pattern(1000)) << GetParam() << " tcp=" << tcp;
    } else {
      EXPECT_FALSE(fs::exists(copy)) << GetParam();
      EXPECT_NE(got.err, "");
    }
  }
}

TEST_P(ProtocolFault, AnUploadIsByteIdenticalOrFails) {
  for (bool tcp : {false, true}) {
    const std::string source = pc / (tcp ? "up-tcp.bin" : "up-pty.bin");
    const std::string name = tcp ? "up-tcp.bin" : "up-pty.bin";
    std::ofstream(source, std::ios::binary) << Pattern(700).substr(3) + "end";
    const RunResult put = Cli({"card", "put", source, "--as", name}, tcp);
    if (put.exitCode == 0) {
      EXPECT_EQ(FileBytes(workspace / ("card/" + name)), FileBytes(source)) << GetParam() << " tcp=" << tcp;
    } else {
      EXPECT_NE(put.err, "") << GetParam() << " tcp=" << tcp;
      // What the card holds after a failure is no file of ours: the next upload, on a clean
      // line, must put it right.
      const RunResult again = Cli({"card", "put", source, "--as", name}, tcp);
      ASSERT_EQ(again.exitCode, 0) << GetParam() << " tcp=" << tcp << ": " << again.err;
      EXPECT_EQ(FileBytes(workspace / ("card/" + name)), FileBytes(source)) << GetParam() << " tcp=" << tcp;
    }
  }
}

// The lines of --trace: time, direction, bytes, summary and verdict, the verdict empty on a request.
std::vector<std::vector<std::string>> TraceLines(const std::string& err) {
  static const std::regex kLine(R"(^(\d\d:\d\d:\d\d\.\d{6})\t(TX|RX)\t([0-9A-F ]*)\t([^\t]+)\t(.*)$)");
  std::vector<std::vector<std::string>> lines;
  std::istringstream in(err);
  for (std::string line; std::getline(in, line);) {
    std::smatch fields;
    if (std::regex_match(line, fields, kLine)) lines.push_back({fields[2], fields[3], fields[4], fields[5]});
  }
  return lines;
}

// The trace of a read whose first request meets the fault: every request has its answer's line
// with the verdict the judge gave, and the verdict is among `expected`.
void ExpectTrace(const RunResult& read, const std::vector<std::string>& expected, const std::string& what) {
  const auto lines = TraceLines(read.err);
  ASSERT_GE(lines.size(), 2u) << what << "\n" << read.err;
  EXPECT_EQ(lines[0][0], "TX");
  EXPECT_EQ(lines[0][1].substr(0, 5), "01 03") << lines[0][1];
  EXPECT_EQ(lines[0][3], "");
  EXPECT_EQ(lines[1][0], "RX");
  EXPECT_NE(std::find(expected.begin(), expected.end(), lines[1][3]), expected.end()) << what << "\n" << read.err;
  const auto requests = std::count_if(lines.begin(), lines.end(), [](const auto& line) { return line[0] == "TX"; });
  const auto answers =
      std::count_if(lines.begin(), lines.end(), [](const auto& line) { return line[0] == "RX" && line[3] != "LATE"; });
  EXPECT_EQ(requests, answers) << read.err;
  if (read.exitCode == 0) {
    EXPECT_EQ(lines.back()[3], "OK") << read.err;
  }
}

TEST_P(ProtocolFault, ReadsShowTheControllersValuesOrFailAndTheTraceShowsEachVerdict) {
  // A late answer (600 ms) still falls within a parameter read's wait on a serial line; a
  // duplicated answer may arrive as one with its copy, which its CRC refuses.
  const std::map<std::string, std::vector<std::string>> verdicts{
      {"crc", {"CRC"}},       {"drop", {"TIMEOUT"}},   {"short", {"CRC"}},
      {"late", {"OK"}},       {"exc", {"EXC 04"}},     {"addr", {"MISMATCH"}},
      {"func", {"MISMATCH"}}, {"count", {"MISMATCH"}}, {"dup", {"OK", "CRC"}}};
  const RunResult faulted = Cli({"read", "--device", workspace / "dev.ini", "--trace"}, false);
  ExpectTrace(faulted, verdicts.at(GetParam()), GetParam());
  ExpectReadTrueOrFailed(faulted, false);
  if (faulted.exitCode != 0) {
    EXPECT_GT(std::count(faulted.err.begin(), faulted.err.end(), '\n'),
              static_cast<std::ptrdiff_t>(TraceLines(faulted.err).size()))
        << "a failed read says why, beside its trace\n"
        << faulted.err;
  }
  // The fault is spent: what it left on the serial line must not spoil the next read, nor the
  // TCP one.
  for (bool tcp : {false, true}) {
    const RunResult clean = Cli({"read", "--device", workspace / "dev.ini", "--trace"}, tcp);
    ASSERT_EQ(clean.exitCode, 0) << GetParam() << " tcp=" << tcp << ": " << clean.err;
    ExpectTrace(clean, {"OK"}, tcp ? "tcp" : "serial");
    ExpectReadTrueOrFailed(clean, tcp);
  }
}

// An answer that comes after the wait is over: the request times out, and the bytes that come
// later are shown as late when the line is made quiet.
class LateAnswer : public ProtocolFault {};

TEST_P(LateAnswer, TheTraceShowsATimeOutAndTheLateBytes) {
  for (bool tcp : {false, true}) {
    const RunResult read = Cli({"read", "--device", workspace / "dev.ini", "--trace"}, tcp);
    ExpectTrace(read, {"TIMEOUT"}, tcp ? "tcp" : "serial");
    const auto lines = TraceLines(read.err);
    const bool late = std::any_of(lines.begin(), lines.end(), [](const auto& line) { return line[3] == "LATE"; });
    EXPECT_TRUE(late) << "tcp=" << tcp << "\n" << read.err;
  }
}

INSTANTIATE_TEST_SUITE_P(Delayed, LateAnswer, ::testing::Values("delay=780"));

INSTANTIATE_TEST_SUITE_P(EveryKind, ProtocolFault,
                         ::testing::Values("crc", "drop", "short", "late", "exc", "addr", "func", "count", "dup"));

}  // namespace
}  // namespace quillon

// quillon-cli record against quillon-sim on a pseudo-terminal under the workspace's Ports/ and on
// a TCP port of 127.0.0.1: the records it writes are read back with quillon-cli rec and with the
// record reader of the scope window.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "scope/record_file.h"
#include "support/file_bytes.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "text/datetime.h"
#include "variables/view_list.h"

namespace quillon {
namespace {

using testing::Process;
using testing::RunResult;
namespace fs = std::filesystem;

const std::string kDemoDevice = QUILLON_SOURCE_DIR "/demo/Devices/TK3/1027.ini";
const std::string kCli = QUILLON_BIN_DIR "/quillon-cli";
// A record holds at most the history ring less one sample.
constexpr int kMostSamples = 32767;

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream in(text);
  for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
  return parts;
}

// "dd.mm.yyyy hh:mm:ss,mmm" as text that sorts in time order.
std::string SortableTime(const std::string& time) {
  if (time.size() < 10) return time;
  return time.substr(6, 4) + time.substr(3, 2) + time.substr(0, 2) + time.substr(10);
}

class RecordCommand : public ::testing::Test {
 protected:
  RecordCommand() {
    fs::create_directories(workspace / "Ports");
    fs::create_directories(workspace / "ScopeWindow");
  }

  // quillon-sim on Ports/SIM1, a TCP port and an MBAP port; false (with the reason reported)
  // when it did not come up.
  bool StartSimulator(const std::vector<std::string>& extra) {
    std::vector<std::string> command{QUILLON_BIN_DIR "/quillon-sim",
                                     "--device",
                                     kDemoDevice,
                                     "--pty",
                                     workspace / "Ports/SIM1",
                                     "--tcp",
                                     "0",
                                     "--mbap",
                                     "0"};
    command.insert(command.end(), extra.begin(), extra.end());
    sim = std::make_unique<Process>(command);
    const auto port = sim->WaitForLine("tcp: 127.0.0.1:", std::chrono::seconds(10));
    const auto mbap = sim->WaitForLine("mbap: 127.0.0.1:", std::chrono::seconds(10));
    if (!port || !mbap || !sim->WaitForLine("ready", std::chrono::seconds(10))) {
      ADD_FAILURE() << "quillon-sim did not start: " << sim->Errors();
      return false;
    }
    tcpPort = *port;
    mbapPort = *mbap;
    return true;
  }

  // ScopeWindow/<name> showing `keys` of `area` polled over `protocol`, in the window placement
  // the record must carry.
  std::string WriteScope(const std::string& name, const std::string& protocol, const std::string& area,
                         const std::vector<std::string>& keys, const std::string& port = "SIM1") {
    const bool tcp = protocol == "MODBUS TCP" || protocol == "MODBUS TCP/IP";
    const std::string tcpLink = "/127.0.0.1/" + (protocol == "MODBUS TCP" ? tcpPort : mbapPort) + "/";
    const std::string link = "1/" + port + "/115200/8/" + protocol + "/" + area + (tcp ? tcpLink : "/");
    std::string text = "[default]\r\ndevicepath=" + kDemoDevice + "\r\nwindow=40/41/640/300/\r\nport=" + link +
                       "\r\noption=60/50/61/30/auto/1000/1/\r\n[viewlist]\r\n";
    for (const std::string& key : keys) text += key + "=1/20/\r\n";
    std::ofstream(workspace / ("ScopeWindow/" + name), std::ios::binary) << text;
    return workspace / ("ScopeWindow/" + name);
  }

  RunResult Cli(const std::vector<std::string>& args) {
    std::vector<std::string> command{kCli, "--workspace", workspace.Path()};
    command.insert(command.end(), args.begin(), args.end());
    return testing::RunProgram(command, std::chrono::seconds(60));
  }

  // The record's samples as "rec csv" gives them: the times, then the values of each row.
  struct Rows {
    std::vector<std::string> times;
    std::vector<std::vector<std::string>> values;
  };
  Rows ReadRows(const std::string& record) {
    Rows rows;
    const RunResult csv = Cli({"rec", "csv", record});
    EXPECT_EQ(csv.exitCode, 0) << csv.err;
    std::vector<std::string> lines = Split(csv.out, '\n');
    for (std::size_t i = 1; i < lines.size(); ++i) {
      if (!lines[i].empty() && lines[i].back() == '\r') lines[i].pop_back();
      if (lines[i].empty()) continue;
      std::vector<std::string> cells = Split(lines[i], ';');
      rows.times.push_back(cells.front());
      rows.values.emplace_back(cells.begin() + 1, cells.end());
    }
    return rows;
  }

  // What every record must be: real samples, oldest first, as many as the ring can hold at most.
  void ExpectSoundRecord(const std::string& record, const Rows& rows) {
    const RunResult info = Cli({"rec", "info", record});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_NE(info.out.find("id: 1027 TK v3.14 2021-03-15\n"), std::string::npos) << info.out;
    EXPECT_EQ(info.out.find("1899"), std::string::npos) << info.out;
    ASSERT_GT(rows.times.size(), 0u);
    EXPECT_LE(rows.times.size(), static_cast<std::size_t>(kMostSamples));
    EXPECT_NE(info.out.find("samples: " + std::to_string(rows.times.size()) + "\n"), std::string::npos) << info.out;
    EXPECT_EQ(rows.times.front().find("30.12.1899"), std::string::npos) << rows.times.front();
    for (std::size_t i = 1; i < rows.times.size(); ++i) {
      ASSERT_LT(SortableTime(rows.times[i - 1]), SortableTime(rows.times[i]))
          << "sample " << i << " of " << rows.times.size();
    }
  }

  testing::TempDir workspace;
  std::unique_ptr<Process> sim;
  std::string tcpPort = "502";
  std::string mbapPort = "502";
};

class RecordOverEachLink : public RecordCommand, public ::testing::WithParamInterface<std::string> {};

// Only the RAM of a moving drive moves: every sample of the FLASH registers must be the
// controller's own value, the RAM samples follow the drive, and the record must open where the
// scope file's window stood.
TEST_P(RecordOverEachLink, TheSamplesAreTheControllersValuesAndFollowItsMotion) {
  ASSERT_TRUE(StartSimulator({"--move"}));
  WriteScope("still.scp", GetParam(), "FLASH", {"p1", "p2", "p5"});
  const std::string out = workspace / "still.rec";
  RunResult run = Cli({"record", "--scope", "still.scp", "--seconds", "2", "--out", out});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, out + "\n");

  Rows rows = ReadRows(out);
  ExpectSoundRecord(out, rows);
  for (std::size_t i = 0; i < rows.values.size(); ++i) {
    ASSERT_EQ(rows.values[i], (std::vector<std::string>{"x03E8", "x03E8", "x0032"})) << rows.times[i];
  }

  TViewList list;
  RecordHeader header;
  ASSERT_EQ(OpenRecord(out, list, header), static_cast<int>(rows.times.size()));
  EXPECT_EQ(header.Left, 40);
  EXPECT_EQ(header.Top, 41);
  EXPECT_EQ(header.Width, 640);
  EXPECT_EQ(header.Height, 300);
  EXPECT_EQ(header.ColWidths, (std::array<int, 4>{60, 50, 61, 30}));

  // The scope file named by its path; the current takes more than one value.
  WriteScope("moving.scp", GetParam(), "RAM", {"r1", "r2"});
  const std::string moving = workspace / "moving.rec";
  run = Cli({"record", "--scope", workspace / "ScopeWindow/moving.scp", "--seconds", "2", "--out", moving});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  rows = ReadRows(moving);
  ExpectSoundRecord(moving, rows);
  std::set<std::string> currents;
  for (const auto& values : rows.values) currents.insert(values.at(0));
  EXPECT_GT(currents.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Links, RecordOverEachLink,
                         ::testing::Values("QuBUS", "MODBUS RTU", "MODBUS TCP", "MODBUS TCP/IP"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           std::replace(name.begin(), name.end(), ' ', '_');
                           std::erase(name, '/');
                           return name;
                         });

// A device that drops every request, and a TCP address where nothing listens: the window's
// status text, and no record.
TEST_F(RecordCommand, ASilentLineFailsWithTheWindowsStatusAndWritesNothing) {
  ASSERT_TRUE(StartSimulator({"--fault", "drop=1"}));
  for (const std::string protocol : {"QuBUS", "MODBUS RTU", "MODBUS TCP", "MODBUS TCP/IP"}) {
    WriteScope("silent.scp", protocol, "RAM", {"r1"});
    const RunResult run = Cli({"record", "--scope", "silent.scp", "--seconds", "1.5"});
    EXPECT_EQ(run.exitCode, 1) << protocol;
    EXPECT_EQ(run.err, "DNR!\n") << protocol;
    EXPECT_EQ(run.out, "") << protocol;
  }

  // Bound but not listening: every connection is refused.
  const int closed = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(closed, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(closed, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::getsockname(closed, reinterpret_cast<sockaddr*>(&address), &length), 0);
  tcpPort = std::to_string(ntohs(address.sin_port));
  WriteScope("nobody.scp", "MODBUS TCP", "RAM", {"r1"});
  const RunResult run = Cli({"record", "--scope", "nobody.scp", "--seconds", "1.5"});
  ::close(closed);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "DNR!\n");
  EXPECT_FALSE(fs::exists(workspace / "Records"));
}

// Ctrl+C, or a stop from a service manager, ends the polling early; what was polled is written
// under a new name: the names of records already there are never taken.
TEST_F(RecordCommand, AStopSignalEndsEarlyAndTheRecordIsStillWritten) {
  ASSERT_TRUE(StartSimulator({"--move"}));
  WriteScope("stop.scp", "MODBUS RTU", "RAM", {"r1", "r2"});
  for (const int signal : {SIGINT, SIGTERM}) {
    fs::remove_all(workspace / "Records");
    fs::create_directories(workspace / "Records");
    std::set<std::string> taken;
    const DateTime now = NowDateTime();
    for (int second = 0; second < 20; ++second) {
      const std::string name = RecordFileName(now + second / 86400.0);
      taken.insert(name.substr(0, name.size() - 4));
      std::ofstream(workspace / ("Records/" + name)) << "";
    }

    const auto started = std::chrono::steady_clock::now();
    testing::Process cli({kCli, "--workspace", workspace.Path(), "record", "--scope", "stop.scp"});
    std::this_thread::sleep_for(std::chrono::seconds(1));
    cli.Signal(signal);
    const std::optional<int> exitCode = cli.Wait(std::chrono::seconds(20));
    // Well before the 10 s it would poll otherwise.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(6)) << strsignal(signal);
    ASSERT_EQ(exitCode, std::optional<int>(0)) << cli.Errors();

    std::string record = cli.Output();
    ASSERT_FALSE(record.empty());
    record.pop_back();
    const std::string name = fs::path(record).filename().string();
    ASSERT_EQ(record, workspace / ("Records/" + name));
    ASSERT_GT(name.size(), 6u);
    EXPECT_EQ(name.substr(name.size() - 6), "_2.rec");
    EXPECT_EQ(taken.count(name.substr(0, name.size() - 6)), 1u) << name;
    for (const std::string& stem : taken) EXPECT_EQ(fs::file_size(workspace / ("Records/" + stem + ".rec")), 0u);
    ExpectSoundRecord(record, ReadRows(record));
  }
}

TEST_F(RecordCommand, BadUsageAndFilesThatCannotBeUsed) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"record"},
                                               {"record", "--seconds", "2"},
                                               {"record", "--scope"},
                                               {"record", "--scope", "a.scp", "--seconds", "0"},
                                               {"record", "--scope", "a.scp", "--seconds", "soon"},
                                               {"record", "--scope", "a.scp", "--rate", "5"},
                                               {"record", "--scope", "a.scp", "extra"}}) {
    const RunResult run = Cli(args);
    EXPECT_EQ(run.exitCode, 2) << args.back();
    EXPECT_NE(run.err.find("usage: quillon-cli"), std::string::npos) << args.back();
  }

  RunResult run = Cli({"record", "--scope", "none.scp", "--seconds", "1"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Фаил none.scp\nне найден, или имеет другой формат !\n");

  WriteScope("absent.scp", "MODBUS RTU", "RAM", {"r1"}, "ABSENT");
  run = Cli({"record", "--scope", "absent.scp", "--seconds", "1"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("Порт ABSENT не существует"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(workspace / "Records"));
}

}  // namespace
}  // namespace quillon

// quillon-cli scan and send against a simulated line with three controllers (slaves 1, 5 and
// 247), on a pseudo-terminal and over TCP.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "link/crc16.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "text/cp1251.h"

namespace quillon {
namespace {

using testing::Process;
using testing::RunResult;
namespace fs = std::filesystem;

constexpr const char* kId = "1027 TK v3.14 2024-05-05";

std::string DeviceFile(const std::string& id) {
  return "[DEVICE]\r\nID=" + id + "\r\n[vars]\r\n[FLASH]\r\np1=A/Word/TWORD/x0100/r0080//1/2//0/x1234/\r\n";
}

void Write(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// The report-slave-ID answer the simulator gives for `id` at `slave`, as upper-case hex.
std::string SlaveIdAnswerHex(std::uint8_t slave, const std::string& id) {
  std::vector<std::uint8_t> answer{slave, 0x11, static_cast<std::uint8_t>(id.size() + 1)};
  answer.insert(answer.end(), id.begin(), id.end());
  answer.push_back(0xFF);
  const std::uint16_t crc = CRC16(answer.data(), answer.size());
  answer.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  answer.push_back(static_cast<std::uint8_t>(crc >> 8));
  std::string hex;
  char digits[3];
  for (std::uint8_t byte : answer) {
    std::snprintf(digits, sizeof digits, "%02X", byte);
    hex += digits;
  }
  return hex;
}

// A workspace whose Devices/ knows the first controller, and the simulated line.
class LineOfThree : public ::testing::Test {
 protected:
  void SetUp() override {
    Write(workspace / "Devices/TK3/1027.ini", DeviceFile(kId));
    Write(workspace / "sim.ini", DeviceFile(kId));
  }

  void StartSimulator(const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args{QUILLON_BIN_DIR "/quillon-sim",
                                  "--device",
                                  workspace / "sim.ini",
                                  "--addr",
                                  "1,5,247",
                                  "--pty",
                                  workspace / "Ports/SIM1",
                                  "--tcp",
                                  "0",
                                  "--mbap",
                                  "0"};
    args.insert(args.end(), extra.begin(), extra.end());
    sim = std::make_unique<Process>(args);
    const auto port = sim->WaitForLine("tcp: 127.0.0.1:", std::chrono::milliseconds(10000));
    ASSERT_TRUE(port.has_value()) << sim->Errors();
    tcpPort = *port;
    const auto mbap = sim->WaitForLine("mbap: 127.0.0.1:", std::chrono::milliseconds(10000));
    ASSERT_TRUE(mbap.has_value()) << sim->Errors();
    mbapPort = *mbap;
    ASSERT_TRUE(sim->WaitForLine("ready", std::chrono::milliseconds(10000)));
  }

  std::vector<std::string> Link(bool tcp) const {
    return tcp ? std::vector<std::string>{"--bus", "MODBUS TCP", "--ip", "127.0.0.1", "--ipport", tcpPort}
               : std::vector<std::string>{"--bus", "MODBUS RTU", "--port", "SIM1", "--baud", "115200"};
  }
  std::vector<std::string> MbapLink() const {
    return {"--bus", "MODBUS TCP/IP", "--ip", "127.0.0.1", "--ipport", mbapPort};
  }

  RunResult Cli(const std::string& command, const std::vector<std::string>& link, const std::vector<std::string>& rest,
                std::chrono::seconds limit = std::chrono::seconds(20)) {
    std::vector<std::string> args{QUILLON_BIN_DIR "/quillon-cli", "--workspace", workspace.Path(), command};
    args.insert(args.end(), link.begin(), link.end());
    args.insert(args.end(), rest.begin(), rest.end());
    return testing::RunProgram(args, limit);
  }

  std::string Line(const std::string& address, const std::string& id, const std::string& file) const {
    return address + "\t" + id + "\t" + (file == "NEW" ? file : workspace / file) + "\n";
  }

  // Every address from 1 to 247; a silent one costs the worker's wait for a first byte.
  void ScanWholeLine(bool tcp) {
    StartSimulator();
    if (HasFatalFailure()) return;
    const RunResult result = Cli("scan", Link(tcp), {}, std::chrono::seconds(400));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, Line("01", kId, "Devices/TK3/1027.ini") + Line("05", "1028 TK v3.14 2024-05-05", "NEW") +
                              Line("F7", "1029 TK v3.14 2024-05-05", "NEW"));
    // Standard error is no terminal here: no progress line.
    EXPECT_EQ(result.err, "");
  }

  testing::TempDir workspace;
  std::unique_ptr<Process> sim;
  std::string tcpPort;
  std::string mbapPort;
};

TEST_F(LineOfThree, ScanOfTheWholeSerialLineListsTheThreeInAddressOrder) { ScanWholeLine(false); }

TEST_F(LineOfThree, ScanOfTheWholeLineOverTcpListsTheThreeInAddressOrder) { ScanWholeLine(true); }

TEST_F(LineOfThree, ScanOfARangeListsOnlyItsSlavesWithTheirFiles) {
  // The workspace knows the controller at 5 as well (its serial is the first one's + 1).
  Write(workspace / "Devices/TK3/1028.ini", DeviceFile("1028 TK v3.14 2024-05-05"));
  StartSimulator();
  if (HasFatalFailure()) return;
  // The unit id of standard MODBUS TCP picks the slave as the address does on the other links.
  for (const auto& link : {Link(false), Link(true), MbapLink()}) {
    const RunResult result = Cli("scan", link, {"--from", "2", "--to", "6"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, Line("05", "1028 TK v3.14 2024-05-05", "Devices/TK3/1028.ini")) << link[1];
  }
  // Nobody at 2 to 4: no lines, and still done.
  const RunResult empty = Cli("scan", Link(false), {"--from", "2", "--to", "4"});
  EXPECT_EQ(empty.exitCode, 0) << empty.err;
  EXPECT_EQ(empty.out, "");
}

TEST_F(LineOfThree, ScanRefusesWhatItCannotSweep) {
  for (const std::vector<std::string>& rest : std::vector<std::vector<std::string>>{
           {"--from", "7", "--to", "6"}, {"--from", "0"}, {"--to", "256"}, {"--from"}, {"SIM1"}}) {
    EXPECT_EQ(Cli("scan", Link(false), rest).exitCode, 2) << rest.front();
  }
  EXPECT_EQ(Cli("scan", {"--bus", "QuBUS", "--port", "SIM1", "--baud", "115200"}, {}).exitCode, 2);
  // The link fields are checked as the main window checks them.
  const RunResult noBaud = Cli("scan", {"--bus", "MODBUS RTU", "--port", "SIM1"}, {});
  EXPECT_EQ(noBaud.exitCode, 1);
  EXPECT_EQ(noBaud.err, "Не выбрана скорость передачи!\n");
  // A port that does not exist is the main window's port error.
  const RunResult noPort = Cli("scan", {"--bus", "MODBUS RTU", "--port", "NOSUCH", "--baud", "9600"}, {});
  EXPECT_EQ(noPort.exitCode, 1);
  EXPECT_NE(noPort.err.find("Порт NOSUCH не существует"), std::string::npos) << noPort.err;
}

TEST_F(LineOfThree, SendPrintsTheAnswerInEachModeWithTheCrcAppended) {
  StartSimulator();
  if (HasFatalFailure()) return;
  const std::string id5 = "1028 TK v3.14 2024-05-05";
  for (bool tcp : {false, true}) {
    // Typed as the terminal takes it: blanks anywhere, the CRC is the program's to add.
    const RunResult hex = Cli("send", Link(tcp), {"05 1", "1"});
    ASSERT_EQ(hex.exitCode, 0) << hex.err;
    EXPECT_EQ(hex.out, SlaveIdAnswerHex(5, id5) + "\n") << tcp;
  }
  const RunResult ascii = Cli("send", Link(false), {"--mode", "ascii", "0511"});
  ASSERT_EQ(ascii.exitCode, 0) << ascii.err;
  EXPECT_EQ(ascii.out.substr(0, 2), "\x05\x11");
  EXPECT_NE(ascii.out.find(id5), std::string::npos);

  const RunResult filtered = Cli("send", Link(false), {"--mode", "filter", "05", "11"});
  ASSERT_EQ(filtered.exitCode, 0) << filtered.err;
  ASSERT_NE(filtered.out.find(id5), std::string::npos) << filtered.out;
  for (char c : filtered.out.substr(0, filtered.out.size() - 1))
    EXPECT_TRUE(c >= 0x20 && c < 0x7F && c != '\'') << int(c);

  // QuBUS goes out exactly as typed: the identification request, answered by the first slave.
  const RunResult qubus =
      Cli("send", {"--bus", "QuBUS", "--port", "SIM1", "--baud", "115200"}, {"--mode", "filter", "a5 01 00 5a"});
  ASSERT_EQ(qubus.exitCode, 0) << qubus.err;
  EXPECT_NE(qubus.out.find(kId), std::string::npos) << qubus.out;
}

TEST_F(LineOfThree, SendReportsNoAnswerAndFormatErrors) {
  StartSimulator();
  if (HasFatalFailure()) return;
  for (bool tcp : {false, true}) {
    const RunResult silent = Cli("send", Link(tcp), {"09", "11"});
    EXPECT_EQ(silent.exitCode, 0) << silent.err;
    EXPECT_EQ(silent.out, "Нет ответа\n") << tcp;
  }
  const RunResult odd = Cli("send", Link(false), {"05", "1"});
  EXPECT_EQ(odd.exitCode, 1);
  EXPECT_EQ(odd.err, "Hеправильный формат команды\n");
  EXPECT_EQ(odd.out, "");
  // The format is judged before the link fields, as the terminal does.
  EXPECT_EQ(Cli("send", {}, {"123"}).err, "Hеправильный формат команды\n");
  EXPECT_EQ(Cli("send", {}, {"12"}).err, "Не выбран протокол!\n");
  EXPECT_EQ(Cli("send", Link(false), {"--mode", "octal", "0511"}).exitCode, 2);
  EXPECT_EQ(Cli("send", Link(false), {}).exitCode, 2);
}

TEST_F(LineOfThree, SendShowsACorruptedAnswerWithTheCrcErrorPrefix) {
  StartSimulator({"--fault", "crc=1"});
  if (HasFatalFailure()) return;
  const RunResult result = Cli("send", Link(false), {"05 11"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::string good = SlaveIdAnswerHex(5, "1028 TK v3.14 2024-05-05");
  ASSERT_EQ(result.out.rfind("CRC16 Error! ", 0), 0u) << result.out;
  const std::string shown = result.out.substr(13, result.out.size() - 14);
  ASSERT_EQ(shown.size(), good.size());
  EXPECT_EQ(shown.substr(0, good.size() - 2), good.substr(0, good.size() - 2));
  EXPECT_NE(shown, good);
  // A search skips an answer that does not check out.
  const RunResult scan = Cli("scan", Link(false), {"--from", "5", "--to", "5"});
  EXPECT_EQ(scan.exitCode, 0) << scan.err;
  EXPECT_EQ(scan.out, "");
}

}  // namespace
}  // namespace quillon

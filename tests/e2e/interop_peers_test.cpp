// Interoperability with MODBUS implementations written by others, all on 127.0.0.1: quillon-cli
// against pymodbus slaves (RTU frames over TCP and MBAP), pymodbus masters against quillon-sim on
// both TCP ports, and mbpoll against quillon-sim --mbap. What the other side reads over MBAP is
// compared with what the program reads over the RTU-over-TCP link, which shares no framing code
// with MBAP.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "e2e/e2e_processes.h"

namespace quillon::e2e {
namespace {

using std::chrono::milliseconds;

const std::string kRtuServerScript = kSource + "/scripts/interop/pymodbus_rtu_tcp_server.py";
const std::string kRtuClientScript = kSource + "/scripts/interop/pymodbus_rtu_tcp_client.py";
const std::string kServerScript = kSource + "/scripts/interop/pymodbus_tcp_server.py";
const std::string kClientScript = kSource + "/scripts/interop/pymodbus_tcp_client.py";
const std::string kMbpoll = "/usr/bin/mbpoll";

// The test command installs pymodbus and mbpoll: missing, they are a broken set-up, never a pass.
bool PymodbusAvailable() {
  static const bool available = [] {
    if (!std::filesystem::exists(kPython)) return false;
    return RunProgram({kPython, "-c", "import pymodbus"}, milliseconds(20000)).exitCode == 0;
  }();
  return available;
}

// "name: value" lines of the client script.
std::map<std::string, std::string> Results(const std::string& out) {
  std::map<std::string, std::string> results;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    if (const auto colon = line.find(": "); colon != std::string::npos)
      results[line.substr(0, colon)] = line.substr(colon + 2);
  }
  return results;
}

class QuillonAgainstPymodbus : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(PymodbusAvailable()) << "pymodbus is not installed for " << kPython << " (python3-pymodbus)";
    server_ = std::make_unique<Process>(
        std::vector<std::string>{kPython, kRtuServerScript, "--id", "4242 PY v1.00 2024-02-29"});
    const auto address = server_->WaitForLine("tcp: ", milliseconds(20000));
    ASSERT_TRUE(address.has_value()) << server_->Errors();
    port_ = address->substr(address->find(':') + 1);
    std::filesystem::create_directories(dir_ / "Devices/TK3");
    std::filesystem::copy_file(kDemoDevice, device_);
  }

  RunResult Cli(std::vector<std::string> command) {
    command.insert(command.begin(), {kCli, "--workspace", dir_.Path()});
    command.insert(command.end(), {"--bus", "MODBUS TCP", "--ip", "127.0.0.1", "--ipport", port_, "--addr", "1"});
    return RunProgram(command);
  }

  quillon::testing::TempDir dir_;
  std::string device_ = dir_ / "Devices/TK3/1027.ini";
  std::unique_ptr<Process> server_;
  std::string port_;
};

TEST_F(QuillonAgainstPymodbus, IdentifiesAndWritesWholeRegistersThatReadBackAlike) {
  // Report Slave ID: the text without the run indicator.
  RunResult result = Cli({"ident"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "4242 PY v1.00 2024-02-29\n");

  result = Cli({"read", "--device", device_});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_FALSE(Differing(result.out).empty()) << "the slave starts with zeros";
  result = Cli({"write", "--device", device_, "--base"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Rows(result.out).size(), 22u);
  EXPECT_TRUE(Differing(result.out).empty()) << result.out;

  // One value and one byte go as whole registers.
  result = Cli({"write", "--device", device_, "--var", "Tacc", "--value", "12"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "p5\tTacc\tx0032\t10\tx003C\t12\tDIFF\n");
  result = Cli({"write", "--device", device_, "--var", "OverheatAct", "--value", "x01"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  result = Cli({"read", "--device", device_});
  EXPECT_EQ(Differing(result.out), (std::vector<std::string>{"p5", "p14"})) << result.out;
}

class PymodbusAgainstSimulator : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(PymodbusAvailable()) << "pymodbus is not installed for " << kPython << " (python3-pymodbus)";
    ASSERT_TRUE(sim_.Ready()) << sim_.Proc().Errors();
  }

  std::map<std::string, std::string> Client(std::vector<std::string> args) {
    std::vector<std::string> command{kPython, kRtuClientScript, "--port", std::to_string(sim_.TcpPort())};
    command.insert(command.end(), args.begin(), args.end());
    const RunResult result = RunProgram(command);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return Results(result.out);
  }

  Simulator sim_{{"--device", kDemoDevice, "--tcp", "0"}};
};

TEST_F(PymodbusAgainstSimulator, ReadsWritesIdentifiesAndGetsExceptions) {
  auto results = Client({"--read", "0x80,5", "--ident"});
  EXPECT_EQ(results["read"], "03E8 03E8 05DC FF01 0032");
  EXPECT_EQ(results["ident"], "1027 TK v3.14 2021-03-15");
  EXPECT_EQ(results["running"], "yes");
  EXPECT_EQ(Client({"--read", "0x7FFF,2"})["read"], "error 2") << "illegal data address";
  EXPECT_EQ(Client({"--read", "0x80,126"})["read"], "error 3") << "illegal data value";
  results = Client({"--write", "0x84,0041,0102", "--read", "0x84,2"});
  EXPECT_EQ(results["write"], "ok 132 2");
  EXPECT_EQ(results["read"], "0041 0102");

  // What pymodbus writes quillon-cli reads by address: register 0x84 is Tacc at byte address
  // 0x108 of the demo controller.
  EXPECT_EQ(Client({"--write", "0x84,003C"})["write"], "ok 132 1");
  quillon::testing::TempDir dir;
  const RunResult tcp = RunProgram({kCli, "--workspace", dir.Path(), "read", "--device", kDemoDevice, "--bus",
                                    "MODBUS TCP", "--ip", "127.0.0.1", "--ipport", std::to_string(sim_.TcpPort())});
  ASSERT_EQ(tcp.exitCode, 0) << tcp.err;
  EXPECT_NE(tcp.out.find("\tTacc\tx0032\t10\tx003C\t12\tDIFF\n"), std::string::npos) << tcp.out;
}

// The words mbpoll printed as "[REF]: <TAB>0xHHHH", in hex as the other tools print them.
std::string MbpollWords(const std::string& out) {
  static const std::regex word(R"(\[\d+\]:\s+0x([0-9A-F]{4}))");
  std::string words;
  for (auto it = std::sregex_iterator(out.begin(), out.end(), word); it != std::sregex_iterator(); ++it)
    words += (words.empty() ? "" : " ") + (*it)[1].str();
  return words;
}

class AgainstTheMbapSimulator : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(sim_.Ready() && sim_.MbapPort() > 0) << sim_.Proc().Errors(); }

  // Holding registers read by quillon-cli over the RTU-over-TCP port, as hex words.
  std::string RtuWords(unsigned start, unsigned count) {
    char command[32];
    std::snprintf(command, sizeof command, "01 03 %02X %02X 00 %02X", start >> 8, start & 0xFF, count);
    const RunResult result = RunProgram({kCli, "--workspace", dir_.Path(), "send", "--bus", "MODBUS TCP", "--ip",
                                         "127.0.0.1", "--ipport", std::to_string(sim_.TcpPort()), command});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    // "0103" + byte count, then the words, then the CRC.
    std::string words;
    for (unsigned i = 0; i < count && result.out.size() >= 6 + 4 * (i + 1); ++i)
      words += (i ? " " : "") + result.out.substr(6 + 4 * i, 4);
    return words;
  }

  RunResult Mbpoll(std::vector<std::string> args) {
    args.insert(args.begin(), {kMbpoll, "-m", "tcp", "-a", "1", "-0", "-1", "-o", "2"});
    args.insert(args.end(), {"-p", std::to_string(sim_.MbapPort()), "127.0.0.1"});
    return RunProgram(args);
  }

  quillon::testing::TempDir dir_;
  Simulator sim_{{"--device", kDemoDevice, "--tcp", "0", "--mbap", "0"}};
};

TEST_F(AgainstTheMbapSimulator, MbpollReadsAndWritesTheRegistersTheRtuLinkReads) {
  ASSERT_TRUE(std::filesystem::exists(kMbpoll)) << "mbpoll is not installed (Debian package mbpoll)";
  const std::string rtu = RtuWords(0x80, 4);
  ASSERT_EQ(rtu.size(), 19u) << rtu;
  const RunResult read = Mbpoll({"-r", "128", "-c", "4", "-t", "4:hex"});
  ASSERT_EQ(read.exitCode, 0) << read.out << read.err;
  EXPECT_EQ(MbpollWords(read.out), rtu);
  // Without -0 mbpoll counts from 1, as its users' register lists do.
  const RunResult oneBased = RunProgram({kMbpoll, "-m", "tcp", "-a", "1", "-1", "-r", "129", "-c", "4", "-t", "4:hex",
                                         "-p", std::to_string(sim_.MbapPort()), "127.0.0.1"});
  EXPECT_EQ(MbpollWords(oneBased.out), rtu);

  ASSERT_NE(RtuWords(0x84, 2), "003D 1234");
  // Two values go as function 16; the controller has no function 6 for a single one.
  const RunResult write = RunProgram({kMbpoll, "-m", "tcp", "-a", "1", "-0", "-1", "-r", "132", "-p",
                                      std::to_string(sim_.MbapPort()), "127.0.0.1", "61", "4660"});
  ASSERT_EQ(write.exitCode, 0) << write.out << write.err;
  EXPECT_EQ(RtuWords(0x84, 2), "003D 1234");
  EXPECT_EQ(MbpollWords(Mbpoll({"-r", "132", "-c", "2", "-t", "4:hex"}).out), "003D 1234");
}

TEST_F(AgainstTheMbapSimulator, APymodbusMasterReadsWritesAndIdentifies) {
  ASSERT_TRUE(PymodbusAvailable()) << "pymodbus is not installed for " << kPython;
  const auto client = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {kPython, kClientScript, "--port", std::to_string(sim_.MbapPort())});
    const RunResult result = RunProgram(args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return Results(result.out);
  };
  auto results = client({"--read", "0x80,5", "--ident"});
  EXPECT_EQ(results["read"], RtuWords(0x80, 5));
  EXPECT_EQ(results["ident"], "1027 TK v3.14 2021-03-15");
  EXPECT_EQ(results["running"], "yes");
  EXPECT_EQ(client({"--write", "0x84,0041,0102"})["write"], "ok 132 2");
  EXPECT_EQ(RtuWords(0x84, 2), "0041 0102");
  EXPECT_EQ(client({"--read", "0x7FFF,2"})["read"], "error 2") << "illegal data address";
  // pymodbus reports the silence of unit 2 as an error without a code.
  EXPECT_EQ(client({"--slave", "2", "--read", "0x80,1"})["read"], "error ?") << "no controller at unit 2";
}

// quillon-cli's "MODBUS TCP/IP" link against a pymodbus slave at unit 2 that starts from its own
// register values.
class QuillonAgainstPymodbusTcp : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(PymodbusAvailable()) << "pymodbus is not installed for " << kPython;
    server_ = std::make_unique<Process>(std::vector<std::string>{kPython, kServerScript, "--slave", "2", "--registers",
                                                                 "0x80=1111,2222,3333,4405,0055"});
    const auto address = server_->WaitForLine("tcp: ", milliseconds(20000));
    ASSERT_TRUE(address.has_value()) << server_->Errors();
    port_ = address->substr(address->find(':') + 1);
  }

  RunResult Cli(std::vector<std::string> command, const std::string& unit = "2") {
    command.insert(command.begin(), {kCli, "--workspace", dir_.Path()});
    command.insert(command.end(), {"--bus", "MODBUS TCP/IP", "--ip", "127.0.0.1", "--ipport", port_, "--addr", unit});
    return RunProgram(command);
  }

  std::string ServerWords(const std::string& read) {
    const RunResult result = RunProgram({kPython, kClientScript, "--port", port_, "--slave", "2", "--read", read});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return Results(result.out)["read"];
  }

  quillon::testing::TempDir dir_;
  std::unique_ptr<Process> server_;
  std::string port_;
};

TEST_F(QuillonAgainstPymodbusTcp, ReadsScansAndWritesTheServersRegisters) {
  RunResult result = Cli({"read", "--device", kDemoDevice});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const auto rows = Rows(result.out);
  ASSERT_GE(rows.size(), 5u) << result.out;
  // Controller hex of Inom, Unom, Ilim, DevAddres (the low byte of 0x83) and Tacc.
  const char* const expected[] = {"x1111", "x2222", "x3333", "x05", "x0055"};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(rows[i].at(4), expected[i]) << rows[i].at(1);
  EXPECT_EQ(Cli({"ident"}).out, "4242 PY v1.00 2024-02-29\n");

  result = Cli({"write", "--device", kDemoDevice, "--base"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(Differing(result.out).empty()) << result.out;
  // Inom, Unom, Ilim, then the byte register and Tacc as the demo device's base values.
  const std::string words = ServerWords("0x80,5");
  ASSERT_EQ(words.size(), 24u) << words;
  EXPECT_EQ(words.substr(0, 14), "03E8 03E8 05DC");
  EXPECT_EQ(words.substr(17, 7), "01 0032") << "DevAddres is the low byte of 0x83";

  result = Cli({"scan", "--from", "1", "--to", "4"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "02\t4242 PY v1.00 2024-02-29\tNEW\n");
  // The same address and port with RTU frames are another link, which this slave does not speak.
  const RunResult rtu = RunProgram({kCli, "--workspace", dir_.Path(), "ident", "--bus", "MODBUS TCP", "--ip",
                                    "127.0.0.1", "--ipport", port_, "--addr", "2"});
  EXPECT_NE(rtu.exitCode, 0) << rtu.out;
}

}  // namespace
}  // namespace quillon::e2e

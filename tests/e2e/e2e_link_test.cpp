// quillon-cli against quillon-sim, as processes, through the program's own port workers: QuBUS
// and MODBUS RTU over a pseudo-terminal, MODBUS RTU frames over TCP on 127.0.0.1.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "e2e/e2e_processes.h"
#include "text/cp1251.h"

namespace quillon::e2e {
namespace {

using std::chrono::milliseconds;

const std::string kDemoDevice = kSource + "/demo/Devices/TK3/1027.ini";
const std::string kDemoId = "1027 TK v3.14 2021-03-15";

// A workspace with the demo controller's file and a simulator of it on both kinds of line.
class SimulatedWorkspace {
 public:
  explicit SimulatedWorkspace(std::vector<std::string> extra = {}) {
    std::filesystem::create_directories(dir_ / "Devices/TK3");
    std::filesystem::copy_file(kDemoDevice, Device());
    std::vector<std::string> args{"--device", Device(), "--pty", dir_ / "Ports/SIM1", "--tcp", "0"};
    args.insert(args.end(), extra.begin(), extra.end());
    sim_ = std::make_unique<Simulator>(args);
  }
  std::string Root() const { return dir_.Path(); }
  std::string Device() const { return dir_ / "Devices/TK3/1027.ini"; }
  Simulator& Sim() { return *sim_; }

  std::vector<std::string> Link(const std::string& bus) const {
    if (bus == "MODBUS TCP") return {"--bus", bus, "--ip", "127.0.0.1", "--ipport", std::to_string(sim_->TcpPort())};
    return {"--bus", bus, "--port", "SIM1", "--baud", "115200"};
  }

  RunResult Cli(std::vector<std::string> command, const std::string& bus) {
    std::vector<std::string> args{kCli, "--workspace", Root()};
    args.insert(args.end(), command.begin(), command.end());
    const auto link = Link(bus);
    args.insert(args.end(), link.begin(), link.end());
    return RunProgram(args);
  }

 private:
  quillon::testing::TempDir dir_;
  std::unique_ptr<Simulator> sim_;
};

std::map<std::string, std::vector<std::string>> RowsByName(const std::string& out) {
  std::map<std::string, std::vector<std::string>> rows;
  for (auto& row : Rows(out)) {
    if (row.size() == 7) rows[row[1]] = row;
  }
  return rows;
}

std::vector<std::string> Differing(const std::string& out) {
  std::vector<std::string> names;
  for (const auto& row : Rows(out)) {
    if (row.size() != 7 || row[6] != "SAME") names.push_back(row.empty() ? "?" : row[0]);
  }
  return names;
}

class LinkEndToEnd : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { ASSERT_TRUE(ws_.Sim().Ready()) << ws_.Sim().Proc().Errors(); }
  RunResult Cli(std::vector<std::string> command) { return ws_.Cli(std::move(command), GetParam()); }
  RunResult Read(const std::string& set = "FLASH") { return Cli({"read", "--device", ws_.Device(), "--set", set}); }
  RunResult WriteValue(const std::string& name, const std::string& value) {
    return Cli({"write", "--device", ws_.Device(), "--var", name, "--value", value});
  }

  SimulatedWorkspace ws_;
};

TEST_P(LinkEndToEnd, IdentifiesTheController) {
  const RunResult result = Cli({"ident"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, kDemoId + "\n");
}

TEST_P(LinkEndToEnd, ReadsEveryParameterSetAsTheBaseHoldsIt) {
  RunResult result = Read();
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const auto rows = Rows(result.out);
  ASSERT_EQ(rows.size(), 22u) << result.out;
  EXPECT_TRUE(Differing(result.out).empty()) << result.out;
  EXPECT_EQ(RowsByName(result.out)["Kp"][4], "x3F800000");
  EXPECT_EQ(RowsByName(result.out)["Enable"][4], "1");

  result = Read("RAM");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Rows(result.out).size(), 11u);
  EXPECT_TRUE(Differing(result.out).empty()) << result.out;

  // The CD set keeps other values for two parameters than the controller's FLASH.
  result = Read("CD");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Differing(result.out), (std::vector<std::string>{"c2", "c3"})) << result.out;
}

TEST_P(LinkEndToEnd, WritesOneValueAndReadsItBack) {
  RunResult result = WriteValue("Tacc", "12");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  // Tacc is scaled by 0,2 s: 12 s is 60.
  EXPECT_EQ(result.out, "p5\tTacc\tx0032\t10\tx003C\t12\tDIFF\n");
  result = Read();
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Differing(result.out), std::vector<std::string>{"p5"}) << result.out;
}

TEST_P(LinkEndToEnd, WritingABitOrAByteLeavesItsNeighboursAlone) {
  // Reverse shares its byte with Enable; OverheatAct is the high half of StartMode's register.
  RunResult result = WriteValue("Reverse", "1");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Rows(result.out).at(0).at(4), "1");
  result = WriteValue("OverheatAct", "x01");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Rows(result.out).at(0).at(4), "x01");
  result = Read();
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Differing(result.out), (std::vector<std::string>{"p10", "p14"})) << result.out;
}

TEST_P(LinkEndToEnd, WholeImageWriteBringsTheBaseBack) {
  ASSERT_EQ(WriteValue("Inom", "50").exitCode, 0);
  ASSERT_EQ(WriteValue("Enable", "0").exitCode, 0);
  RunResult result = Read();
  ASSERT_EQ(Differing(result.out).size(), 2u) << result.out;
  result = Cli({"write", "--device", ws_.Device(), "--base"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Rows(result.out).size(), 22u);
  EXPECT_TRUE(Differing(result.out).empty()) << result.out;
}

TEST_P(LinkEndToEnd, AValueTheVariableRefusesIsNotSent) {
  const RunResult result = WriteValue("Tacc", "abc");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("abc"), std::string::npos) << result.err;
  EXPECT_TRUE(Differing(Read().out).empty());
}

INSTANTIATE_TEST_SUITE_P(Links, LinkEndToEnd, ::testing::Values("QuBUS", "MODBUS RTU", "MODBUS TCP"),
                         [](const auto& info) {
                           std::string name = info.param;
                           std::erase(name, ' ');
                           return name;
                         });

// --- faults: the reader reports what the main window would, and recovers -------------------

TEST(FaultsEndToEnd, ASilentControllerIsReportedPerProtocol) {
  SimulatedWorkspace ws({"--fault", "drop=1"});
  ASSERT_TRUE(ws.Sim().Ready());
  RunResult result = ws.Cli({"ident"}, "MODBUS TCP");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Устройство не отвечает\n");
  result = ws.Cli({"read", "--device", ws.Device()}, "MODBUS RTU");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Устройство не отвечает\n");
  result = ws.Cli({"read", "--device", ws.Device()}, "QuBUS");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Устройство не отвечает\n");
}

TEST(FaultsEndToEnd, CorruptedAndCutAnswersAreChecksumOrTransferErrors) {
  SimulatedWorkspace corrupt({"--fault", "crc=1"});
  ASSERT_TRUE(corrupt.Sim().Ready());
  RunResult result = corrupt.Cli({"ident"}, "MODBUS RTU");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Ошибка в контрольной сумме\n");
  result = corrupt.Cli({"read", "--device", corrupt.Device()}, "MODBUS TCP");
  EXPECT_EQ(result.err, "Ошибка в контрольной сумме\n");

  SimulatedWorkspace cut({"--fault", "short=1"});
  ASSERT_TRUE(cut.Sim().Ready());
  result = cut.Cli({"read", "--device", cut.Device()}, "QuBUS");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Ошибка при передаче данных\n");
  result = cut.Cli({"read", "--device", cut.Device()}, "MODBUS RTU");
  EXPECT_EQ(result.err, "Ошибка в контрольной сумме\n");
}

TEST(FaultsEndToEnd, TheReaderRecoversWhenAnswersComeBack) {
  SimulatedWorkspace ws({"--fault", "drop=1,limit=2"});
  ASSERT_TRUE(ws.Sim().Ready());
  EXPECT_EQ(ws.Cli({"read", "--device", ws.Device()}, "MODBUS RTU").err, "Устройство не отвечает\n");
  EXPECT_EQ(ws.Cli({"read", "--device", ws.Device()}, "QuBUS").err, "Устройство не отвечает\n");
  const RunResult result = ws.Cli({"read", "--device", ws.Device()}, "MODBUS TCP");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(Differing(result.out).empty()) << result.out;
}

TEST(FaultsEndToEnd, AnExceptionAnswerIsARequestError) {
  // A double word in the last register of memory: its span reaches past the end, and the
  // simulator answers exception 2.
  quillon::testing::TempDir dir;
  const std::string device = dir / "far.ini";
  std::ofstream(device, std::ios::binary) << Utf8ToCp1251(
      "[DEVICE]\r\nID=9 FAR v1.0 2024-01-01\r\n[FLASH]\r\np1=A/a/TDWORD/xFFFE/r7FFF//1/4/x00000001/\r\n");
  Simulator sim({"--device", device, "--tcp", "0"});
  ASSERT_TRUE(sim.Ready()) << sim.Proc().Errors();
  const RunResult result = RunProgram({kCli, "--workspace", dir.Path(), "read", "--device", device, "--bus", "MODBUS TCP",
                                "--ip", "127.0.0.1", "--ipport", std::to_string(sim.TcpPort())});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Ошибка в запросе данных\n");
}

// --- the simulator as a program ----------------------------------------------------------

TEST(SimulatorProgram, PublishesItsLineAndRemovesItAtTheEnd) {
  quillon::testing::TempDir dir;
  const std::string link = dir / "Ports/SIM7";
  Simulator sim({"--device", kDemoDevice, "--pty", link});
  ASSERT_TRUE(sim.Ready()) << sim.Proc().Errors();
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), sim.PtyPath());
  EXPECT_EQ(sim.Proc().Stop(), 0);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

TEST(SimulatorProgram, RefusesABusyLinkOrPortAndABadDeviceFile) {
  quillon::testing::TempDir dir;
  const std::string link = dir / "Ports/SIM1";
  Simulator first({"--device", kDemoDevice, "--pty", link, "--tcp", "0"});
  ASSERT_TRUE(first.Ready());
  RunResult result = RunProgram({kSim, "--device", kDemoDevice, "--pty", link});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("busy"), std::string::npos) << result.err;
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), first.PtyPath()) << "the first one keeps its line";
  result = RunProgram({kSim, "--device", kDemoDevice, "--tcp", std::to_string(first.TcpPort())});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("busy"), std::string::npos) << result.err;
  result = RunProgram({kSim, "--device", dir / "nothing.ini", "--tcp", "0"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("nothing.ini"), std::string::npos) << result.err;
  result = RunProgram({kSim, "--tcp", "0"});
  EXPECT_EQ(result.exitCode, 2);
  result = RunProgram({kSim, "--help"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_NE(result.out.find("--fault"), std::string::npos);
}

TEST(SimulatorProgram, AStaleLinkOfAKilledSimulatorIsTakenOver) {
  quillon::testing::TempDir dir;
  std::filesystem::create_directories(dir / "Ports");
  std::filesystem::create_symlink("/dev/pts/nonexistent-quillon", dir / "Ports/SIM1");
  Simulator sim({"--device", kDemoDevice, "--pty", dir / "Ports/SIM1"});
  ASSERT_TRUE(sim.Ready()) << sim.Proc().Errors();
  EXPECT_EQ(std::filesystem::read_symlink(dir / "Ports/SIM1").string(), sim.PtyPath());
}

TEST(SimulatorProgram, ServesSeveralTcpClientsAndAnotherSlaveAddressIsSilent) {
  SimulatedWorkspace ws({"--addr", "3"});
  ASSERT_TRUE(ws.Sim().Ready());
  // Two programs at once on the same simulator.
  const std::vector<std::string> base{kCli, "--workspace", ws.Root(), "ident", "--bus", "MODBUS TCP", "--ip",
                                      "127.0.0.1", "--ipport", std::to_string(ws.Sim().TcpPort()), "--addr", "3"};
  Process one(base);
  Process two(base);
  EXPECT_EQ(one.Wait(milliseconds(20000)), 0);
  EXPECT_EQ(two.Wait(milliseconds(20000)), 0);
  EXPECT_EQ(one.Output(), kDemoId + "\n");
  EXPECT_EQ(two.Output(), kDemoId + "\n");
  const RunResult other = ws.Cli({"ident", "--addr", "1"}, "MODBUS RTU");
  EXPECT_EQ(other.exitCode, 1);
  EXPECT_EQ(other.err, "Устройство не отвечает\n");
}

TEST(SimulatorProgram, MovingRamVariablesChangeBetweenReads) {
  SimulatedWorkspace ws({"--move"});
  ASSERT_TRUE(ws.Sim().Ready());
  const RunResult first = ws.Cli({"read", "--device", ws.Device(), "--set", "RAM"}, "MODBUS RTU");
  std::this_thread::sleep_for(milliseconds(300));
  const RunResult second = ws.Cli({"read", "--device", ws.Device(), "--set", "RAM"}, "MODBUS RTU");
  ASSERT_EQ(first.exitCode, 0) << first.err;
  ASSERT_EQ(second.exitCode, 0) << second.err;
  // A sine may pass the same value twice; a sine and a ramp together cannot both repeat.
  auto before = RowsByName(first.out);
  auto after = RowsByName(second.out);
  EXPECT_TRUE(before["I"][4] != after["I"][4] || before["U"][4] != after["U"][4]) << first.out << second.out;
  // FLASH does not move.
  EXPECT_TRUE(Differing(ws.Cli({"read", "--device", ws.Device()}, "MODBUS RTU").out).empty());
}

TEST(SimulatorProgram, AMissingPortGivesTheProgramsPortError) {
  quillon::testing::TempDir dir;
  const RunResult result = RunProgram({kCli, "--workspace", dir.Path(), "ident", "--bus", "QuBUS", "--port",
                                "NOSUCHPORT", "--baud", "9600"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Порт NOSUCHPORT не существует\nили занят другой программой\n");
}

}  // namespace
}  // namespace quillon::e2e

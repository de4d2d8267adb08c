// quillon-cli against quillon-sim, as processes, through the program's own port workers: QuBUS
// and MODBUS RTU over a pseudo-terminal, MODBUS RTU frames over TCP on 127.0.0.1.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "e2e/e2e_processes.h"
#include "support/file_bytes.h"
#include "text/cp1251.h"

namespace quillon::e2e {
namespace {

using std::chrono::milliseconds;

// A workspace with the demo controller's file (with `flashLines` added at the end of its FLASH
// set) and a simulator of it on both kinds of line.
class SimulatedWorkspace {
 public:
  explicit SimulatedWorkspace(std::vector<std::string> extra = {}, const std::vector<std::string>& flashLines = {}) {
    std::string bytes = quillon::testing::FileBytes(kDemoDevice);
    std::string added;
    for (const auto& line : flashLines) added += "\r\n" + Utf8ToCp1251(line);
    bytes.insert(bytes.find("\r\n\r\n[RAM]"), added);
    std::filesystem::create_directories(dir_ / "Devices/TK3");
    std::ofstream(Device(), std::ios::binary) << bytes;
    std::vector<std::string> args{"--device", Device(), "--pty", dir_ / "Ports/SIM1", "--tcp", "0", "--mbap", "0"};
    args.insert(args.end(), extra.begin(), extra.end());
    sim_ = std::make_unique<Simulator>(args);
  }
  std::string Root() const { return dir_.Path(); }
  std::string Device() const { return dir_ / "Devices/TK3/1027.ini"; }
  Simulator& Sim() { return *sim_; }

  RunResult Cli(std::vector<std::string> command, const std::string& bus) {
    std::vector<std::string> args{kCli, "--workspace", Root()};
    args.insert(args.end(), command.begin(), command.end());
    const std::vector<std::string> link = SimLinkArgs(bus, *sim_);
    args.insert(args.end(), link.begin(), link.end());
    return RunProgram(args);
  }

 private:
  quillon::testing::TempDir dir_;
  std::unique_ptr<Simulator> sim_;
};

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

// One workspace per link: identify, read every set, write single values and the whole image.
TEST_P(LinkEndToEnd, IdentifiesReadsAndWritesAsTheBaseHoldsIt) {
  RunResult result = Cli({"ident"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, kDemoId + "\n");

  result = Read();
  ASSERT_EQ(result.exitCode, 0) << result.err;
  ASSERT_EQ(Rows(result.out).size(), 22u) << result.out;
  EXPECT_TRUE(Differing(result.out).empty()) << result.out;
  result = Read("RAM");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Rows(result.out).size(), 11u);
  EXPECT_TRUE(Differing(result.out).empty()) << result.out;
  // The CD set keeps other values for two parameters than the controller's FLASH.
  result = Read("CD");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Differing(result.out), (std::vector<std::string>{"c2", "c3"})) << result.out;

  result = WriteValue("Tacc", "12");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "p5\tTacc\tx0032\t10\tx003C\t12\tDIFF\n");  // scaled by 0,2 s
  // Reverse shares its byte with Enable; OverheatAct is the high half of StartMode's register.
  ASSERT_EQ(WriteValue("Reverse", "1").exitCode, 0);
  ASSERT_EQ(WriteValue("OverheatAct", "x01").exitCode, 0);
  // A value the variable refuses is not sent.
  result = WriteValue("Tacc", "abc");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("abc"), std::string::npos) << result.err;
  result = Read();
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Differing(result.out), (std::vector<std::string>{"p5", "p10", "p14"})) << result.out;

  // The whole image write brings the base back.
  result = Cli({"write", "--device", ws_.Device(), "--base"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Rows(result.out).size(), 22u);
  EXPECT_TRUE(Differing(result.out).empty()) << result.out;
  result = Read();
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(Differing(result.out).empty()) << result.out;
}

INSTANTIATE_TEST_SUITE_P(Links, LinkEndToEnd, ::testing::Values("QuBUS", "MODBUS RTU", "MODBUS TCP", "MODBUS TCP/IP"),
                         ProtocolName());

// Values with no cell in the controller (words declared without an address) among the
// parameters it holds: the set is read and written on every link as if those words were not there.
class NoAddressEndToEnd : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { ASSERT_TRUE(ws_.Sim().Ready()) << ws_.Sim().Proc().Errors(); }
  RunResult Cli(std::vector<std::string> command) { return ws_.Cli(std::move(command), GetParam()); }

  // The rows of the parameters the controller holds that differ from the base; fails when the
  // words without an address are missing from the output.
  static std::vector<std::string> DifferingInController(const std::string& out) {
    EXPECT_EQ(Rows(out).size(), 24u) << out;
    std::vector<std::string> keys = Differing(out);
    std::erase_if(keys, [](const std::string& key) { return key == "p23" || key == "p24"; });
    return keys;
  }

  SimulatedWorkspace ws_{{},
                         {"p23=Virt/Виртуальный/TWORD//r0001/А/1/2//0/x0000/",
                          "p24=VirtSq/Виртуальный квадрат/TSQRWord//r0002/А//2//0/x0000/"}};
};

TEST_P(NoAddressEndToEnd, TheOtherParametersAreReadAndTheBaseImageIsWritten) {
  RunResult result = Cli({"read", "--device", ws_.Device()});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(DifferingInController(result.out).empty()) << result.out;

  result = Cli({"write", "--device", ws_.Device(), "--var", "Inom", "--value", "50"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "p1\tInom\tx03E8\t100\tx01F4\t50\tDIFF\n");
  result = Cli({"read", "--device", ws_.Device()});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(DifferingInController(result.out), std::vector<std::string>{"p1"}) << result.out;

  result = Cli({"write", "--device", ws_.Device(), "--base"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(DifferingInController(result.out).empty()) << result.out;
}

INSTANTIATE_TEST_SUITE_P(Links, NoAddressEndToEnd,
                         ::testing::Values("QuBUS", "MODBUS RTU", "MODBUS TCP", "MODBUS TCP/IP"), ProtocolName());

// --- faults: the reader reports what the main window would, and recovers -------------------

TEST(FaultsEndToEnd, CorruptedAndCutAnswersAreChecksumOrTransferErrors) {
  SimulatedWorkspace corrupt({"--fault", "crc=1"});
  ASSERT_TRUE(corrupt.Sim().Ready());
  EXPECT_EQ(corrupt.Cli({"ident"}, "MODBUS RTU").err, "Ошибка в контрольной сумме\n");
  RunResult result = corrupt.Cli({"read", "--device", corrupt.Device()}, "MODBUS TCP");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Ошибка в контрольной сумме\n");

  SimulatedWorkspace cut({"--fault", "short=1"});
  ASSERT_TRUE(cut.Sim().Ready());
  result = cut.Cli({"read", "--device", cut.Device()}, "QuBUS");
  EXPECT_EQ(result.err, "Ошибка при передаче данных\n");
  result = cut.Cli({"read", "--device", cut.Device()}, "MODBUS RTU");
  EXPECT_EQ(result.err, "Ошибка в контрольной сумме\n");
}

TEST(FaultsEndToEnd, ASilentControllerIsReportedPerProtocolAndTheReaderRecovers) {
  SimulatedWorkspace ws({"--fault", "drop=1,limit=3"});
  ASSERT_TRUE(ws.Sim().Ready());
  for (const char* bus : {"MODBUS RTU", "QuBUS", "MODBUS TCP"}) {
    const RunResult result = ws.Cli({"read", "--device", ws.Device()}, bus);
    EXPECT_EQ(result.exitCode, 1) << bus;
    EXPECT_EQ(result.err, "Устройство не отвечает\n") << bus;
  }
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
  EXPECT_EQ(RunProgram({kCli, "--workspace", dir.Path(), "read", "--device", device, "--bus", "MODBUS TCP", "--ip",
                        "127.0.0.1", "--ipport", std::to_string(sim.TcpPort())})
                .err,
            "Ошибка в запросе данных\n");
}

// --- the simulator as a program ----------------------------------------------------------

TEST(SimulatorProgram, TakesOverAStaleLinkPublishesItsLineAndRemovesItAtTheEnd) {
  quillon::testing::TempDir dir;
  const std::string link = dir / "Ports/SIM7";
  std::filesystem::create_directories(dir / "Ports");
  std::filesystem::create_symlink("/dev/pts/nonexistent-quillon", link);  // left by a killed simulator
  Simulator sim({"--device", kDemoDevice, "--pty", link});
  ASSERT_TRUE(sim.Ready()) << sim.Proc().Errors();
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), sim.PtyPath());
  EXPECT_EQ(sim.Proc().Stop(), 0);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

TEST(SimulatorProgram, RefusesABusyLinkOrPort) {
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
  EXPECT_EQ(RunProgram({kSim, "--tcp", "0"}).exitCode, 2) << "no device";
}

TEST(SimulatorProgram, ServesTwoTcpClientsAtOnceAndAnotherSlaveAddressIsSilent) {
  SimulatedWorkspace ws({"--addr", "3"});
  ASSERT_TRUE(ws.Sim().Ready());
  const std::vector<std::string> base{kCli,       "--workspace",
                                      ws.Root(),  "ident",
                                      "--bus",    "MODBUS TCP",
                                      "--ip",     "127.0.0.1",
                                      "--ipport", std::to_string(ws.Sim().TcpPort()),
                                      "--addr",   "3"};
  Process one(base);
  Process two(base);
  EXPECT_EQ(one.Wait(milliseconds(20000)), 0);
  EXPECT_EQ(two.Wait(milliseconds(20000)), 0);
  EXPECT_EQ(one.Output(), kDemoId + "\n");
  EXPECT_EQ(two.Output(), kDemoId + "\n");
  EXPECT_EQ(ws.Cli({"ident", "--addr", "1"}, "MODBUS RTU").err, "Устройство не отвечает\n");
}

}  // namespace
}  // namespace quillon::e2e

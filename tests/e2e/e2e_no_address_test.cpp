// A device file that keeps values with no cell in the controller (words declared without an
// address) among the parameters the controller holds: quillon-cli reads and writes the set
// through quillon-sim on every link as if those words were not there.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "e2e/e2e_processes.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "text/cp1251.h"

namespace quillon::e2e {
namespace {

const std::vector<std::string> kWithoutAddress = {"p23=Virt/Виртуальный/TWORD//r0001/А/1/2//0/x0000/",
                                                  "p24=VirtSq/Виртуальный квадрат/TSQRWord//r0002/А//2//0/x0000/"};

class NoAddressEndToEnd : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    std::string bytes = quillon::testing::FileBytes(kSource + "/demo/Devices/TK3/1027.ini");
    const auto flashEnd = bytes.find("\r\n\r\n[RAM]");
    ASSERT_NE(flashEnd, std::string::npos);
    std::string added;
    for (const auto& line : kWithoutAddress) added += "\r\n" + Utf8ToCp1251(line);
    bytes.insert(flashEnd, added);
    std::filesystem::create_directories(dir_ / "Devices/TK3");
    std::ofstream(Device(), std::ios::binary) << bytes;
    sim_ = std::make_unique<Simulator>(
        std::vector<std::string>{"--device", Device(), "--pty", dir_ / "Ports/SIM1", "--tcp", "0", "--mbap", "0"});
    ASSERT_TRUE(sim_->Ready()) << sim_->Proc().Errors();
  }

  std::string Device() const { return dir_ / "Devices/TK3/1027.ini"; }

  RunResult Cli(std::vector<std::string> command) {
    std::vector<std::string> args{kCli, "--workspace", dir_.Path()};
    args.insert(args.end(), command.begin(), command.end());
    const std::string bus = GetParam();
    const std::vector<std::string> link = SimLinkArgs(bus, *sim_);
    args.insert(args.end(), link.begin(), link.end());
    return RunProgram(args);
  }

  // The rows of the parameters the controller holds that differ from the base; fails when the
  // words without an address are missing from the output.
  static std::vector<std::string> DifferingInController(const std::string& out) {
    const auto rows = Rows(out);
    EXPECT_EQ(rows.size(), 24u) << out;
    std::vector<std::string> keys = Differing(out);
    std::erase_if(keys, [](const std::string& key) { return key == "p23" || key == "p24"; });
    return keys;
  }

  quillon::testing::TempDir dir_;
  std::unique_ptr<Simulator> sim_;
};

TEST_P(NoAddressEndToEnd, TheOtherParametersAreReadAndTheBaseImageIsWritten) {
  RunResult result = Cli({"read", "--device", Device()});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(DifferingInController(result.out).empty()) << result.out;

  result = Cli({"write", "--device", Device(), "--var", "Inom", "--value", "50"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "p1\tInom\tx03E8\t100\tx01F4\t50\tDIFF\n");
  result = Cli({"read", "--device", Device()});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(DifferingInController(result.out), std::vector<std::string>{"p1"}) << result.out;

  result = Cli({"write", "--device", Device(), "--base"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(DifferingInController(result.out).empty()) << result.out;
}

INSTANTIATE_TEST_SUITE_P(Links, NoAddressEndToEnd,
                         ::testing::Values("QuBUS", "MODBUS RTU", "MODBUS TCP", "MODBUS TCP/IP"), ProtocolName());

}  // namespace
}  // namespace quillon::e2e

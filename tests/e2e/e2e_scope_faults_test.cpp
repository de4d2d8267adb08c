// A scope window's poll against quillon-sim playing every line and protocol fault at 20 %: the
// controller's values do not move, so every sample taken must be exactly what it holds. An
// answer taken for the wrong request, a refusal read as data or another slave's bytes would
// show as a sample that differs.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "core/link/pty_peer.h"
#include "e2e/e2e_processes.h"
#include "link/link_hub.h"
#include "scope/scope_device.h"
#include "scope/scope_session.h"
#include "support/temp_dir.h"
#include "variables/special/time_mark.h"
#include "workspace/paths.h"

namespace quillon::e2e {
namespace {

const std::string kDemoDevice = kSource + "/demo/Devices/TK3/1027.ini";

using FaultCase = std::tuple<std::string, const char*>;

class ScopeUnderFaults : public ::testing::TestWithParam<FaultCase> {
 protected:
  ScopeUnderFaults() : hub_(dir_.Path()) {}

  quillon::testing::TempDir dir_;
  LinkHub hub_;
};

TEST_P(ScopeUnderFaults, EverySampleIsTheControllersValue) {
  const auto& [protocol, fault] = GetParam();
  Simulator sim({"--device", kDemoDevice, "--pty", dir_ / "Ports/SIM1", "--tcp", "0", "--fault",
                 std::string(fault) + "=0.2,seed=5"});
  ASSERT_TRUE(sim.Ready());
  TBaseProperty settings;
  settings.DevicePath = kDemoDevice;
  settings.Protocol = protocol;
  settings.MemArea = "RAM";
  settings.PortName = "SIM1";
  settings.Baud = "115200";
  settings.FrameEnd = "8";
  settings.SlaveAddr = "1";
  settings.IPAddress = "127.0.0.1";
  settings.IPPort = std::to_string(sim.TcpPort());

  auto session = std::make_shared<ScopeSession>(hub_);
  const WorkspacePaths paths = MakeWorkspacePaths(dir_.Path());
  const ScopeDeviceResult built =
      OpenDeviceFromList(settings, {"r1 ", "r2 ", "r5 "}, "", session->list, session->image, paths);
  ASSERT_EQ(built.status, ScopeDeviceStatus::Built);
  auto mark = std::make_unique<TTimeMark>();
  mark->Owner = &session->list;
  mark->AttachMarkFlags(session->poll.TickByte());
  session->list.Variables.insert(session->list.Variables.begin(), std::move(mark));
  ASSERT_TRUE(session->poll.PreparePoll(settings));
  ASSERT_EQ(session->RegisterPoll(settings, SerialTimings::None()), ScopeRegistration::Polling);

  TView& timeMark = session->list.Item(0);
  constexpr int kSamples = 40;
  const bool sampled = quillon::testing::WaitFor([&] { return timeMark.Head >= kSamples; }, std::chrono::seconds(45));
  session->Withdraw(true);
  ASSERT_TRUE(sampled) << fault << " over " << protocol << ": " << timeMark.Head << " samples";
  for (std::size_t i = 1; i < session->list.Variables.size(); ++i) {
    TView& variable = session->list.Item(static_cast<int>(i));
    const std::uint64_t value = variable.SampleAt(variable.Head);
    for (int back = 1; back < kSamples; ++back) {
      ASSERT_EQ(variable.SampleAt(variable.Head - back), value)
          << variable.Name << ", " << back << " samples back, " << fault << " over " << protocol;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryFault, ScopeUnderFaults,
                         ::testing::Combine(::testing::Values("MODBUS RTU", "MODBUS TCP"),
                                            ::testing::Values("crc", "drop", "short", "late", "exc", "addr", "func",
                                                              "count", "dup")),
                         [](const ::testing::TestParamInfo<FaultCase>& info) {
                           std::string name = std::get<0>(info.param) + "_" + std::get<1>(info.param);
                           for (char& c : name) {
                             if (c == ' ') c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace quillon::e2e

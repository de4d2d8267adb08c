// A scope session against quillon-sim --move: its poll record registered as a scope window does
// it, sampled on the worker thread while another thread paints the rows as a redraw does, and
// quiet once withdrawn. Run under ThreadSanitizer this is the scope's threading in small.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "core/link/pty_peer.h"
#include "core/variables/recording_canvas.h"
#include "e2e/demo_poll.h"
#include "e2e/e2e_processes.h"
#include "link/comm_list.h"
#include "link/link_hub.h"
#include "link/tcpip_list.h"
#include "scope/scope_device.h"
#include "scope/scope_session.h"
#include "support/temp_dir.h"
#include "variables/special/time_mark.h"
#include "workspace/paths.h"

namespace quillon::e2e {
namespace {

// The demo drive's r1, r2 and r5 (or the variables named, of `area`), polled on the simulator at
// Ports/SIM1 or the TCP port; nullptr when any step fails.
std::shared_ptr<ScopeSession> StartDemoPoll(LinkHub& hub, const quillon::testing::TempDir& dir,
                                            const std::string& protocol, int tcpPort, const std::string& area = "RAM",
                                            const std::vector<std::string>& names = {"r1 ", "r2 ", "r5 "}) {
  TBaseProperty settings = DemoScopeSettings(protocol, tcpPort, area);
  return e2e::StartDemoPoll(hub, MakeWorkspacePaths(dir.Path()), settings, names);
}

template <typename Param>
class OnHub : public ::testing::TestWithParam<Param> {
 protected:
  OnHub() : hub_(dir_.Path()) {}

  quillon::testing::TempDir dir_;
  LinkHub hub_;
};

using ScopeSessionTest = OnHub<std::string>;

TEST_P(ScopeSessionTest, SamplesAdvanceWhileTheRowsArePaintedAndStopOnceWithdrawn) {
  Simulator sim({"--device", kDemoDevice, "--pty", dir_ / "Ports/SIM1", "--tcp", "0", "--mbap", "0", "--move"});
  ASSERT_TRUE(sim.Ready());
  // Freed last of all: after it the workers no longer hold its records.
  const auto session = StartDemoPoll(hub_, dir_, GetParam(), SimTcpPort(GetParam(), sim));
  ASSERT_NE(session, nullptr);

  std::atomic<bool> stop{false};
  std::atomic<int> redraws{0};
  std::thread painter([&] {
    while (!stop) {
      testing::RecordingCanvas canvas(400, 200);
      session->list.Paint(canvas);
      if (session->fresh.exchange(false)) ++redraws;
    }
  });
  TView& timeMark = session->list.Item(0);
  const bool sampled =
      quillon::testing::WaitFor([&] { return timeMark.History.Head() >= 200; }, std::chrono::seconds(10));
  session->Withdraw(true);
  stop = true;
  painter.join();
  ASSERT_TRUE(sampled);
  EXPECT_GT(redraws.load(), 0);
  // The moving current took more than one value.
  TView& current = *session->list.FindVariable("I");
  const std::uint64_t newest = current.SampleAt(current.History.Head());
  bool moved = false;
  for (int back = 1; back < 200 && !moved; ++back) moved = current.SampleAt(current.History.Head() - back) != newest;
  EXPECT_TRUE(moved);
  const int head = timeMark.History.Head();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(static_cast<int>(timeMark.History.Head()), head);
}

INSTANTIATE_TEST_SUITE_P(Protocols, ScopeSessionTest,
                         ::testing::Values("QuBUS", "MODBUS RTU", "MODBUS TCP", "MODBUS TCP/IP"), ProtocolName());

using FaultCase = std::tuple<std::string, const char*>;

// Every line and protocol fault at 20 %: the controller's values do not move, so every sample
// taken must be exactly what it holds. An answer taken for the wrong request, a refusal read as
// data or another slave's bytes would show as a sample that differs.
using ScopeUnderFaults = OnHub<FaultCase>;

TEST_P(ScopeUnderFaults, EverySampleIsTheControllersValue) {
  const auto& [protocol, fault] = GetParam();
  Simulator sim({"--device", kDemoDevice, "--pty", dir_ / "Ports/SIM1", "--tcp", "0", "--mbap", "0", "--fault",
                 std::string(fault) + "=0.2,seed=5"});
  ASSERT_TRUE(sim.Ready());
  const auto session = StartDemoPoll(hub_, dir_, protocol, SimTcpPort(protocol, sim));
  ASSERT_NE(session, nullptr);

  TView& timeMark = session->list.Item(0);
  constexpr int kSamples = 40;
  const bool sampled =
      quillon::testing::WaitFor([&] { return timeMark.History.Head() >= kSamples; }, std::chrono::seconds(45));
  session->Withdraw(true);
  ASSERT_TRUE(sampled) << fault << " over " << protocol << ": " << timeMark.History.Head() << " samples";
  for (std::size_t i = 1; i < session->list.Variables.size(); ++i) {
    TView& variable = session->list.Item(static_cast<int>(i));
    const std::uint64_t value = variable.SampleAt(variable.History.Head());
    for (int back = 1; back < kSamples; ++back) {
      ASSERT_EQ(variable.SampleAt(variable.History.Head() - back), value)
          << variable.Definition().Name << ", " << back << " samples back, " << fault << " over " << protocol;
    }
  }
}

// Two windows on one line, answers coming late: a late answer to one window's request must never
// become the other window's sample. The spans are the same length (five registers), so only the
// values tell them apart: the RAM ones are 0, the FLASH ones 1000, 1000 and 50.
TEST(TwoScopeWindows, ALateAnswerNeverBecomesTheOtherWindowsSample) {
  quillon::testing::TempDir dir;
  LinkHub hub(dir.Path());
  Simulator sim({"--device", kDemoDevice, "--pty", dir / "Ports/SIM1", "--tcp", "0", "--fault", "late=0.3,seed=11"});
  ASSERT_TRUE(sim.Ready());
  const auto ram = StartDemoPoll(hub, dir, "MODBUS RTU", sim.TcpPort());
  const auto flash = StartDemoPoll(hub, dir, "MODBUS RTU", sim.TcpPort(), "FLASH", {"p1 ", "p2 ", "p5 "});
  ASSERT_NE(ram, nullptr);
  ASSERT_NE(flash, nullptr);
  constexpr int kSamples = 12;
  const bool sampled = quillon::testing::WaitFor(
      [&] { return ram->list.Item(0).History.Head() >= kSamples && flash->list.Item(0).History.Head() >= kSamples; },
      std::chrono::seconds(60));
  ram->Withdraw(true);
  flash->Withdraw(true);
  ASSERT_TRUE(sampled) << ram->list.Item(0).History.Head() << " and " << flash->list.Item(0).History.Head()
                       << " samples";
  const auto expectAll = [](ScopeSession& session, const std::vector<std::uint64_t>& values) {
    for (std::size_t i = 1; i < session.list.Variables.size(); ++i) {
      TView& variable = session.list.Item(static_cast<int>(i));
      for (int back = 0; back < kSamples; ++back) {
        ASSERT_EQ(variable.SampleAt(variable.History.Head() - back), values[i - 1])
            << variable.Definition().Name << ", " << back << " back";
      }
    }
  };
  expectAll(*ram, {0, 0, 0});
  expectAll(*flash, {1000, 1000, 50});
}

INSTANTIATE_TEST_SUITE_P(EveryFault, ScopeUnderFaults,
                         ::testing::Combine(::testing::Values("MODBUS RTU", "MODBUS TCP"),
                                            ::testing::ValuesIn(kFaultKinds)),
                         ProtocolFaultName());
INSTANTIATE_TEST_SUITE_P(EveryFaultButCrc, ScopeUnderFaults,
                         ::testing::Combine(::testing::Values("MODBUS TCP/IP"), ::testing::ValuesIn(kFaultKindsButCrc)),
                         ProtocolFaultName());

}  // namespace
}  // namespace quillon::e2e

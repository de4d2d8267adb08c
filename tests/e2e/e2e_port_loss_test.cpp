// The program's serial worker against quillon-sim on a Ports/ link: the simulator ends and a new
// one takes the link over, on another pseudo-terminal, as an adapter pulled out and plugged back.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>

#include "core/link/request_owner.h"
#include "e2e/e2e_processes.h"
#include "link/buses.h"
#include "link/comm_list.h"

namespace quillon::e2e {
namespace {

using quillon::testing::Bytes;
using quillon::testing::RequestOwner;
using quillon::testing::WaitFor;
using std::chrono::milliseconds;

const std::string kDemoDevice = kSource + "/demo/Devices/TK3/1027.ini";
const std::string kDemoId = "1027 TK v3.14 2021-03-15";

Bytes IdentificationFrame() {
  std::uint8_t frame[kQuBUSReadFrameLength];
  int length = 0;
  BuildQuBUSRead(1, "ID", 0, 0, frame, length);
  return Bytes(frame, frame + length);
}

bool Identified(const Bytes& answer) {
  return std::search(answer.begin(), answer.end(), kDemoId.begin(), kDemoId.end()) != answer.end();
}

}  // namespace

TEST(PortLossEndToEnd, AnswersResumeWhenTheSimulatorComesBackOnTheSameLink) {
  quillon::testing::TempDir dir;
  const std::vector<std::string> simArgs{"--device", kDemoDevice, "--pty", dir / "Ports/SIM1"};
  auto sim = std::make_unique<Simulator>(simArgs);
  ASSERT_TRUE(sim->Ready()) << sim->Proc().Errors();
  TCommList list(dir.Path());
  list.SetTimings(SerialTimings::None());
  RequestOwner poller(IdentificationFrame());
  ASSERT_EQ(list.OpenPortWorker("SIM1"), 0);
  ASSERT_TRUE(list.ConfigurePort("SIM1", 115200, 8));
  list.AddRequest("SIM1", &poller.record);
  ASSERT_TRUE(WaitFor([&] { return !poller.Answers().empty() && Identified(poller.Answers().back()); }));

  sim.reset();
  ASSERT_TRUE(WaitFor([&] { return !list.FindPortWorker("SIM1")->LineUp(); }));
  // An answer that came in just before the hang-up may still be handed over after it.
  ASSERT_TRUE(WaitFor([&] {
    const auto answers = poller.Answers();
    return !answers.empty() && answers.back().empty();
  }));
  const std::size_t before = poller.Answers().size();
  std::this_thread::sleep_for(milliseconds(1000));
  const auto whileDown = poller.Answers();
  EXPECT_GE(whileDown.size() - before, 2u);
  EXPECT_LE(whileDown.size() - before, 8u);
  EXPECT_TRUE(std::all_of(whileDown.begin() + static_cast<std::ptrdiff_t>(before), whileDown.end(),
                          [](const Bytes& answer) { return answer.empty(); }));

  sim = std::make_unique<Simulator>(simArgs);
  ASSERT_TRUE(sim->Ready()) << sim->Proc().Errors();
  const auto back = std::chrono::steady_clock::now();
  ASSERT_TRUE(WaitFor([&] { return Identified(poller.Answers().back()); }));
  EXPECT_LT(std::chrono::steady_clock::now() - back, milliseconds(1000));
  list.RemoveRequest("SIM1", &poller.record);
}

}  // namespace quillon::e2e

// The serial worker on a simulator that takes the line's time for every byte (quillon-sim
// --line) and checks MODBUS RTU framing: with the silent interval every request keeps 3.5
// characters away from the answer before it; switched off, requests follow the answers at once.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/link/request_owner.h"
#include "e2e/e2e_processes.h"
#include "link/buses.h"
#include "link/comm_list.h"
#include "support/temp_dir.h"

namespace quillon::e2e {
namespace {

using quillon::testing::Bytes;
using quillon::testing::RequestOwner;
using quillon::testing::WaitFor;

// One register: an exchange of 8 + 7 bytes, short enough for a thousand of them at 19,200 Bd.
Bytes OneRegisterRead() {
  std::uint8_t frame[kMaxFrameLength];
  int length = 0;
  BuildMODBUSRead("1", 256, 257, frame, length);
  return Bytes(frame, frame + length);
}

long FramingViolationsOf(Simulator& sim) {
  sim.Proc().Stop();
  const std::string out = sim.Proc().Output();
  const std::string label = "framing violations: ";
  const auto at = out.rfind(label);
  return at == std::string::npos ? -1 : std::stol(out.substr(at + label.size()));
}

struct PacedLine {
  PacedLine() : list(dir.Path()) {
    sim = std::make_unique<Simulator>(
        std::vector<std::string>{"--device", kDemoDevice, "--pty", dir / "Ports/LINE", "--line"});
    list.SetTimings(SerialTimings::None());
  }
  // Polls until `count` answers came; the number of them that were whole.
  int Poll(int count) {
    RequestOwner poller(OneRegisterRead());
    EXPECT_TRUE(list.OpenLine("LINE", 19200, 8, SerialTimings::None()));
    list.AddRequest("LINE", &poller.record);
    EXPECT_TRUE(WaitFor([&] { return poller.count >= count; }, std::chrono::seconds(60)));
    list.RemoveRequest("LINE", &poller.record);
    int whole = 0;
    for (const Bytes& answer : poller.Answers()) whole += answer.size() == 7 ? 1 : 0;
    return whole;
  }

  quillon::testing::TempDir dir;
  std::unique_ptr<Simulator> sim;
  TCommList list;
};

}  // namespace

TEST(LineTiming, AThousandMODBUSExchangesAt19200KeepTheSilentInterval) {
  PacedLine line;
  ASSERT_TRUE(line.sim->Ready());
  EXPECT_GE(line.Poll(1000), 1000);
  EXPECT_EQ(FramingViolationsOf(*line.sim), 0);
}

TEST(LineTiming, WithTheSilentIntervalSwitchedOffRequestsFollowTheAnswersAtOnce) {
  PacedLine line;
  ASSERT_TRUE(line.sim->Ready());
  line.list.SetSilentInterval(false);
  EXPECT_GE(line.Poll(100), 100);
  // The requests start within 3.5 characters of the answer before them (all but those a busy
  // machine held up).
  EXPECT_GE(FramingViolationsOf(*line.sim), 50);
}

}  // namespace quillon::e2e

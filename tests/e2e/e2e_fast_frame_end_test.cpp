// The fast frame end against quillon-sim on a pseudo-terminal: it changes when an answer ends,
// never what the answer is. Cut and corrupted answers still end at the pause and are judged
// wrong, and what comes late never spills into the next answer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/link/request_owner.h"
#include "e2e/e2e_processes.h"
#include "link/buses.h"
#include "link/comm_list.h"
#include "link/crc16.h"

namespace quillon::e2e {
namespace {

using quillon::testing::Bytes;
using quillon::testing::RequestOwner;
using quillon::testing::WaitFor;

const std::string kDemoDevice = kSource + "/demo/Devices/TK3/1027.ini";

// Twelve registers of the demo device's RAM set, and the same bytes read by address.
constexpr std::uint16_t kFirstRegister = 256;
constexpr std::uint16_t kRegisters = 12;
constexpr std::size_t kMODBUSAnswer = 5 + 2 * kRegisters;
constexpr std::size_t kQuBUSAnswer = 16;

Bytes MODBUSPoll() {
  std::uint8_t frame[kMaxFrameLength];
  int length = 0;
  BuildMODBUSRead("1", kFirstRegister, kFirstRegister + kRegisters, frame, length);
  return Bytes(frame, frame + length);
}

Bytes QuBUSPoll() {
  std::uint8_t frame[kMaxFrameLength];
  int length = 0;
  BuildQuBUSRead(1, "RAM", 0, kQuBUSAnswer, frame, length);
  return Bytes(frame, frame + length);
}

// A simulator on a Ports/ link and a polling record on it.
struct SimLine {
  explicit SimLine(std::vector<std::string> faults = {}) : list(dir.Path()) {
    std::vector<std::string> args{"--device", kDemoDevice, "--pty", dir / "Ports/SIM1"};
    args.insert(args.end(), faults.begin(), faults.end());
    sim = std::make_unique<Simulator>(args);
    list.SetTimings(SerialTimings::None());
  }
  // The answers of `count` polls with the fast frame end on or off.
  std::vector<Bytes> Poll(const Bytes& frame, bool fastFrameEnd, int count) {
    list.SetFastFrameEnd(fastFrameEnd);
    RequestOwner poller(frame);
    EXPECT_EQ(list.OpenPortWorker("SIM1"), 0);
    EXPECT_TRUE(list.ConfigurePort("SIM1", 115200, 8));
    list.AddRequest("SIM1", &poller.record);
    EXPECT_TRUE(WaitFor([&] { return poller.count >= count; }, std::chrono::seconds(20)));
    list.RemoveRequest("SIM1", &poller.record);
    return poller.Answers();
  }

  quillon::testing::TempDir dir;
  std::unique_ptr<Simulator> sim;
  TCommList list;
};

bool CrcHolds(const Bytes& answer) { return answer.size() >= 5 && CRC16(answer.data(), answer.size()) == 0; }

}  // namespace

TEST(FastFrameEndToEnd, OnAndOffGiveTheSameAnswers) {
  SimLine line;
  ASSERT_TRUE(line.sim->Ready()) << line.sim->Proc().Errors();
  for (const auto& [frame, length] : {std::pair{MODBUSPoll(), kMODBUSAnswer}, std::pair{QuBUSPoll(), kQuBUSAnswer}}) {
    const std::vector<Bytes> fast = line.Poll(frame, true, 30);
    const std::vector<Bytes> classic = line.Poll(frame, false, 10);
    ASSERT_FALSE(fast.empty());
    EXPECT_EQ(fast.front().size(), length);
    for (const Bytes& answer : fast) EXPECT_EQ(answer, fast.front());
    for (const Bytes& answer : classic) EXPECT_EQ(answer, fast.front());
  }
}

TEST(FastFrameEndToEnd, CutAndCorruptedAnswersNeverPassForGoodOnes) {
  // Only the first requests are spoilt, so the last answers show what a good one is.
  SimLine rtu({"--fault", "crc=0.2,short=0.2,seed=7,limit=100"});
  ASSERT_TRUE(rtu.sim->Ready()) << rtu.sim->Proc().Errors();
  const std::vector<Bytes> modbus = rtu.Poll(MODBUSPoll(), true, 140);
  ASSERT_GE(modbus.size(), 140u);
  int judgedWrong = 0;
  for (const Bytes& answer : modbus) {
    if (answer.size() != kMODBUSAnswer || !CrcHolds(answer)) ++judgedWrong;
    else EXPECT_EQ(answer, modbus.back());
  }
  EXPECT_GT(judgedWrong, 10);

  // QuBUS has no checksum, so only cut answers are spoilt here: they are found by their length.
  SimLine qubus({"--fault", "short=0.3,seed=7,limit=60"});
  ASSERT_TRUE(qubus.sim->Ready()) << qubus.sim->Proc().Errors();
  const std::vector<Bytes> answers = qubus.Poll(QuBUSPoll(), true, 100);
  ASSERT_GE(answers.size(), 100u);
  int cut = 0;
  for (const Bytes& answer : answers) {
    if (answer.size() != kQuBUSAnswer) {
      ++cut;
      continue;
    }
    EXPECT_EQ(answer, answers.back()) << "a cut answer joined to a later byte";
  }
  EXPECT_GT(cut, 5);
}

}  // namespace quillon::e2e

// A serial answer of the length its request asks for ends at once; anything else still ends at
// the frame-end pause, and the purge before the next request drops what came late.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "link/comm_list.h"
#include "link_bytes.h"
#include "request_owner.h"
#include "support/temp_dir.h"

namespace quillon {

namespace {

using testing::AnswerChunk;
using testing::Bytes;
using testing::PtyPeer;
using testing::WaitFor;
using testing::WithCrc;
using Owner = testing::RequestOwner;

// Longer than any gap a test puts inside an answer, so only the request's shape can end it early.
constexpr unsigned kLongPauseMs = 400;
constexpr int kLateByteMs = 100;

Bytes ReadTwoRegisters() { return testing::MODBUSRead(0, 2); }

const Bytes kRegisters = WithCrc({0x01, 0x03, 0x04, 0x11, 0x22, 0x33, 0x44});

struct FastFrameBench {
  FastFrameBench() : list(dir.Path()) {
    testing::LinkPort(dir.Path(), "LINE", peer.SlavePath());
    list.SetTimings(SerialTimings::None());
  }
  ~FastFrameBench() { list.RemoveRequest("LINE", &keeper.record); }
  // One exchange of a one-shot record; returns its answer. The port stays open in between.
  Bytes Exchange(const Bytes& request, std::int32_t ownersExpectedLen = 0) {
    if (list.FindPortWorker("LINE") == nullptr) {
      EXPECT_EQ(list.OpenPortWorker("LINE"), 0);
      EXPECT_TRUE(list.ConfigurePort("LINE", 115200, kLongPauseMs));
      keeper.record.Busy = true;  // asks for nothing
      list.AddRequest("LINE", &keeper.record);
    }
    Owner owner(request, false);
    owner.record.OneShot = true;
    owner.record.ExpectedLen = ownersExpectedLen;
    list.AddRequest("LINE", &owner.record);
    EXPECT_TRUE(WaitFor([&] { return owner.count == 1; }));
    list.RemoveRequest("LINE", &owner.record);
    return owner.Answers().at(0);
  }

  quillon::testing::TempDir dir;
  PtyPeer peer;
  TCommList list;
  Owner keeper{{0x00}, false};
};

// Answers each request with `answer`, then one stray byte a moment later.
auto AnswerThenStray(Bytes answer) {
  return [answer](const Bytes&) { return std::vector<AnswerChunk>{{0, answer}, {kLateByteMs, {0xEE}}}; };
}

}  // namespace

TEST(FastFrameEnd, AnAnswerOfTheRequestedLengthEndsBeforeALateByte) {
  FastFrameBench bench;
  bench.peer.Start([](const Bytes& request) {
    const Bytes qubusAnswer{0x11, 0x22, 0x33, 0x44};
    return AnswerThenStray(request.at(0) == 0xA5 ? qubusAnswer : kRegisters)(request);
  });
  EXPECT_TRUE(bench.list.FastFrameEnd());
  // The owner's own figure plays no part: the request's bytes ask for nine.
  EXPECT_EQ(bench.Exchange(ReadTwoRegisters(), 3), kRegisters);
  std::this_thread::sleep_for(std::chrono::milliseconds(2 * kLateByteMs));
  // The stray byte arrived after that answer; the purge keeps it out of the next one.
  EXPECT_EQ(bench.Exchange(ReadTwoRegisters()), kRegisters);

  // QuBUS: a read of four bytes ends at four.
  std::this_thread::sleep_for(std::chrono::milliseconds(2 * kLateByteMs));
  EXPECT_EQ(bench.Exchange(testing::QuBUSRead("RAM", 0x10, 0x14)), (Bytes{0x11, 0x22, 0x33, 0x44}));
}

TEST(FastFrameEnd, SwitchedOffTheLateByteJoinsTheAnswer) {
  FastFrameBench bench;
  bench.peer.Start(AnswerThenStray(kRegisters));
  bench.list.SetFastFrameEnd(false);  // before the port is open: its worker takes it over
  Bytes expected = kRegisters;
  expected.push_back(0xEE);
  EXPECT_EQ(bench.Exchange(ReadTwoRegisters()), expected);
  // Switched on for a port already open.
  ASSERT_EQ(bench.list.OpenPortWorker("LINE"), 1);
  bench.list.SetFastFrameEnd(true);
  EXPECT_TRUE(bench.list.FindPortWorker("LINE")->FastFrameEnd());
  std::this_thread::sleep_for(std::chrono::milliseconds(2 * kLateByteMs));
  EXPECT_EQ(bench.Exchange(ReadTwoRegisters()), kRegisters);
}

TEST(FastFrameEnd, OtherLengthsStillEndAtThePause) {
  FastFrameBench bench;
  const Bytes exception = WithCrc({0x01, 0x83, 0x02});
  Bytes longer = kRegisters;
  longer.push_back(0x99);
  // By value: the peer's thread may still be running the script when the test ends.
  bench.peer.Start([exception, longer, exchange = 0](const Bytes&) mutable -> std::vector<AnswerChunk> {
    switch (exchange++) {
      case 0:  // short at first, the rest after a gap shorter than the pause
        return {{0, Bytes(kRegisters.begin(), kRegisters.begin() + 4)},
                {kLateByteMs, Bytes(kRegisters.begin() + 4, kRegisters.end())}};
      case 1:  // longer than asked: the owner must see all of it to judge it
        return {{0, longer}, {kLateByteMs, {0xEE}}};
      default:  // a complete exception ends at once
        return {{0, exception}, {kLateByteMs, {0xEE}}};
    }
  });
  EXPECT_EQ(bench.Exchange(ReadTwoRegisters()), kRegisters);
  Bytes longerThenLate = longer;
  longerThenLate.push_back(0xEE);
  EXPECT_EQ(bench.Exchange(ReadTwoRegisters()), longerThenLate);
  std::this_thread::sleep_for(std::chrono::milliseconds(2 * kLateByteMs));
  EXPECT_EQ(bench.Exchange(ReadTwoRegisters()), exception);
}

}  // namespace quillon

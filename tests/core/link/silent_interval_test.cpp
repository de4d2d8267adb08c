// The MODBUS silent interval kept by the serial worker: counted from the moment its line fell
// quiet, for MODBUS requests only, and not at all once switched off.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "link/buses.h"
#include "link/comm_thread.h"
#include "link/line_timing.h"
#include "request_owner.h"

namespace quillon {

namespace {

using testing::Bytes;
using testing::WaitFor;
using Owner = testing::RequestOwner;
using Clock = std::chrono::steady_clock;

// A line that answers at once, falls quiet when it does, and notes how long after that each
// request was sent.
class QuietLine final : public SerialLine {
 public:
  void Purge() override {}
  bool Send(const std::uint8_t*, std::size_t) override {
    std::lock_guard lock(mutex_);
    if (quietSince_ != Clock::time_point{}) gaps_.push_back(Clock::now() - quietSince_);
    return true;
  }
  std::uint32_t ReceiveAnswer(std::uint8_t* buffer, std::size_t capacity, const AnswerEnd&) override {
    std::lock_guard lock(mutex_);
    quietSince_ = Clock::now();
    if (capacity == 0) return 0;
    buffer[0] = 0x42;
    return 1;
  }
  void Interrupt() override {}
  bool Configure(unsigned, unsigned) override { return true; }
  bool Lost() override { return false; }
  Clock::time_point QuietSince() const override {
    std::lock_guard lock(mutex_);
    return quietSince_;
  }

  std::vector<Clock::duration> Gaps() {
    std::lock_guard lock(mutex_);
    return gaps_;
  }

 private:
  mutable std::mutex mutex_;
  Clock::time_point quietSince_;
  std::vector<Clock::duration> gaps_;
};

Bytes MODBUSRead() {
  std::uint8_t frame[kMaxFrameLength];
  int length = 0;
  BuildMODBUSRead("1", 256, 257, frame, length);
  return Bytes(frame, frame + length);
}

Bytes QuBUSRead() {
  std::uint8_t frame[kMaxFrameLength];
  int length = 0;
  BuildQuBUSRead(1, "RAM", 0, 16, frame, length);
  return Bytes(frame, frame + length);
}

// The gaps before 50 requests of `frame` at 19,200 Bd, sorted.
std::vector<Clock::duration> GapsBefore(const Bytes& frame, bool silentInterval) {
  auto owned = std::make_unique<QuietLine>();
  QuietLine* line = owned.get();
  TComm worker("FAKE", std::move(owned), SerialTimings::None());
  worker.ConfigurePort(19200, 8);
  worker.SetSilentInterval(silentInterval);
  Owner poller(frame);
  poller.record.DelayMs = 0;
  worker.AddRequest(&poller.record);
  EXPECT_TRUE(WaitFor([&] { return poller.count > 50; }));
  worker.RemoveRequest(&poller.record);
  auto gaps = line->Gaps();
  std::sort(gaps.begin(), gaps.end());
  return gaps;
}

}  // namespace

TEST(SilentInterval, AMODBUSRequestWaitsThreeAndAHalfCharactersAfterTheLineFellQuiet) {
  const auto interval = MODBUSSilentInterval(19200);
  EXPECT_EQ(std::chrono::duration_cast<std::chrono::microseconds>(interval).count(), 1822);
  const auto kept = GapsBefore(MODBUSRead(), true);
  ASSERT_FALSE(kept.empty());
  EXPECT_GE(kept.front(), interval);  // every one of them
  // Switched off, or for QuBUS, the requests follow at once: most gaps are a fraction of it.
  for (const auto& gaps : {GapsBefore(MODBUSRead(), false), GapsBefore(QuBUSRead(), true)}) {
    ASSERT_FALSE(gaps.empty());
    EXPECT_LT(gaps[gaps.size() / 2], interval / 2);
  }
}

TEST(SilentInterval, AboveNineteenThousandTwoHundredBaudItIsFixed) {
  using std::chrono::microseconds;
  EXPECT_EQ(std::chrono::duration_cast<microseconds>(MODBUSSilentInterval(9600)).count(), 3645);
  EXPECT_EQ(std::chrono::duration_cast<microseconds>(MODBUSSilentInterval(38400)).count(), 1750);
  EXPECT_EQ(std::chrono::duration_cast<microseconds>(MODBUSSilentInterval(115200)).count(), 1750);
  // 3.5 characters of 11 bits (a parity bit) at 9,600 Bd.
  EXPECT_EQ(std::chrono::duration_cast<microseconds>(ThreeAndAHalfCharacters(9600, {8, true, 1})).count(), 4010);
  EXPECT_EQ(LineTime(37, 19200).count(), 19'270'834);
}

}  // namespace quillon

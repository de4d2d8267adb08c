// The MODBUS silent interval kept by the serial worker: counted from the moment its line fell
// quiet, for MODBUS requests only, and not at all once switched off.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "instant_line.h"
#include "link/buses.h"
#include "link/comm_thread.h"
#include "link/line_timing.h"
#include "request_owner.h"

namespace quillon {

namespace {

using testing::Bytes;
using testing::InstantLine;
using testing::WaitFor;
using Owner = testing::RequestOwner;
using Clock = std::chrono::steady_clock;

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
  auto owned = std::make_unique<InstantLine>();
  InstantLine* line = owned.get();
  TComm worker("FAKE", std::move(owned), SerialTimings::None());
  worker.ConfigurePort(19200, 8);
  worker.SetSilentInterval(silentInterval);
  Owner poller(frame);
  poller.record.DelayMs = 0;
  worker.AddRequest(&poller.record);
  EXPECT_TRUE(WaitFor([&] { return poller.count > 50; }));
  worker.RemoveRequest(&poller.record);
  return line->Gaps();
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

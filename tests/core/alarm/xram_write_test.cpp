#include "alarm/xram_write.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillon {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Kind = XramWrites::Kind;

const Bytes kCommit{0xA5, 0x05, 0x11, 0x05, 0xA5, 0x01, 0x1B, 0x5A};
const Bytes kClockSet{0xA5, 0x09, 0x0A, 0, 1, 2, 3, 4, 5, 6, 7, 0x5A};

// What a port worker does with a registered record over `passes` passes: skip it while Busy,
// else mark it, exchange, call the handler; a one-shot record leaves the list. Returns the
// frames sent.
std::vector<Bytes> Serve(TLinkRequest& request, int passes, bool& dropped) {
  std::vector<Bytes> sent;
  dropped = false;
  for (int pass = 0; pass < passes && !dropped; ++pass) {
    if (request.Busy.load()) continue;
    request.Busy = true;
    sent.emplace_back(request.RequestBuf, request.RequestBuf + request.RequestLen);
    request.AnswerLen = 1;
    request.OnAnswer(request);
    dropped = request.OneShot.load();
  }
  return sent;
}

TEST(XramWriteTest, FramesOfTheThreeChanges) {
  Bytes clear{0xA5, 38, 0x11, 0x06, 0x5E, 34};
  clear.insert(clear.end(), 34, 0);
  clear.push_back(0x5A);
  EXPECT_EQ(BuildCounterClearFrame(), clear);
  EXPECT_EQ(BuildMotorTimeResetFrame(), (Bytes{0xA5, 0x08, 0x11, 0x06, 0x80, 0x04, 0, 0, 0, 0, 0x5A}));
  // 10000 hours = 36 000 000 s = 0x02255100.
  EXPECT_EQ(BuildMaintenanceFrame(10000), (Bytes{0xA5, 0x08, 0x11, 0x06, 0x84, 0x04, 0x00, 0x51, 0x25, 0x02, 0x5A}));
  // 1 193 046 h = 4 294 965 600 s, the most the count holds; an hour more would wrap.
  const Bytes most = BuildMaintenanceFrame(1193046);
  EXPECT_EQ(Bytes(most.begin() + 6, most.begin() + 10), (Bytes{0x60, 0xF9, 0xFF, 0xFF}));
  EXPECT_THROW(BuildMaintenanceFrame(1193047), std::out_of_range);
  EXPECT_EQ(BuildCommitFrame(), kCommit);
}

TEST(XramWriteTest, MaintenanceHoursTheCounterCannotHoldAreRefused) {
  EXPECT_EQ(ReadMaintenanceHours("10000").hours, 10000u);
  EXPECT_EQ(ReadMaintenanceHours("0").hours, 0u);
  EXPECT_EQ(ReadMaintenanceHours("1193046").hours, 1193046u);
  for (const char* refused : {"-5", "1193047", "4294967296"}) {
    const MaintenanceHoursInput input = ReadMaintenanceHours(refused);
    EXPECT_FALSE(input.hours) << refused;
    EXPECT_EQ(input.message, "Уставка должна быть от 0 до 1193046 часов") << refused;
  }
  for (const char* refused : {"99999999999999999999", "десять", ""}) {
    const MaintenanceHoursInput input = ReadMaintenanceHours(refused);
    EXPECT_FALSE(input.hours) << refused;
    EXPECT_NE(input.message.find("не является допустимым целым значением"), std::string::npos) << refused;
  }
}

TEST(XramWriteTest, ChangeIsItsDataWriteThenTheCommitThenTheRecordIsDropped) {
  XramWrites writes;
  EXPECT_TRUE(writes.Idle());
  ASSERT_TRUE(writes.Push(Kind::WithCommit, BuildMotorTimeResetFrame())) << "an idle record is registered anew";
  writes.Arm();
  EXPECT_FALSE(writes.Idle());
  bool dropped = false;
  EXPECT_EQ(Serve(writes.Request(), 5, dropped), (std::vector<Bytes>{BuildMotorTimeResetFrame(), kCommit}));
  EXPECT_TRUE(dropped);
  EXPECT_TRUE(writes.Idle());

  // A clock set has no commit; the dropped record is registered again for it.
  ASSERT_TRUE(writes.Push(Kind::Once, kClockSet));
  writes.Arm();
  EXPECT_EQ(Serve(writes.Request(), 5, dropped), std::vector<Bytes>{kClockSet});
  EXPECT_TRUE(dropped);
}

TEST(XramWriteTest, WritesMadeWhileOthersAreOnTheirWayFollowInOrder) {
  XramWrites writes;
  ASSERT_TRUE(writes.Push(Kind::WithCommit, BuildCounterClearFrame()));
  writes.Arm();
  bool dropped = false;
  std::vector<Bytes> sent = Serve(writes.Request(), 1, dropped);
  EXPECT_FALSE(writes.Push(Kind::Once, kClockSet)) << "the record is still with the worker";
  EXPECT_FALSE(writes.Push(Kind::WithCommit, BuildMaintenanceFrame(1)));
  for (Bytes& frame : Serve(writes.Request(), 10, dropped)) sent.push_back(std::move(frame));
  EXPECT_TRUE(dropped);
  EXPECT_EQ(sent,
            (std::vector<Bytes>{BuildCounterClearFrame(), kCommit, kClockSet, BuildMaintenanceFrame(1), kCommit}));

  // A record taken back before its writes ended forgets them and is registered afresh.
  ASSERT_TRUE(writes.Push(Kind::WithCommit, BuildCounterClearFrame()));
  writes.Clear();
  EXPECT_TRUE(writes.Idle());
  EXPECT_TRUE(writes.Push(Kind::Once, kClockSet));
}

}  // namespace
}  // namespace quillon

#include "events/event_frames.h"

#include <gtest/gtest.h>

#include "events/event_exchanges.h"
#include "link/crc16.h"

namespace quillon {
namespace {

std::vector<std::uint8_t> WithCrc(std::vector<std::uint8_t> frame) {
  const std::uint16_t crc = CRC16(frame.data(), frame.size());
  frame.push_back(static_cast<std::uint8_t>(crc));
  frame.push_back(static_cast<std::uint8_t>(crc >> 8));
  return frame;
}

TEST(EventFramesTest, CounterChangeWritesTwoRegistersAt0x3000InTheControllersByteOrder) {
  const auto frame = BuildCounterChange("7", 0x11223344);
  ASSERT_EQ(frame.size(), 13u);
  const std::vector<std::uint8_t> head{7, 0x10, 0x30, 0x00, 0x00, 0x02, 0x04, 0x22, 0x11, 0x44, 0x33};
  EXPECT_EQ(std::vector<std::uint8_t>(frame.begin(), frame.begin() + 11), head);
  EXPECT_EQ(CRC16(frame.data(), frame.size()), 0);
}

TEST(EventFramesTest, RateRequestAndAnswer) {
  const auto request = BuildOscRateRequest(3);
  ASSERT_EQ(request.size(), 4u);
  EXPECT_EQ(request[0], 3);
  EXPECT_EQ(request[1], 0x13);
  EXPECT_EQ(CRC16(request.data(), request.size()), 0);

  std::vector<std::uint8_t> answer = WithCrc({3, 0x13, 50});
  EXPECT_EQ(OscRateFromAnswer(request, answer), 50);
  // The exception "rate 1 refused" is no rate of 1 (a rate of 0 would ask for the whole file).
  EXPECT_FALSE(OscRateFromAnswer(request, WithCrc({3, 0x93, 0x01})));
  EXPECT_FALSE(OscRateFromAnswer(BuildOscRateRequest(4), answer)) << "another slave's answer";
  answer[2] = 51;
  EXPECT_FALSE(OscRateFromAnswer(request, answer)) << "bad CRC";
  EXPECT_FALSE(OscRateFromAnswer(request, std::span(answer).first(2))) << "too short";
}

TEST(EventFramesTest, RateQueryEndsOnItsOneAnswer) {
  OscRateQuery query(4);
  EXPECT_EQ(query.Request(), BuildOscRateRequest(4));
  EXPECT_EQ(query.DelayMs(), 0u);
  EXPECT_EQ(query.Answer(WithCrc({4, 0x13, 25})).outcome, CardOutcome::Done);
  EXPECT_EQ(query.Rate(), 25);

  OscRateQuery silent(4);
  const CardStep step = silent.Answer({});
  EXPECT_EQ(step.outcome, CardOutcome::BadAnswer);
  EXPECT_EQ(step.message, "ошибка CRC");
}

}  // namespace
}  // namespace quillon

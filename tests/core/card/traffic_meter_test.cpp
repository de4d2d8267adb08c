// The transfer window's figures on each tick.
#include "card/traffic_meter.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(TrafficMeter, SpeedIsFourTimesTheBytesOfATickAndDecaysByAQuarter) {
  TransferCounters counters;
  TrafficMeter meter;
  counters.bytes = 230;
  EXPECT_EQ(meter.Tick(counters).speed, "920 Байт/сек");
  // Nothing moves: 920 - 230, 690 - 172, ...
  std::vector<std::uint32_t> speeds;
  for (int i = 0; i < 4; ++i) speeds.push_back((meter.Tick(counters), meter.Speed()));
  EXPECT_EQ(speeds, (std::vector<std::uint32_t>{690, 518, 389, 292}));
  // It does not stick at a few bytes per second: once a quarter is below a byte it is 0.
  int ticks = 0;
  while (meter.Speed() != 0 && ticks < 100) {
    meter.Tick(counters);
    ++ticks;
  }
  EXPECT_EQ(meter.Speed(), 0u);
  EXPECT_EQ(meter.Tick(counters).speed, "0 Байт/сек");
  counters.bytes = 690;
  EXPECT_EQ(meter.Speed(), 0u);
  EXPECT_EQ(meter.Tick(counters).speed, "1840 Байт/сек");
}

TEST(TrafficMeter, PercentOnlyForAnUploadAndErrorsAgainstAnswers) {
  TransferCounters counters;
  TrafficMeter meter;
  counters.bytes = 230;
  counters.answers = 3;
  counters.errors = 1;
  TrafficTexts texts = meter.Tick(counters);
  EXPECT_EQ(texts.bytes, "230 ");
  EXPECT_EQ(texts.blocks, "3");
  EXPECT_EQ(texts.errors, "1 (33%)");
  counters.Reset(300);
  counters.bytes = 230;
  texts = meter.Tick(counters);
  EXPECT_EQ(texts.bytes, "230 (76%)");
  EXPECT_EQ(texts.errors, "0");  // no answers yet: no percentage
}

TEST(TrafficMeter, ANewTransferIsNoMovement) {
  TransferCounters counters;
  TrafficMeter meter;
  counters.bytes = 4600;
  meter.Tick(counters);
  counters.Reset();
  meter.Tick(counters);
  EXPECT_LT(meter.Speed(), 4600u * 4);
}

}  // namespace
}  // namespace quillon

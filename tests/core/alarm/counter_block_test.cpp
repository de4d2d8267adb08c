#include "alarm/counter_block.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillon {
namespace {

TEST(CounterBlockTest, DecodesLittleEndianWordsAndWorkTimes) {
  std::vector<std::uint8_t> bytes(kCounterBlockLength, 0);
  bytes[0] = 0x34;
  bytes[1] = 0x12;
  bytes[2] = 9;
  for (int cause = 0; cause < kTripCauses; ++cause)
    bytes[4 + 2 * static_cast<std::size_t>(cause)] = static_cast<std::uint8_t>(cause + 1);
  bytes[21] = 0x01;  // technological protection: 0x0109
  bytes[22] = 0xEE;  // not shown
  bytes[30] = 0x7B;
  bytes[32] = 0x10;
  bytes[33] = 0x0E;  // 3600
  bytes[39] = 0x01;  // 1 << 24
  bytes[40] = 0xFF;
  bytes[41] = 0xFF;
  bytes[42] = 0xFF;
  bytes[43] = 0xFF;
  const CounterBlock block = DecodeCounterBlock(bytes);
  EXPECT_EQ(block.starts, 0x1234);
  EXPECT_EQ(block.trips, 9);
  EXPECT_EQ(block.causes[0], 1);
  EXPECT_EQ(block.causes[7], 8);
  EXPECT_EQ(block.causes[8], 0x0109);
  EXPECT_EQ(block.lastRecord, 0x7B);
  EXPECT_EQ(block.motorSeconds, 3600u);
  EXPECT_EQ(block.maintenanceSeconds, 1u << 24);
  EXPECT_EQ(block.unitSeconds, 0xFFFFFFFFu);

  bytes.pop_back();
  EXPECT_EQ(DecodeCounterBlock(bytes).starts, 0) << "a short block is none";
}

TEST(CounterBlockTest, WorkTimeHasUnlimitedHoursAndTwoDigitMinutesAndSeconds) {
  EXPECT_EQ(WorkTimeText(0), "0:00:00");
  EXPECT_EQ(WorkTimeText(3600 + 5 * 60 + 9), "1:05:09");
  EXPECT_EQ(WorkTimeText(0xFFFFFFFFu), "1193046:28:15");
}

TEST(CounterBlockTest, BarsShareTheFullWidthAndStayEmptyWithoutTrips) {
  std::array<std::uint16_t, kTripCauses> causes{};
  causes[0] = 3;
  causes[1] = 1;
  EXPECT_EQ(TripBarWidths(causes, 0), (std::array<int, kTripCauses>{})) << "no division by a zero total";

  const auto widths = TripBarWidths(causes, 4);
  EXPECT_EQ(widths[0], 88) << "87.75";
  EXPECT_EQ(widths[1], 29) << "29.25";
  EXPECT_EQ(widths[2], 0);

  causes = {};
  causes[0] = 1;
  causes[4] = 2;
  EXPECT_EQ(TripBarWidths(causes, 2)[0], 58) << "58.5 rounds to the even neighbour";
  EXPECT_EQ(TripBarWidths(causes, 2)[4], kFullBarWidth);
}

}  // namespace
}  // namespace quillon

#include "text/datetime.h"

#include <gtest/gtest.h>

namespace quillon {

TEST(DateTime, EpochAndKnownDays) {
  EXPECT_EQ(EncodeDateTime({1899, 12, 30}), 0.0);
  EXPECT_EQ(EncodeDateTime({1900, 1, 1}), 2.0);
  EXPECT_EQ(EncodeDateTime({2010, 5, 1}), 40299.0);
  DateTimeParts noon{2010, 5, 1, 12, 0, 0, 0};
  EXPECT_DOUBLE_EQ(EncodeDateTime(noon), 40299.5);
}

TEST(DateTime, FixedFormatsAndMidnightRule) {
  const DateTime value = EncodeDateTime({2026, 3, 7, 9, 5, 4, 0});
  EXPECT_EQ(ShortDateText(value), "07.03.2026");
  EXPECT_EQ(LongTimeText(value), "09:05:04");
  EXPECT_EQ(DateTimeText(value), "07.03.2026 09:05:04");
  EXPECT_EQ(DateTimeText(EncodeDateTime({2026, 3, 7})), "07.03.2026");
}

TEST(DateTime, ParsesItsOwnTextsOnly) {
  const auto parsed = ParseDateTimeText("07.03.2026 09:05:04");
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(DateTimeText(*parsed), "07.03.2026 09:05:04");
  EXPECT_TRUE(ParseDateTimeText("31.12.1999").has_value());
  EXPECT_FALSE(ParseDateTimeText("31.02.2020").has_value());
  EXPECT_FALSE(ParseDateTimeText("2020-01-01").has_value());
  EXPECT_FALSE(ParseDateTimeText("01.01.2020 25:00").has_value());
}

TEST(DateTime, DecodeRoundsToMillisecondsAcrossMidnight) {
  const DateTime almost = EncodeDateTime({2020, 2, 28}) + 0.99999999999;
  const auto parts = DecodeDateTime(almost);
  EXPECT_EQ(parts.day, 29);
  EXPECT_EQ(parts.hour, 0);
}

}  // namespace quillon

#include "alarm/controller_clock.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

// 14:07:09 on Tuesday 5 March 2024 as the controller holds it.
constexpr ClockFields kTuesday{0x09, 0x07, 0x14, 3, 0x05, 0x03, 0x24};

TEST(ControllerClockTest, TextShowsTheFieldsOrDashesForAnyFieldOutOfRange) {
  EXPECT_EQ(ClockText(kTuesday), "14:07:09 ВТОРНИК     05.03.2024");
  ClockFields sunday = kTuesday;
  sunday[3] = 1;
  EXPECT_EQ(ClockText(sunday), "14:07:09 ВОСКРЕСЕНЬЕ 05.03.2024") << "the longest name fills its column";
  sunday[3] = 0;
  EXPECT_EQ(ClockText(sunday), "14:07:09 - 05.03.2024");

  const struct {
    int field;
    std::uint8_t value;
  } wrong[] = {{6, 0x06}, {3, 8}, {2, 0x24}, {1, 0x60}, {0, 0x60}, {4, 0x32}, {5, 0x13}};
  for (const auto& [field, value] : wrong) {
    ClockFields clock = kTuesday;
    clock[static_cast<std::size_t>(field)] = value;
    EXPECT_EQ(ClockText(clock), "---") << "field " << field << " = " << int(value);
  }
  ClockFields lastValid = kTuesday;
  lastValid[6] = 0x07;
  lastValid[3] = 7;
  EXPECT_EQ(ClockText(lastValid), "14:07:09 СУББОТА     05.03.2007");
}

TEST(ControllerClockTest, CalibrationStepsWrapTheMagnitudeAndKeepTheSign) {
  EXPECT_EQ(CalibrationText(0x05), "+5");
  EXPECT_EQ(CalibrationText(0x25), "-5");
  EXPECT_EQ(CalibrationText(StepCalibration(0x3F, -1)), "-0") << "-31 - 1";
  EXPECT_EQ(StepCalibration(0x3F, -1), 0x20);
  EXPECT_EQ(CalibrationText(StepCalibration(0x1F, +1)), "+0") << "+31 + 1";
  EXPECT_EQ(StepCalibration(0x1F, +1), 0x00);
  EXPECT_EQ(CalibrationText(StepCalibration(0x00, -1)), "-1") << "through zero";
  EXPECT_EQ(CalibrationText(StepCalibration(0x21, +1)), "+0") << "-1 + 1";
  EXPECT_EQ(CalibrationText(StepCalibration(0x24, +1)), "-3");
}

TEST(ControllerClockTest, ClockSetFrameCarriesTheCalibrationAndTheTimeInBcd) {
  const DateTime when = EncodeDateTime({2024, 3, 5, 14, 7, 9, 0});
  const std::array<std::uint8_t, 12> expected{0xA5, 0x09, 0x0A, 0x25, 0x09, 0x07, 0x14, 3, 0x05, 0x03, 0x24, 0x5A};
  EXPECT_EQ(BuildClockSetFrame(0x25, when), expected);
  // Sunday is 1 and Saturday 7, whatever the day's time.
  EXPECT_EQ(ControllerWeekday(EncodeDateTime({2024, 3, 3, 23, 59, 59, 0})), 1);
  EXPECT_EQ(ControllerWeekday(EncodeDateTime({2024, 3, 9, 0, 0, 0, 0})), 7);
  EXPECT_EQ(ControllerWeekday(EncodeDateTime({1899, 12, 29, 12, 0, 0, 0})), 6) << "before day 0";
}

}  // namespace
}  // namespace quillon

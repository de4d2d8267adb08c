#include "alarm/controller_clock.h"

#include <cmath>
#include <cstdlib>

namespace quillon {

namespace {

// Indexed by the day-of-week byte; padded so the date after it stays in one column.
const char* const kDayNames[] = {"-",           "ВОСКРЕСЕНЬЕ", "ПОНЕДЕЛЬНИК", "ВТОРНИК    ",
                                 "СРЕДА      ", "ЧЕТВЕРГ    ", "ПЯТНИЦА    ", "СУББОТА    "};

bool ClockValid(const ClockFields& c) {
  return c[0] <= 0x59 && c[1] <= 0x59 && c[2] <= 0x23 && c[3] <= 7 && c[4] <= 0x31 && c[5] <= 0x12 && c[6] >= 0x07;
}

}  // namespace

std::string BcdText(std::uint8_t bcd) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[bcd >> 4], kDigits[bcd & 0x0F]};
}

std::uint8_t BcdByte(int value) { return static_cast<std::uint8_t>(((value / 10 % 10) << 4) | (value % 10)); }

std::string ClockText(const ClockFields& clock) {
  if (!ClockValid(clock)) return "---";
  return BcdText(clock[2]) + ":" + BcdText(clock[1]) + ":" + BcdText(clock[0]) + " " + kDayNames[clock[3]] + " " +
         BcdText(clock[4]) + "." + BcdText(clock[5]) + ".20" + BcdText(clock[6]);
}

std::string CalibrationText(std::uint8_t calibration) {
  return std::string((calibration & kCalibrationNegative) != 0 ? "-" : "+") +
         std::to_string(calibration & kCalibrationMagnitude);
}

std::uint8_t StepCalibration(std::uint8_t calibration, int step) {
  const int magnitude = calibration & kCalibrationMagnitude;
  const int value = ((calibration & kCalibrationNegative) != 0 ? -magnitude : magnitude) + step;
  const auto stored = static_cast<std::uint8_t>(std::abs(value) % 32);
  return value < 0 ? static_cast<std::uint8_t>(stored | kCalibrationNegative) : stored;
}

int ControllerWeekday(DateTime when) {
  // Day 0, 30 December 1899, was a Saturday. Before it the day is the integral part and the
  // fraction the time of day, so truncation finds the day.
  const auto day = static_cast<long long>(std::trunc(when));
  return static_cast<int>(((day + 6) % 7 + 7) % 7) + 1;
}

std::array<std::uint8_t, kClockSetFrameLength> BuildClockSetFrame(std::uint8_t calibration, DateTime when) {
  const DateTimeParts p = DecodeDateTime(when);
  return {0xA5,
          0x09,
          kSetClockCommand,
          calibration,
          BcdByte(p.second),
          BcdByte(p.minute),
          BcdByte(p.hour),
          static_cast<std::uint8_t>(ControllerWeekday(when)),
          BcdByte(p.day),
          BcdByte(p.month),
          BcdByte(p.year % 100),
          0x5A};
}

}  // namespace quillon

#pragma once
// The controller's battery-backed clock as the alarm buffer tool reads and sets it: a block of
// nine bytes in XRAM (calibration, then BCD seconds, minutes, hours, day of week, day, month,
// year within the century) and the set-clock command that carries the first eight of them.
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "text/datetime.h"

namespace quillon {

inline constexpr std::uint16_t kClockBlockAddress = 0x063F;  // XRAM
inline constexpr int kClockBlockLength = 9;
inline constexpr std::uint8_t kSetClockCommand = 0x0A;
inline constexpr std::size_t kClockSetFrameLength = 12;

// Calibration byte: magnitude in bits 0-4, bit 5 set for a negative value.
inline constexpr std::uint8_t kCalibrationMagnitude = 0x1F;
inline constexpr std::uint8_t kCalibrationNegative = 0x20;

// Seconds, minutes, hours, day of week (1 = Sunday), day, month, year: bytes 1-7 of the block.
using ClockFields = std::array<std::uint8_t, 7>;

// "hh:mm:ss DAYNAME dd.mm.20yy", or "---" when a field is out of its range.
std::string ClockText(const ClockFields& clock);
// "-" or "+" and the magnitude.
std::string CalibrationText(std::uint8_t calibration);
// The calibration moved by `step` (+1 or -1); the magnitude wraps modulo 32 and keeps the sign
// of the result, so -31 - 1 gives "-0" and +31 + 1 gives "+0".
std::uint8_t StepCalibration(std::uint8_t calibration, int step);

// Day of week as the controller counts it: 1 = Sunday to 7 = Saturday.
int ControllerWeekday(DateTime when);
// A5 09 0A, the calibration, the seven clock fields of `when`, 5A.
std::array<std::uint8_t, kClockSetFrameLength> BuildClockSetFrame(std::uint8_t calibration, DateTime when);

// Two decimal digits as one BCD byte, and back to the two characters the display shows.
std::uint8_t BcdByte(int value);
std::string BcdText(std::uint8_t bcd);

}  // namespace quillon

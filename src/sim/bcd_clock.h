#pragma once
// The controller's battery-backed clock: BCD fields in XRAM, running at the PC's pace from the
// moment the set-clock command last set it. Like a hardware clock chip it counts the day of week
// on its own, so a weekday that disagrees with the date is kept as it was set.
#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <span>

namespace quillon::sim {

inline constexpr std::uint16_t kClockAddress = 0x063F;  // in XRAM
inline constexpr std::size_t kClockBlockSize = 9;
// What the set-clock command carries: calibration, then the seven time fields.
inline constexpr std::size_t kClockSetSize = 8;
inline constexpr std::uint8_t kCalibrationBits = 0x3F;  // magnitude in bits 0-4, bit 5 negative

// Seconds, minutes, hours, day of week (1 = Sunday), day, month, year within the century.
using BcdStamp = std::array<std::uint8_t, 7>;

std::uint8_t ToBcd(int value);
// Nothing when a nibble is not a decimal digit.
std::optional<int> FromBcd(std::uint8_t bcd);

// The stamp of local time `at`; `weekdayShift` days are added to the day of week only.
BcdStamp StampOf(std::time_t at, int weekdayShift = 0);

class BcdClock {
 public:
  // The clock block at PC time `now`.
  std::array<std::uint8_t, kClockBlockSize> Block(std::time_t now) const;
  // What the clock shows at PC time `now`, as a log record stamps it.
  BcdStamp Stamp(std::time_t now) const { return StampOf(now + offset_, weekdayShift_); }
  // From the bytes of a set-clock command; false, and nothing changed, when they are not a time
  // the clock can hold (20xx years only).
  bool Set(std::span<const std::uint8_t> block, std::time_t now);
  std::uint8_t Calibration() const { return calibration_; }

 private:
  std::int64_t offset_ = 0;  // clock time minus PC time, seconds
  int weekdayShift_ = 0;
  std::uint8_t calibration_ = 0;
};

}  // namespace quillon::sim

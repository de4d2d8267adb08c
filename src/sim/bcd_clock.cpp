#include "sim/bcd_clock.h"

#include "text/datetime.h"

namespace quillon::sim {

std::uint8_t ToBcd(int value) { return static_cast<std::uint8_t>(((value / 10) % 10) << 4 | (value % 10)); }

std::optional<int> FromBcd(std::uint8_t bcd) {
  const int high = bcd >> 4;
  const int low = bcd & 0x0F;
  if (high > 9 || low > 9) return std::nullopt;
  return high * 10 + low;
}

BcdStamp StampOf(std::time_t at, int weekdayShift) {
  std::tm parts{};
  ::localtime_r(&at, &parts);
  const int weekday = (parts.tm_wday + weekdayShift) % 7 + 1;
  return {ToBcd(parts.tm_sec % 60),           ToBcd(parts.tm_min),  ToBcd(parts.tm_hour),
          static_cast<std::uint8_t>(weekday), ToBcd(parts.tm_mday), ToBcd(parts.tm_mon + 1),
          ToBcd(parts.tm_year % 100)};
}

std::array<std::uint8_t, kClockBlockSize> BcdClock::Block(std::time_t now) const {
  const BcdStamp stamp = Stamp(now);
  std::array<std::uint8_t, kClockBlockSize> block{};
  block[0] = calibration_;
  for (std::size_t i = 0; i < stamp.size(); ++i) block[i + 1] = stamp[i];
  return block;
}

bool BcdClock::Set(std::span<const std::uint8_t> block, std::time_t now) {
  if (block.size() < kClockSetSize) return false;
  const auto second = FromBcd(block[1]);
  const auto minute = FromBcd(block[2]);
  const auto hour = FromBcd(block[3]);
  const int weekday = block[4];
  const auto day = FromBcd(block[5]);
  const auto month = FromBcd(block[6]);
  const auto year = FromBcd(block[7]);
  if (!second || !minute || !hour || !day || !month || !year) return false;
  if (*second > 59 || *minute > 59 || *hour > 23 || weekday < 1 || weekday > 7) return false;
  if (!IsValidDate(2000 + *year, *month, *day)) return false;
  std::tm parts{};
  parts.tm_sec = *second;
  parts.tm_min = *minute;
  parts.tm_hour = *hour;
  parts.tm_mday = *day;
  parts.tm_mon = *month - 1;
  parts.tm_year = 100 + *year;
  parts.tm_isdst = -1;
  const std::time_t set = std::mktime(&parts);
  if (set == static_cast<std::time_t>(-1)) return false;
  offset_ = static_cast<std::int64_t>(set) - static_cast<std::int64_t>(now);
  weekdayShift_ = (weekday - 1 - parts.tm_wday + 7) % 7;
  calibration_ = block[0] & kCalibrationBits;
  return true;
}

}  // namespace quillon::sim

#include "text/datetime.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace quillon {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date, and back.
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& year, int& month, int& day) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long y = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

const long long kEpochOffset = DaysFromCivil(1899, 12, 30);

}  // namespace

bool IsValidDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const int limit = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
  return day <= limit;
}

DateTime EncodeDateTime(const DateTimeParts& p) {
  const double days = static_cast<double>(
      DaysFromCivil(p.year, static_cast<unsigned>(p.month), static_cast<unsigned>(p.day)) - kEpochOffset);
  const double time = (p.hour * 3600000.0 + p.minute * 60000.0 + p.second * 1000.0 + p.millisecond) / 86400000.0;
  // Before the epoch the fraction still counts forward within the day, as the format has it.
  return days >= 0 ? days + time : days - time;
}

DateTimeParts DecodeDateTime(DateTime value) {
  DateTimeParts parts;
  if (!std::isfinite(value)) return parts;
  double whole = std::trunc(value);
  double fraction = std::fabs(value - whole);
  long long ms = std::llround(fraction * 86400000.0);
  if (ms >= 86400000) {
    ms -= 86400000;
    whole += value >= 0 ? 1 : -1;
  }
  CivilFromDays(static_cast<long long>(whole) + kEpochOffset, parts.year, parts.month, parts.day);
  parts.hour = static_cast<int>(ms / 3600000);
  parts.minute = static_cast<int>(ms / 60000 % 60);
  parts.second = static_cast<int>(ms / 1000 % 60);
  parts.millisecond = static_cast<int>(ms % 1000);
  return parts;
}

DateTime NowDateTime() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm local{};
  localtime_r(&now.tv_sec, &local);
  DateTimeParts p;
  p.year = local.tm_year + 1900;
  p.month = local.tm_mon + 1;
  p.day = local.tm_mday;
  p.hour = local.tm_hour;
  p.minute = local.tm_min;
  p.second = local.tm_sec;
  p.millisecond = static_cast<int>(now.tv_nsec / 1000000);
  return EncodeDateTime(p);
}

DateTime TodayDate() { return std::trunc(NowDateTime()); }

std::string ShortDateText(DateTime value) {
  const auto p = DecodeDateTime(value);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d", p.day, p.month, p.year);
  return buffer;
}

std::string LongTimeText(DateTime value) {
  const auto p = DecodeDateTime(value);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", p.hour, p.minute, p.second);
  return buffer;
}

std::string DateTimeText(DateTime value) {
  const auto p = DecodeDateTime(value);
  if (p.hour == 0 && p.minute == 0 && p.second == 0 && p.millisecond == 0) return ShortDateText(value);
  return ShortDateText(value) + " " + LongTimeText(value);
}

std::optional<DateTime> ParseDateTimeText(std::string_view text) {
  DateTimeParts p;
  int consumed = 0;
  const std::string s(text);
  if (std::sscanf(s.c_str(), "%2d.%2d.%4d%n", &p.day, &p.month, &p.year, &consumed) != 3) return std::nullopt;
  if (!IsValidDate(p.year, p.month, p.day)) return std::nullopt;
  std::string rest = s.substr(static_cast<std::size_t>(consumed));
  if (!rest.empty()) {
    int timeConsumed = 0;
    const int fields = std::sscanf(rest.c_str(), " %2d:%2d%n:%2d%n", &p.hour, &p.minute, &timeConsumed, &p.second, &timeConsumed);
    if (fields < 2 || p.hour > 23 || p.minute > 59 || p.second > 59 || p.hour < 0 || p.minute < 0 || p.second < 0) {
      return std::nullopt;
    }
    if (fields == 2) p.second = 0;
    for (std::size_t i = static_cast<std::size_t>(timeConsumed); i < rest.size(); ++i) {
      if (rest[i] != ' ') return std::nullopt;
    }
  }
  return EncodeDateTime(p);
}

}  // namespace quillon

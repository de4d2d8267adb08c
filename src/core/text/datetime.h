#pragma once
// Date-time values as the controllers and the device files count them: days since
// 30 December 1899 with the time of day as the fraction. Texts use the system's fixed
// formats: short date dd.MM.yyyy, long time HH:mm:ss.
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

using DateTime = double;

struct DateTimeParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

DateTime EncodeDateTime(const DateTimeParts& parts);
DateTimeParts DecodeDateTime(DateTime value);
bool IsValidDate(int year, int month, int day);

// Local wall-clock time now.
DateTime NowDateTime();
DateTime TodayDate();

std::string ShortDateText(DateTime value);  // dd.MM.yyyy
std::string LongTimeText(DateTime value);   // HH:mm:ss
// Short date, a blank and long time; the time is left out at midnight exactly.
std::string DateTimeText(DateTime value);

// Reads "dd.MM.yyyy" optionally followed by " HH:mm[:ss]"; nullopt when it is not one.
std::optional<DateTime> ParseDateTimeText(std::string_view text);

}  // namespace quillon

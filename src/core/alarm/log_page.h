#pragma once
// The controller's event log: 32 pages of 16 records of 64 bytes, read one record at a time.
// A record is a BCD time stamp, 55 bytes of process data (an image of the device's variables
// from the lowest address on), the event bits and the alarm bits of the moment.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "text/datetime.h"

namespace quillon {

inline constexpr int kLogPages = 32;
inline constexpr int kLogPageRecords = 16;
inline constexpr int kLogRecordLength = 64;
inline constexpr int kProcessDataLength = 55;
inline constexpr std::uint8_t kLogReadCommand = 0x0B;
inline constexpr std::size_t kLogReadFrameLength = 7;

// Seconds, minutes, hours, day of week, day, month, year, all BCD.
using LogStamp = std::array<std::uint8_t, 7>;

struct LogRecord {
  std::uint8_t index = 0;
  DateTime stamp = 0.0;
  std::array<std::uint8_t, kProcessDataLength> process{};
  std::uint8_t events = 0;
  std::uint8_t alarms = 0;
};

struct LogPage {
  std::uint8_t number = 0;
  std::array<LogRecord, kLogPageRecords> records{};
};

// What a stamp that is no date stands for.
inline constexpr const char* kFallbackStampText = "21.03.2006 08:00:00";

// The stamp as a date-time; the fallback when a field is out of range or the text it makes is
// no date.
DateTime StampDateTime(const LogStamp& stamp);

// `bytes` holds at least kLogRecordLength bytes (the answer buffer, whatever the answer's length).
LogRecord DecodeLogRecord(std::span<const std::uint8_t> bytes, int index);

int NextLogPage(int page);
int PreviousLogPage(int page);
std::uint16_t LogRecordAddress(int page, int index);
// A5 04 0B, the record's address (high byte first), 00, 5A.
std::array<std::uint8_t, kLogReadFrameLength> BuildLogReadFrame(int page, int index);

// Newest first: a selection sort that moves the earliest remaining record to the highest
// remaining index.
void SortNewestFirst(LogPage& page);

// The lines of the three log lists of a sorted page, each list padded with empty lines to the
// length of the longest, so rows stay aligned side by side.
struct LogPageLines {
  std::vector<std::string> interval;
  std::vector<std::string> events;
  std::vector<std::string> alarms;
};
LogPageLines PageLines(const LogPage& page);

// The event text of a bit as the list shows it, padded with blanks to 7 characters.
std::string EventListText(int bit);
std::string AlarmListText(int bit);

// The texts of the set bits as the spreadsheet export joins them: events of bits 0 to 4 (bits 5
// to 7 have no export text), alarms of all eight bits, every text after the first bit's led by
// a blank.
std::string EventExportText(std::uint8_t events);
std::string AlarmExportText(std::uint8_t alarms);

}  // namespace quillon

#include "alarm/log_page.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillon {
namespace {

DateTime At(int day, int hour, int minute, int second) {
  return EncodeDateTime({2024, 3, day, hour, minute, second, 0});
}

std::vector<std::uint8_t> RecordBytes(const LogStamp& stamp, std::uint8_t events, std::uint8_t alarms) {
  std::vector<std::uint8_t> bytes(kLogRecordLength, 0);
  std::copy(stamp.begin(), stamp.end(), bytes.begin());
  for (int i = 0; i < kProcessDataLength; ++i)
    bytes[7 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i + 1);
  bytes[62] = events;
  bytes[63] = alarms;
  return bytes;
}

TEST(LogPageTest, StampsBecomeDateTimesOrTheFallback) {
  const DateTime fallback = EncodeDateTime({2006, 3, 21, 8, 0, 0, 0});
  EXPECT_EQ(StampDateTime({0x09, 0x07, 0x14, 3, 0x05, 0x03, 0x24}), At(5, 14, 7, 9));
  EXPECT_EQ(StampDateTime({0x59, 0x59, 0x23, 0, 0x31, 0x12, 0x99}), EncodeDateTime({2099, 12, 31, 23, 59, 59, 0}))
      << "the day of week plays no part";
  const LogStamp wrong[] = {
      {0x09, 0x07, 0x14, 3, 0x05, 0x03, 0x06},     // year before 2007
      {0x09, 0x07, 0x14, 3, 0x05, 0x13, 0x24},     // month 13
      {0x60, 0x07, 0x14, 3, 0x05, 0x03, 0x24},     // second 60
      {0x09, 0x07, 0x24, 3, 0x05, 0x03, 0x24},     // hour 24
      {0x09, 0x07, 0x14, 3, 0x31, 0x02, 0x24},     // 31 February passes the ranges but is no date
      {0x09, 0x07, 0x14, 3, 0x00, 0x03, 0x24},     // day 0
      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},  // erased memory
  };
  for (const LogStamp& stamp : wrong) EXPECT_EQ(StampDateTime(stamp), fallback);
}

TEST(LogPageTest, RecordKeepsItsProcessDataEventsAndAlarms) {
  const LogRecord record = DecodeLogRecord(RecordBytes({0x09, 0x07, 0x14, 3, 0x05, 0x03, 0x24}, 0x12, 0x80), 7);
  EXPECT_EQ(record.index, 7);
  EXPECT_EQ(record.stamp, At(5, 14, 7, 9));
  EXPECT_EQ(record.process.front(), 1);
  EXPECT_EQ(record.process.back(), 55);
  EXPECT_EQ(record.events, 0x12);
  EXPECT_EQ(record.alarms, 0x80);
}

TEST(LogPageTest, PagesWrapBothWaysAndRecordsLieAtTheirAddresses) {
  EXPECT_EQ(PreviousLogPage(0), 31);
  EXPECT_EQ(NextLogPage(31), 0);
  EXPECT_EQ(NextLogPage(0), 1);
  EXPECT_EQ(PreviousLogPage(31), 30);
  EXPECT_EQ(LogRecordAddress(0, 0), 0x0400);
  EXPECT_EQ(LogRecordAddress(1, 2), 0x0880);
  EXPECT_EQ(LogRecordAddress(31, 15), 0x83C0);
  const std::array<std::uint8_t, 7> frame{0xA5, 0x04, 0x0B, 0x83, 0xC0, 0x00, 0x5A};
  EXPECT_EQ(BuildLogReadFrame(31, 15), frame);
}

TEST(LogPageTest, SortPutsTheNewestRecordFirst) {
  LogPage page;
  // A circular log: the page is written from the middle on, older records behind.
  for (int i = 0; i < kLogPageRecords; ++i) {
    page.records[static_cast<std::size_t>(i)].index = static_cast<std::uint8_t>(i);
    page.records[static_cast<std::size_t>(i)].stamp = At(5, 10, (i + 9) % kLogPageRecords, 0);
  }
  SortNewestFirst(page);
  for (int i = 0; i + 1 < kLogPageRecords; ++i) {
    EXPECT_GT(page.records[static_cast<std::size_t>(i)].stamp, page.records[static_cast<std::size_t>(i) + 1].stamp)
        << i;
  }
  EXPECT_EQ(page.records.front().index, 6) << "minute 15";
  EXPECT_EQ(page.records.back().index, 7) << "minute 0";
}

TEST(LogPageTest, ListsShowOldestFirstAndArePaddedToTheLongest) {
  LogPage page;
  page.number = 3;
  for (int i = 0; i < kLogPageRecords; ++i) page.records[static_cast<std::size_t>(i)].stamp = At(5, 10, 15 - i, 0);
  page.records[15].events = 0x11;  // ОТКЛ and ВКЛ
  page.records[15].alarms = 0x02;
  page.records[0].events = 0x02;
  page.records[0].alarms = 0xC0;
  page.records[3].events = 0x80;

  const LogPageLines lines = PageLines(page);
  const std::vector<std::string> interval{"Страница: 3", " c 05.03.2024 10:00:00", "по 05.03.2024 10:15:00", ""};
  EXPECT_EQ(lines.interval, interval);
  const std::vector<std::string> events{"ОТКЛ    05.03.2024 10:00:00", "ВКЛ     05.03.2024 10:00:00",
                                        "?       05.03.2024 10:12:00", "ABAР    05.03.2024 10:15:00"};
  EXPECT_EQ(lines.events, events);
  const std::vector<std::string> alarms{"05.03.2024 10:00:00 АСИНХРОННЫЙ ХОД",
                                        "05.03.2024 10:15:00 Аварийный стоп (кнопка)",
                                        "05.03.2024 10:15:00 Технологическая авария", ""};
  EXPECT_EQ(lines.alarms, alarms);

  // Without events the page interval is the longest list.
  for (auto& record : page.records) record.events = record.alarms = 0;
  const LogPageLines quiet = PageLines(page);
  EXPECT_EQ(quiet.events, std::vector<std::string>(3));
  EXPECT_EQ(quiet.alarms, std::vector<std::string>(3));
  EXPECT_EQ(EventListText(2), "CPU ON ");
  EXPECT_EQ(EventListText(3), "CPU OFF");
}

}  // namespace
}  // namespace quillon

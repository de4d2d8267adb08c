#include "events/buffer_files.h"

#include <gtest/gtest.h>

#include "event_test_files.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::AppendEvent;
using testing::AppendU32;
using testing::TempDir;
using testing::WriteBytes;

std::vector<EventDescription> Descriptions() {
  return {{10, "Пуск", kEventInformation, "Двигатель"}, {11, "Перегрев", kEventWarning, ""}};
}

TEST(EventFileTest, EmptyAndUndescribedRecordsAreSkippedAndAPartialTailIgnored) {
  std::vector<std::uint8_t> bytes;
  AppendEvent(bytes, 0x01020304, 10, 3, 5, 0xBEEF);
  AppendEvent(bytes, 1, 10, 0, 0);  // empty
  AppendEvent(bytes, 2, 99, 0, 6);  // no description
  AppendEvent(bytes, 300, 11, 255, 31);
  bytes.insert(bytes.end(), {0x01, 0x00, 0x00, 0x00, 10, 0, 1, 1, 1, 1, 1});  // partial

  TempDir dir;
  WriteBytes(dir / "event.edat", bytes);
  std::vector<ShownEvent> events;
  const BufferRead read = ReadEventFile(dir / "event.edat", Descriptions(), events);
  ASSERT_TRUE(read.opened);
  EXPECT_EQ(read.partialBytes, 11u);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].record.position, 0x01020304u);
  EXPECT_EQ(events[0].record.trailer, 0xBEEF);
  EXPECT_EQ(events[1].record.position, 300u);
  EXPECT_EQ(events[1].record.value, 255);

  EXPECT_EQ(EventGridRow(events[0]), (GridRow{"2", "5.3.2024", "9:5:7", "Двигатель", "Пуск=3"}));
  EXPECT_EQ(EventGridRow(events[1]), (GridRow{"1", "31.3.2024", "9:5:7", "", "Перегрев=255"}));
  EXPECT_EQ(EventGridHeader(), (GridRow{"F", "Дата", "Время", "Событие", "Инициатор"}));
  EXPECT_FALSE(ReadEventFile(dir / "none.edat", Descriptions(), events).opened);
}

TEST(EventFileTest, FieldsArePlainNumbersNotBcd) {
  const std::uint8_t raw[16] = {0, 0, 0, 0, 1, 0, 0, 0x59, 0x10, 0x23, 0x12, 0x11, 0x25, 0, 0, 0};
  const EventRecord record = ParseEventRecord(std::span<const std::uint8_t, 16>(raw));
  EXPECT_EQ(EventDateText(record), "18.17.2037");
  EXPECT_EQ(EventTimeText(record), "35:16:89");
}

TEST(StatFileTest, FirstValueBelongsToTheFirstEntryAndAShortFileLeavesZeros) {
  std::vector<StatEntry> entries(3);
  entries[2].value = 77;
  std::vector<std::uint8_t> bytes;
  AppendU32(bytes, 0xFFFFFFFF);
  AppendU32(bytes, 12345);
  bytes.push_back(9);  // partial
  TempDir dir;
  WriteBytes(dir / "stat.dat", bytes);
  const BufferRead read = ReadStatFile(dir / "stat.dat", entries);
  ASSERT_TRUE(read.opened);
  EXPECT_EQ(read.partialBytes, 1u);
  EXPECT_EQ(entries[0].value, 0xFFFFFFFFu);
  EXPECT_EQ(entries[1].value, 12345u);
  EXPECT_EQ(entries[2].value, 0u);

  entries[0].number = 4;
  entries[0].name = "Starts";
  entries[0].description = "Число пусков";
  EXPECT_EQ(StatGridRow(entries[0]), (GridRow{"4", "Starts", "4294967295", "Число пусков"}));
}

TEST(BufferKindTest, EventRecordsAreKnownByTheirDatesWhateverTheFileIsCalled) {
  std::vector<std::uint8_t> events;
  AppendEvent(events, 5, 10, 1, 5);
  AppendEvent(events, 0, 0, 0, 0);  // an unused record
  AppendEvent(events, 6, 11, 2, 31);
  EXPECT_EQ(EventKindOf(events, 3), BufferKind::Events);
  EXPECT_EQ(EventKindOf(events, 12), BufferKind::Events) << "even when its size fits the STAT section";

  std::vector<std::uint8_t> partial = events;
  partial.push_back(0);
  EXPECT_EQ(EventKindOf(partial, 3), BufferKind::Statistics) << "no whole records";
  std::vector<std::uint8_t> badTime = events;
  badTime[16 * 2 + 9] = 24;  // hour 24
  EXPECT_EQ(EventKindOf(badTime, 3), BufferKind::Statistics);
  std::vector<std::uint8_t> badDate = events;
  badDate[16 * 2 + 11] = 2;  // 31 February
  EXPECT_EQ(EventKindOf(badDate, 3), BufferKind::Statistics);

  // Counters read as records: day and month are the high half of the third of every four
  // values, where 3,456,000 puts day 52.
  std::vector<std::uint8_t> stat;
  for (std::uint32_t value : {12u, 3600u, 3456000u, 0u, 0xFFFFFFFFu, 0x12345678u, 1u, 2u}) AppendU32(stat, value);
  EXPECT_EQ(EventKindOf(stat, 8), BufferKind::Statistics);
  EXPECT_EQ(EventKindOf(stat, 4), BufferKind::Statistics);
  std::vector<std::uint8_t> small;  // no day byte set at all
  for (std::uint32_t value : {12u, 3600u, 7u, 0u}) AppendU32(small, value);
  EXPECT_EQ(EventKindOf(small, 2), BufferKind::Statistics);

  const std::vector<std::uint8_t> zeros(32, 0);
  EXPECT_EQ(EventKindOf(zeros, 3), BufferKind::Events) << "an emptied event buffer";
  EXPECT_EQ(EventKindOf(zeros, 8), BufferKind::Statistics) << "eight counters at zero";
  EXPECT_EQ(EventKindOf({}, 3), BufferKind::Statistics);
}

TEST(StatFileTest, ASizeOtherThanOneValuePerEntryIsToldWithBothCounts) {
  EXPECT_EQ(StatSizeWarning(4012, 4),
            "Файл статистики не совпадает с описанием: значений в файле: 1003, описано в секции STAT: 4");
  EXPECT_EQ(
      StatSizeWarning(18, 4),
      "Файл статистики не совпадает с описанием: значений в файле: 4, описано в секции STAT: 4, лишних байтов: 2");
  EXPECT_EQ(StatSizeWarning(16, 4), std::nullopt);
  EXPECT_EQ(StatSizeWarning(0, 0), std::nullopt);

  TempDir dir;
  WriteBytes(dir / "stat.dat", std::vector<std::uint8_t>(4012, 1));
  std::vector<StatEntry> entries(4);
  EXPECT_EQ(ReadStatFile(dir / "stat.dat", entries).bytes, 4012u) << "the size the warning is judged by";
}

}  // namespace
}  // namespace quillon

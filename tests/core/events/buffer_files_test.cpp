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
}

TEST(EventFileTest, FieldsArePlainNumbersNotBcd) {
  const std::uint8_t raw[16] = {0, 0, 0, 0, 1, 0, 0, 0x59, 0x10, 0x23, 0x12, 0x11, 0x25, 0, 0, 0};
  const EventRecord record = ParseEventRecord(std::span<const std::uint8_t, 16>(raw));
  EXPECT_EQ(EventDateText(record), "18.17.2037");
  EXPECT_EQ(EventTimeText(record), "35:16:89");
}

TEST(EventFileTest, MissingFileIsNotOpened) {
  TempDir dir;
  std::vector<ShownEvent> events;
  EXPECT_FALSE(ReadEventFile(dir / "none.edat", Descriptions(), events).opened);
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

}  // namespace
}  // namespace quillon

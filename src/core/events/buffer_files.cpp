#include "events/buffer_files.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "text/datetime.h"

namespace quillon {

namespace {

std::uint32_t U32At(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::uint16_t U16At(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

EventRecord ParseEventRecord(std::span<const std::uint8_t, kEventRecordSize> bytes) {
  EventRecord record;
  record.position = U32At(bytes, 0);
  record.code = U16At(bytes, 4);
  record.value = bytes[6];
  record.seconds = bytes[7];
  record.minutes = bytes[8];
  record.hours = bytes[9];
  record.day = bytes[10];
  record.month = bytes[11];
  record.year = bytes[12];
  record.trailer = U16At(bytes, 14);
  return record;
}

std::string EventDateText(const EventRecord& record) {
  return std::to_string(record.day) + "." + std::to_string(record.month) + "." + std::to_string(2000 + record.year);
}

std::string EventTimeText(const EventRecord& record) {
  return std::to_string(record.hours) + ":" + std::to_string(record.minutes) + ":" + std::to_string(record.seconds);
}

std::vector<ShownEvent> DescribedEvents(std::span<const std::uint8_t> bytes,
                                        const std::vector<EventDescription>& descriptions) {
  std::vector<ShownEvent> events;
  for (std::size_t at = 0; at + kEventRecordSize <= bytes.size(); at += kEventRecordSize) {
    const EventRecord record = ParseEventRecord(bytes.subspan(at).first<kEventRecordSize>());
    const EventDescription* description = FindEventDescription(descriptions, record.code);
    if (description == nullptr || record.day == 0) continue;
    events.push_back({record, *description});
  }
  return events;
}

BufferKind EventKindOf(std::span<const std::uint8_t> bytes, std::size_t statCount) {
  if (bytes.empty() || bytes.size() % kEventRecordSize != 0) return BufferKind::Statistics;
  bool dated = false;
  for (std::size_t at = 0; at < bytes.size(); at += kEventRecordSize) {
    const EventRecord record = ParseEventRecord(bytes.subspan(at).first<kEventRecordSize>());
    if (record.day == 0) continue;
    const bool real = IsValidDate(2000 + record.year, record.month, record.day) && record.hours < 24 &&
                      record.minutes < 60 && record.seconds < 60;
    if (!real) return BufferKind::Statistics;
    dated = true;
  }
  if (dated) return BufferKind::Events;
  const bool zeros = std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t byte) { return byte == 0; });
  return zeros && bytes.size() != statCount * kStatValueSize ? BufferKind::Events : BufferKind::Statistics;
}

std::optional<std::string> StatSizeWarning(std::size_t fileBytes, std::size_t described) {
  if (fileBytes == described * kStatValueSize) return std::nullopt;
  std::string text =
      "Файл статистики не совпадает с описанием: значений в файле: " + std::to_string(fileBytes / kStatValueSize) +
      ", описано в секции STAT: " + std::to_string(described);
  if (const std::size_t partial = fileBytes % kStatValueSize; partial != 0) {
    text += ", лишних байтов: " + std::to_string(partial);
  }
  return text;
}

BufferRead ReadEventFile(const std::string& path, const std::vector<EventDescription>& descriptions,
                         std::vector<ShownEvent>& events) {
  const auto bytes = ReadWholeFile(path);
  if (!bytes) return {};
  events = DescribedEvents(*bytes, descriptions);
  return {true, bytes->size() % kEventRecordSize, bytes->size()};
}

void AssignStatValues(std::span<const std::uint8_t> bytes, std::vector<StatEntry>& entries) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::size_t at = i * kStatValueSize;
    entries[i].value = at + kStatValueSize <= bytes.size() ? U32At(bytes, at) : 0;
  }
}

BufferRead ReadStatFile(const std::string& path, std::vector<StatEntry>& entries) {
  const auto bytes = ReadWholeFile(path);
  if (!bytes) return {};
  AssignStatValues(*bytes, entries);
  return {true, bytes->size() % kStatValueSize, bytes->size()};
}

GridRow StatGridHeader() { return {"F", "Счётчик", "Значение", "Описание"}; }

GridRow StatGridRow(const StatEntry& entry) {
  return {std::to_string(entry.number), entry.name, std::to_string(entry.value), entry.description};
}

GridRow EventGridHeader() { return {"F", "Дата", "Время", "Событие", "Инициатор"}; }

GridRow EventGridRow(const ShownEvent& event) {
  return {std::to_string(event.description.eventClass), EventDateText(event.record), EventTimeText(event.record),
          event.description.columnText, event.description.text + "=" + std::to_string(event.record.value)};
}

}  // namespace quillon

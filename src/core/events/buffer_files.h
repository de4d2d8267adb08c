#pragma once
// The controller's statistics file (one u32 per STAT entry) and event file (16-byte records), and
// the rows the window's grids show of them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "events/descriptions.h"

namespace quillon {

inline constexpr std::size_t kStatValueSize = 4;
inline constexpr std::size_t kEventRecordSize = 16;

struct EventRecord {
  std::uint32_t position = 0;  // of the event's record in the oscillogram file
  std::uint16_t code = 0;
  std::uint8_t value = 0;
  std::uint8_t seconds = 0;
  std::uint8_t minutes = 0;
  std::uint8_t hours = 0;
  std::uint8_t day = 0;  // 0: the record is empty
  std::uint8_t month = 0;
  std::uint8_t year = 0;  // since 2000
  std::uint16_t trailer = 0;
};

EventRecord ParseEventRecord(std::span<const std::uint8_t, kEventRecordSize> bytes);
// "d.m.yyyy" and "h:m:s", without leading zeros.
std::string EventDateText(const EventRecord& record);
std::string EventTimeText(const EventRecord& record);

struct ShownEvent {
  EventRecord record;
  EventDescription description;
};

// What a buffer file gave: the bytes of a partial last item are ignored and counted.
struct BufferRead {
  bool opened = false;
  std::size_t partialBytes = 0;
  std::size_t bytes = 0;  // the file's size
};

enum class BufferKind { Events, Statistics };

// Which of the two files `bytes` are, for a file whose name does not say (a copy kept as .dat
// or .bak). Events when the file is whole 16-byte records, every record either unused (day 0,
// as the event grid skips it) or carrying a real date and time, and at least one dated: a
// statistics file's counters practically never line up as such dates in every record. A file
// with no dated record shows no event either way; it is an emptied event buffer only when it
// is all zeros and its size is not that of the `statCount` values the device describes, and
// statistics otherwise.
BufferKind EventKindOf(std::span<const std::uint8_t> bytes, std::size_t statCount);

// The warning for a statistics file of `fileBytes` whose size is not one value per entry of
// the `described` STAT entries (missing values are shown as 0, extra ones not at all), e.g.
// "Файл статистики не совпадает с описанием: значений в файле: 1, описано в секции STAT: 4";
// nothing when they agree.
std::optional<std::string> StatSizeWarning(std::size_t fileBytes, std::size_t described);

// The described, non-empty records of an event file, in file order.
BufferRead ReadEventFile(const std::string& path, const std::vector<EventDescription>& descriptions,
                         std::vector<ShownEvent>& events);
std::vector<ShownEvent> DescribedEvents(std::span<const std::uint8_t> bytes,
                                        const std::vector<EventDescription>& descriptions);

// Values of the statistics file into the entries in list order; entries past the end of a short
// file keep the value 0.
BufferRead ReadStatFile(const std::string& path, std::vector<StatEntry>& entries);
void AssignStatValues(std::span<const std::uint8_t> bytes, std::vector<StatEntry>& entries);

// The grids' texts, header row first.
using GridRow = std::vector<std::string>;
GridRow StatGridHeader();
GridRow StatGridRow(const StatEntry& entry);
GridRow EventGridHeader();
GridRow EventGridRow(const ShownEvent& event);

inline constexpr const char* kBufferFileMissingText = "Файл .dat или .bak отсутствует.";
inline constexpr const char* kFileOpenFailedText = "Ошибка открытия файла";
// A download that did not bring the file: nothing of an older copy is shown in its place.
inline constexpr const char* kNotReceivedText = "Файл не принят от контроллера.";

// The whole file; nothing when it cannot be read.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path);

}  // namespace quillon

#pragma once
// The device file's descriptions of the controller's statistics counters (section STAT) and of
// its events (section EVENTS).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

inline constexpr std::string_view kStatSection = "STAT";
inline constexpr std::string_view kEventsSection = "EVENTS";

inline constexpr int kEventAlarm = 0;
inline constexpr int kEventWarning = 1;
inline constexpr int kEventInformation = 2;

struct StatEntry {
  std::string name;
  std::string description;
  std::int64_t number = 0;  // the "F" column
  std::uint32_t value = 0;
};

struct EventDescription {
  std::uint32_t code = 0;
  std::string text;
  int eventClass = kEventAlarm;
  std::string columnText;
};

// A description list as read, with the message to show when it could not be had (the list is
// then empty and not loaded).
template <typename Entry>
struct DescriptionList {
  std::vector<Entry> entries;
  bool loaded = false;
  std::string message;
};

// Entries from the last line of STAT to the first: the order the statistics file stores them in.
DescriptionList<StatEntry> ReadStatDescriptions(const std::string& devicePath);
// One description per line of EVENTS, in file order; lines whose key is no decimal code are left
// out.
DescriptionList<EventDescription> ReadEventDescriptions(const std::string& devicePath);

// The description of `code`: the line nearest the top of the section.
const EventDescription* FindEventDescription(const std::vector<EventDescription>& descriptions, std::uint32_t code);

// The class a class letter stands for; anything but "w" and "i" is an alarm.
int EventClassOf(std::string_view letter);

inline constexpr const char* kStatSectionMissingText = "Секция статистики отсутствует или не заполнена";
inline constexpr const char* kEventsDeviceMissingText = "Файл ini для описания событий отсутствует";
inline constexpr const char* kEventsSectionMissingText = "Секция событий отсутствует или не заполнена";
// "Файл устройства (ini) отсутствует!", a line break and the path.
std::string StatDeviceMissingMessage(const std::string& devicePath);

}  // namespace quillon

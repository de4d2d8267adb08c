#include "events/descriptions.h"

#include <algorithm>

#include "platform/files.h"
#include "platform/ini_document.h"
#include "text/items.h"
#include "text/numbers.h"

namespace quillon {

namespace {

struct KeyAndParts {
  std::string key;
  std::vector<std::string> parts;
};

KeyAndParts SplitLine(const std::string& line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string::npos) return {line, {}};
  return {line.substr(0, equals), SplitItems(std::string_view(line).substr(equals + 1))};
}

const std::string& Part(const std::vector<std::string>& parts, std::size_t index) {
  static const std::string empty;
  return index < parts.size() ? parts[index] : empty;
}

std::optional<std::uint32_t> DecimalCode(const std::string& key) {
  if (key.empty() || !std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  const auto value = TryReadInteger(key);
  if (!value || *value > 0xFFFFFFFF) return std::nullopt;
  return static_cast<std::uint32_t>(*value);
}

}  // namespace

std::string StatDeviceMissingMessage(const std::string& devicePath) {
  return "Файл устройства (ini) отсутствует!\n" + devicePath;
}

int EventClassOf(std::string_view letter) {
  if (letter == "w") return kEventWarning;
  if (letter == "i") return kEventInformation;
  return kEventAlarm;
}

DescriptionList<StatEntry> ReadStatDescriptions(const std::string& devicePath) {
  DescriptionList<StatEntry> list;
  if (!FileExists(devicePath)) {
    list.message = StatDeviceMissingMessage(devicePath);
    return list;
  }
  const std::vector<std::string> lines = IniDocument::Load(devicePath).SectionLines(kStatSection);
  if (lines.empty()) {
    list.message = kStatSectionMissingText;
    return list;
  }
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    KeyAndParts split = SplitLine(*line);
    StatEntry entry;
    entry.name = std::move(split.key);
    entry.number = TryReadInteger(Trimmed(Part(split.parts, 1))).value_or(0);
    entry.description = Part(split.parts, 3);
    list.entries.push_back(std::move(entry));
  }
  list.loaded = true;
  return list;
}

DescriptionList<EventDescription> ReadEventDescriptions(const std::string& devicePath) {
  DescriptionList<EventDescription> list;
  if (!FileExists(devicePath)) {
    list.message = kEventsDeviceMissingText;
    return list;
  }
  const std::vector<std::string> lines = IniDocument::Load(devicePath).SectionLines(kEventsSection);
  if (lines.empty()) {
    list.message = kEventsSectionMissingText;
    return list;
  }
  for (const std::string& line : lines) {
    KeyAndParts split = SplitLine(line);
    const auto code = DecimalCode(split.key);
    if (!code) continue;
    EventDescription description;
    description.code = *code;
    description.text = Part(split.parts, 0);
    description.eventClass = EventClassOf(Part(split.parts, 1));
    if (split.parts.size() >= 4) description.columnText = split.parts[3];
    list.entries.push_back(std::move(description));
  }
  list.loaded = true;
  return list;
}

const EventDescription* FindEventDescription(const std::vector<EventDescription>& descriptions, std::uint32_t code) {
  const auto found = std::find_if(descriptions.begin(), descriptions.end(),
                                  [code](const EventDescription& d) { return d.code == code; });
  return found == descriptions.end() ? nullptr : &*found;
}

}  // namespace quillon

#include "scope/record_info.h"

#include <cmath>
#include <fstream>
#include <memory>
#include <utility>

#include "text/cp1251.h"
#include "text/items.h"
#include "variables/registry.h"
#include "variables/special/time_mark.h"

namespace quillon {

namespace {

constexpr std::string_view kBinaryHeader = "[binarydata]";
constexpr std::string_view kMissingDescription = "...";

// A record from elsewhere may carry anything in its time bytes.
bool IsShowableTime(DateTime time) { return std::isfinite(time) && time >= -693593.0 && time <= 2958466.0; }

std::string TimeTextOrPlaceholder(const TTimeMark* mark, int index) {
  if (mark == nullptr) return std::string(kNoRecordTimeText);
  const DateTime time = mark->TimeAt(index);
  return IsShowableTime(time) ? RecordTimeText(time) : std::string(kNoRecordTimeText);
}

const TTimeMark* FindTimeMark(const TViewList& list) {
  for (const auto& variable : list.Variables) {
    if (variable->IsTimeMark()) return dynamic_cast<const TTimeMark*>(variable.get());
  }
  return nullptr;
}

}  // namespace

IniDocument ReadRecordText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string text;
  std::string line;
  // Only a line of its own ends the text: a DEVICE value may well read "[binarydata]".
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == kBinaryHeader) break;
    text += line;
    text += '\n';
  }
  return IniDocument::FromText(Cp1251ToUtf8(text));
}

std::string RecordTimeText(DateTime time) { return LongTimeText(time) + "  [" + ShortDateText(time) + "]"; }

std::vector<std::string> RecordInfoLines(const IniDocument& record, const TViewList& list, int samples) {
  const TTimeMark* mark = FindTimeMark(list);
  return {
      "Начало записи: " + TimeTextOrPlaceholder(mark, 1),
      "Конец записи:  " + TimeTextOrPlaceholder(mark, samples - 1),
      "Место установки: " + record.Value("DEVICE", "Location", ""),
      "Механизм: " + record.Value("DEVICE", "Description", ""),
      "Идентификатор устройства (ID): " + record.Value("DEVICE", "ID", ""),
      "Количество точек: " + std::to_string(samples),
  };
}

std::vector<std::string> RecordSourceEntries(const IniDocument& record) {
  std::vector<std::string> entries;
  for (const std::string& line : record.SectionLines("paralist")) {
    const std::vector<std::string> items = SplitItems(line);
    const bool described = items.size() > 1 && !items[1].empty();
    entries.push_back(items[0] + " - " + (described ? items[1] : std::string(kMissingDescription)));
  }
  return entries;
}

std::vector<std::string> RecordDestEntries(const TViewList& list) {
  std::vector<std::string> entries;
  for (const auto& variable : list.Variables) {
    if (!variable->IsTimeMark())
      entries.push_back(variable->Definition().Key + "=" + variable->Definition().Name + " - " +
                        variable->Definition().Description);
  }
  return entries;
}

std::string EntryKey(std::string_view entry) { return LineKey(entry); }

void ReorderByKeys(TViewList& list, const std::vector<std::string>& keys) {
  std::vector<std::unique_ptr<TView>> ordered;
  auto& variables = list.Variables;
  for (auto& variable : variables) {
    if (variable->IsTimeMark()) ordered.push_back(std::move(variable));
  }
  for (const std::string& key : keys) {
    for (auto& variable : variables) {
      if (variable != nullptr && SameTextIgnoringCase(variable->Definition().Key, key)) {
        ordered.push_back(std::move(variable));
        break;
      }
    }
  }
  variables = std::move(ordered);
}

}  // namespace quillon

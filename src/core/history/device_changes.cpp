#include "history/device_changes.h"

#include <optional>

#include "platform/ini_document.h"
#include "text/cp1251.h"
#include "text/items.h"
#include "workspace/device_file.h"
#include "workspace/identification.h"

namespace quillon {

namespace {

IniDocument FromFileBytes(std::string_view bytes) { return IniDocument::FromText(Cp1251ToUtf8(bytes)); }

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  for (const std::string& other : names)
    if (SameTextIgnoringCase(other, name)) return true;
  return false;
}

void AddChange(std::string_view section, const std::string& key, const std::optional<std::string>& before,
               const std::optional<std::string>& after, std::vector<DeviceChange>& changes) {
  if (std::optional<DeviceChange> change = DescribeChange(section, key, before, after))
    changes.push_back(std::move(*change));
}

void CompareSection(const IniDocument& before, const IniDocument& after, const std::string& section,
                    std::vector<DeviceChange>& changes) {
  const std::vector<std::string> afterKeys = after.KeyNames(section);
  for (const std::string& key : afterKeys) {
    const std::string newValue = after.Value(section, key, "");
    const std::optional<std::string> oldValue = before.Value(section, key);
    if (!oldValue || *oldValue != newValue) AddChange(section, key, oldValue, newValue, changes);
  }
  for (const std::string& key : before.KeyNames(section)) {
    if (!Contains(afterKeys, key)) AddChange(section, key, before.Value(section, key, ""), std::nullopt, changes);
  }
}

std::string LastItemOf(const std::string& value) {
  const std::vector<std::string> items = SplitItems(value);
  return items.empty() ? std::string() : items.back();
}

// Both "/"-lists alike up to their last item: only the chosen or base value changed.
bool OnlyLastItemDiffers(const std::string& before, const std::string& after) {
  std::vector<std::string> a = SplitItems(before);
  std::vector<std::string> b = SplitItems(after);
  if (a.size() != b.size() || a.size() < 2) return false;
  a.pop_back();
  b.pop_back();
  return a == b;
}

DeviceChange ByLastItem(std::string label, const std::optional<std::string>& before,
                        const std::optional<std::string>& after) {
  if (before && after && !OnlyLastItemDiffers(*before, *after)) return {std::move(label), *before, *after};
  return {std::move(label), before ? LastItemOf(*before) : std::string(), after ? LastItemOf(*after) : std::string()};
}

std::optional<Identification> IdOf(const IniDocument& document) {
  const std::optional<std::string> id = document.Value(kDeviceSection, "ID");
  return id ? ParseIdentification(*id) : std::nullopt;
}

}  // namespace

std::optional<DeviceChange> DescribeChange(std::string_view section, const std::string& key,
                                           const std::optional<std::string>& before,
                                           const std::optional<std::string>& after) {
  const std::string oldText = before.value_or("");
  const std::string newText = after.value_or("");
  if (SameTextIgnoringCase(section, kDeviceSection)) {
    if (SameTextIgnoringCase(key, "LastDateTime")) return std::nullopt;
    if (SameTextIgnoringCase(key, "Description")) return DeviceChange{"Механизм", oldText, newText};
    if (SameTextIgnoringCase(key, "Location")) return DeviceChange{"Место установки", oldText, newText};
    return DeviceChange{key, oldText, newText};
  }
  const bool isList = oldText.find('/') != std::string::npos || newText.find('/') != std::string::npos;
  if (SameTextIgnoringCase(section, kVarsSection))
    return isList ? ByLastItem(key, before, after) : DeviceChange{"Шкала " + key, oldText, newText};
  // A definition line: "Name/Description/Type/.../base value/".
  const std::vector<std::string> items = SplitItems(after ? newText : oldText);
  if (!isList || items.size() < 3 || Trimmed(items.front()).empty()) return DeviceChange{key, oldText, newText};
  return ByLastItem(Trimmed(items.front()), before, after);
}

std::vector<DeviceChange> CompareDeviceFiles(std::string_view beforeBytes, std::string_view afterBytes) {
  const IniDocument before = FromFileBytes(beforeBytes);
  const IniDocument after = FromFileBytes(afterBytes);
  std::vector<DeviceChange> changes;
  const std::vector<std::string> afterSections = after.SectionNames();
  for (const std::string& section : afterSections) CompareSection(before, after, section, changes);
  for (const std::string& section : before.SectionNames()) {
    if (!Contains(afterSections, section)) CompareSection(before, after, section, changes);
  }
  return changes;
}

std::string ChangeLine(const DeviceChange& change) { return change.key + ": " + change.before + " -> " + change.after; }

std::string VersionMessage(std::string_view fileName, std::string_view beforeBytes, std::string_view afterBytes) {
  const std::vector<DeviceChange> changes = CompareDeviceFiles(beforeBytes, afterBytes);
  std::optional<Identification> id = IdOf(FromFileBytes(afterBytes));
  if (!id) id = IdOf(FromFileBytes(beforeBytes));
  std::string message = id ? id->serial + " " + DeviceTypeKey(*id) : std::string(fileName);
  message += ": " + std::to_string(changes.size()) + " changes\n";
  // A blank line after the first, so git's own tools take that line as the subject.
  if (!changes.empty()) message += "\n";
  for (const DeviceChange& change : changes) message += ChangeLine(change) + "\n";
  return message;
}

}  // namespace quillon

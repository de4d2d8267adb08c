#include "history/device_changes.h"

#include <optional>

#include "platform/ini_document.h"
#include "text/cp1251.h"
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

void CompareSection(const IniDocument& before, const IniDocument& after, const std::string& section,
                    std::vector<DeviceChange>& changes) {
  const std::vector<std::string> afterKeys = after.KeyNames(section);
  for (const std::string& key : afterKeys) {
    const std::string newValue = after.Value(section, key, "");
    const std::optional<std::string> oldValue = before.Value(section, key);
    if (!oldValue || *oldValue != newValue) changes.push_back({key, oldValue.value_or(""), newValue});
  }
  for (const std::string& key : before.KeyNames(section)) {
    if (!Contains(afterKeys, key)) changes.push_back({key, before.Value(section, key, ""), ""});
  }
}

std::optional<Identification> IdOf(const IniDocument& document) {
  const std::optional<std::string> id = document.Value(kDeviceSection, "ID");
  return id ? ParseIdentification(*id) : std::nullopt;
}

}  // namespace

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

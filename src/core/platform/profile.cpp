#include "platform/profile.h"

#include "text/numbers.h"

namespace quillon {

std::string ReadProfileString(const std::string& path, std::string_view section, std::string_view key,
                              std::string_view fallback) {
  return IniDocument::Load(path).Value(section, key, fallback);
}

int ReadProfileInt(const std::string& path, std::string_view section, std::string_view key, int fallback) {
  const auto value = IniDocument::Load(path).Value(section, key);
  if (!value) return fallback;
  const auto number = TryReadInteger(*value);
  if (!number || *number < INT32_MIN || *number > INT32_MAX) return fallback;
  return static_cast<int>(*number);
}

void WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
  auto doc = IniDocument::LoadForEdit(path);
  doc.SetValue(section, key, value);
  doc.Save(path);
}

void EraseProfileSection(const std::string& path, std::string_view section) {
  auto doc = IniDocument::LoadForEdit(path);
  if (!doc.HasSection(section)) return;
  doc.EraseSection(section);
  doc.Save(path);
}

std::vector<std::string> ProfileSectionNames(const std::string& path) { return IniDocument::Load(path).SectionNames(); }

std::vector<std::string> ProfileKeyNames(const std::string& path, std::string_view section) {
  return IniDocument::Load(path).KeyNames(section);
}

std::vector<std::string> ProfileSectionLines(const std::string& path, std::string_view section) {
  return IniDocument::Load(path).SectionLines(section);
}

}  // namespace quillon

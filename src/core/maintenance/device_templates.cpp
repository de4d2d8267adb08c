#include "maintenance/device_templates.h"

#include <stdexcept>

#include "maintenance/safe_files.h"
#include "platform/files.h"

namespace quillon {

TemplateEntry ParseTemplateName(std::string_view fileName) {
  TemplateEntry entry;
  const auto dot = fileName.rfind('.');
  if (dot == std::string_view::npos) {
    entry.typeName = std::string(fileName);
    return entry;
  }
  entry.typeName = std::string(fileName.substr(0, dot));
  const std::string_view versions = fileName.substr(dot + 1);
  const auto underscore = versions.rfind('_');
  if (underscore == std::string_view::npos) {
    entry.deviceVersion = std::string(versions);
  } else {
    entry.deviceVersion = std::string(versions.substr(0, underscore));
    entry.firmwareVersion = std::string(versions.substr(underscore + 1));
  }
  return entry;
}

std::string TemplateVersionTag(std::string_view deviceVersion, std::string_view firmwareVersion) {
  std::string tag = "v";
  tag.append(deviceVersion);
  tag += '.';
  tag.append(firmwareVersion);
  return tag;
}

std::string TemplateVersionTag(const TemplateEntry& entry) {
  return TemplateVersionTag(entry.deviceVersion, entry.firmwareVersion);
}

std::string TemplateFileName(const Identification& id) {
  return id.deviceType + "." + id.deviceVersion + "_" + id.firmwareVersion;
}

std::vector<TemplateEntry> ListDeviceTemplates(const WorkspacePaths& paths) {
  std::vector<TemplateEntry> entries;
  const auto names = ListFiles(paths.deviceTemplate, "*.*", false);
  for (auto name = names.rbegin(); name != names.rend(); ++name) {
    if (name->front() == '.') continue;
    TemplateEntry entry = ParseTemplateName(*name);
    entry.path = paths.deviceTemplate + *name;
    entries.push_back(std::move(entry));
  }
  return entries;
}

int MatchingTemplate(const std::vector<TemplateEntry>& entries, const Identification& id) {
  const std::string wanted = id.deviceType + TemplateVersionTag(id.deviceVersion, id.firmwareVersion);
  for (int i = static_cast<int>(entries.size()) - 1; i >= 0; --i) {
    const TemplateEntry& entry = entries[static_cast<std::size_t>(i)];
    if (entry.typeName + TemplateVersionTag(entry) == wanted) return i;
  }
  return -1;
}

int TemplateByTypeName(const std::vector<TemplateEntry>& entries, std::string_view typeName) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].typeName == typeName) return static_cast<int>(i);
  }
  return -1;
}

std::string AddDeviceTemplate(const WorkspacePaths& paths, const std::string& source, const Identification& id) {
  const std::string name = TemplateFileName(id);
  // The name comes from the controller: it must not place the template outside DeviceTemplate/.
  if (!IsPlainFileName(name) || id.deviceType.empty()) {
    throw std::runtime_error("Недопустимое имя шаблона: " + name);
  }
  if (!EnsureDirectory(paths.deviceTemplate)) {
    throw std::runtime_error("Не удалось создать папку " + PathForDisplay(paths.deviceTemplate));
  }
  const std::string target = paths.deviceTemplate + name;
  ReplaceFileByCopy(source, target);
  return target;
}

}  // namespace quillon

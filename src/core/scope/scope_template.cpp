#include "scope/scope_template.h"

#include "platform/files.h"
#include "platform/profile.h"
#include "workspace/device_file.h"
#include "workspace/identification.h"

namespace quillon {

std::optional<std::string> ScopeTemplateName(std::string_view idText) {
  const auto id = ParseIdentification(idText);
  if (!id) return std::nullopt;
  const std::string name = DeviceTypeKey(*id) + "_" + id->firmwareVersion + ".scp";
  if (name.find_first_of("/\\") != std::string::npos) return std::nullopt;
  return name;
}

std::optional<std::string> ScopeTemplatePath(const std::string& devicePath, const WorkspacePaths& paths) {
  const std::string directory = paths.ScopeTemplate();
  if (!EnsureDirectory(directory)) return std::nullopt;
  if (devicePath.empty()) return std::nullopt;
  const auto name = ScopeTemplateName(ReadProfileString(devicePath, kDeviceSection, "ID"));
  if (!name) return std::nullopt;
  return directory + *name;
}

}  // namespace quillon

#include "maintenance/new_device.h"

#include <fstream>
#include <stdexcept>

#include "maintenance/device_file_replace.h"
#include "maintenance/safe_files.h"
#include "platform/files.h"
#include "platform/ini_document.h"
#include "workspace/device_file.h"

namespace quillon {

std::string NewDeviceFilePath(const WorkspacePaths& paths, const TemplateEntry& entry, const std::string& serial) {
  return paths.devices + entry.typeName + entry.deviceVersion + "/" + serial + ".ini";
}

std::optional<std::string> AddDeviceToBase(const WorkspacePaths& paths, const TemplateEntry& entry,
                                           const NewDeviceFields& fields, DateTime today) {
  const std::string group = entry.typeName + entry.deviceVersion;
  if (entry.typeName.empty() || !IsPlainFileName(group)) return std::nullopt;
  if (!IsPlainFileName(fields.serial)) {
    throw std::runtime_error("Серийный номер \"" + fields.serial + "\" не годится для имени файла устройства");
  }
  // Read before anything is touched: an unreadable template must not cost the old file.
  if (!FileExists(entry.path) || !std::ifstream(NormalizeSeparators(entry.path), std::ios::binary)) {
    throw std::runtime_error("Не удалось прочитать шаблон " + PathForDisplay(entry.path));
  }
  IniDocument device = IniDocument::Load(NormalizeSeparators(entry.path));
  if (!EnsureDirectory(paths.devices + group)) return std::nullopt;

  const std::string target = NewDeviceFilePath(paths, entry, fields.serial);
  PrepareDeviceFileReplace(paths, target, fields.id, fields.replaceOtherDevice);
  device.SetValue(kDeviceSection, "ID", fields.id);
  device.SetValue(kDeviceSection, "Location", fields.location);
  device.SetValue(kDeviceSection, "Description", fields.description);
  device.SetValue(kDeviceSection, "LastDateTime", ShortDateText(today));
  // Saved through a temporary file and a rename: the target is the old file or the new one.
  device.Save(target);
  return target;
}

}  // namespace quillon

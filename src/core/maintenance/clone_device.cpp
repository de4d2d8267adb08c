#include "maintenance/clone_device.h"

#include <fstream>
#include <stdexcept>

#include "maintenance/device_file_replace.h"
#include "maintenance/safe_files.h"
#include "platform/files.h"
#include "platform/ini_document.h"
#include "workspace/device_file.h"
#include "workspace/identification.h"

namespace quillon {

namespace {

const std::string kRule = "-------------------------------";

void TakeIdentity(CloneTarget& target) {
  if (const auto id = ParseIdentification(target.id)) {
    target.serial = id->serial;
    target.typeKey = DeviceTypeKey(*id);
  }
}

}  // namespace

CloneTarget CloneTargetOfFile(const std::string& path) {
  const IniDocument file = IniDocument::Load(NormalizeSeparators(path));
  CloneTarget target;
  target.id = file.Value(kDeviceSection, "ID", "");
  target.description = file.Value(kDeviceSection, "Description", "");
  target.location = file.Value(kDeviceSection, "Location", "");
  target.lastChange = file.Value(kDeviceSection, "LastDateTime", "");
  target.path = path;
  TakeIdentity(target);
  return target;
}

CloneTarget CloneTargetOfNewDevice(const std::string& id, const std::string& location, const std::string& description,
                                   const std::string& path, DateTime today) {
  CloneTarget target;
  target.id = id;
  target.location = location;
  target.description = description;
  target.lastChange = ShortDateText(today);
  target.path = path;
  TakeIdentity(target);
  return target;
}

std::vector<std::string> CloneInfoLines(const CloneTarget& target) {
  const Identification id = ParseIdentification(target.id).value_or(Identification{});
  std::vector<std::string> lines{
      "Механизм        : " + target.description,
      "Место установки : " + target.location,
      "Дата последнего изменения базы: " + target.lastChange,
      kRule,
      "Серийный номер   : " + id.serial,
      "Тип устройства   : " + target.typeKey,
      "Версия устройства: " + id.deviceVersion,
      "Версия прошивки  : " + id.firmwareVersion,
      "Дата прошивки    : " + id.firmwareDate,
      "Дополнительно    : " + id.extra,
      kRule,
  };
  if (!target.path.empty()) lines.push_back("Файл: " + PathForDisplay(target.path));
  return lines;
}

std::vector<std::string> DeviceTypeNames(const WorkspacePaths& paths) {
  std::vector<std::string> names;
  for (const std::string& directory : ListSubdirectories(paths.devices)) names.push_back(FileNameOf(directory));
  return names;
}

std::vector<CloneSourceRow> CloneSourceRows(const WorkspacePaths& paths, std::string_view typeName) {
  std::vector<CloneSourceRow> rows;
  if (!IsPlainFileName(typeName)) return rows;
  const auto files = ListFiles(paths.devices + std::string(typeName), "*.ini", true);
  for (auto file = files.rbegin(); file != files.rend(); ++file) {
    const IniDocument device = IniDocument::Load(*file);
    CloneSourceRow row;
    row.location = FirstLineValue(device.Lines(), "Location").value_or("");
    row.description = FirstLineValue(device.Lines(), "Description").value_or("");
    if (const auto id = ParseIdentification(FirstLineValue(device.Lines(), "ID").value_or(""))) {
      row.serial = id->serial;
      row.firmware = "v" + id->deviceVersion + "." + id->firmwareVersion;
    }
    row.path = *file;
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string CloneTargetPath(const WorkspacePaths& paths, const CloneTarget& target, const std::string& sourcePath) {
  if (!target.path.empty()) return target.path;
  if (!IsPlainFileName(target.serial)) {
    throw std::runtime_error("Серийный номер \"" + target.serial + "\" не годится для имени файла устройства");
  }
  if (IsBackupPath(paths, sourcePath)) {
    if (!IsPlainFileName(target.typeKey)) {
      throw std::runtime_error("Тип устройства \"" + target.typeKey + "\" не годится для имени папки");
    }
    return paths.devices + target.typeKey + "/" + target.serial + ".ini";
  }
  return DirectoryOf(NormalizeSeparators(sourcePath)) + target.serial + ".ini";
}

std::string ApplyClone(const WorkspacePaths& paths, CloneTarget& target, const std::string& selectedType,
                       const CloneChoice& choice, DateTime today) {
  const std::string source = NormalizeSeparators(choice.sourcePath);
  // Read before anything is touched: an unreadable source must not cost the target's file.
  if (!FileExists(source) || !std::ifstream(source, std::ios::binary)) {
    throw std::runtime_error("Не удалось прочитать файл " + PathForDisplay(choice.sourcePath));
  }
  IniDocument device = IniDocument::Load(source);
  // The type key is taken before the selected type replaces it: a new device's own group.
  const std::string targetPath = CloneTargetPath(paths, target, source);
  if (FileExists(targetPath)) {
    PrepareDeviceFileReplace(paths, targetPath, target.id, choice.replaceOtherDevice);
  } else if (!EnsureDirectory(DirectoryOf(targetPath))) {
    throw std::runtime_error("Не удалось создать папку " + PathForDisplay(DirectoryOf(targetPath)));
  }
  target.typeKey = selectedType;

  if (!choice.sourceLocation) device.SetValue(kDeviceSection, "Location", target.location);
  if (!choice.sourceDescription) device.SetValue(kDeviceSection, "Description", target.description);
  device.SetValue(kDeviceSection, "ID", target.id);
  device.SetValue(kDeviceSection, "LastDateTime", ShortDateText(today));
  device.Save(targetPath);
  target.path = targetPath;
  return targetPath;
}

}  // namespace quillon

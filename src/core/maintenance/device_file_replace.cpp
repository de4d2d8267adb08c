#include "maintenance/device_file_replace.h"

#include "platform/files.h"
#include "platform/ini_document.h"
#include "workspace/device_file.h"
#include "workspace/identification.h"

namespace quillon {

std::optional<DeviceFileClash> DeviceFileClashAt(const std::string& path, std::string_view newId) {
  if (!FileExists(path)) return std::nullopt;
  const std::string fileId = IniDocument::Load(path).Value(kDeviceSection, "ID", "");
  const auto held = ParseIdentification(fileId);
  if (!held) return std::nullopt;
  const auto coming = ParseIdentification(newId);
  if (coming && SameDevice(*held, *coming)) return std::nullopt;
  return DeviceFileClash{path, fileId, std::string(newId)};
}

std::string ClashQuestion(const DeviceFileClash& clash) {
  return "Файл " + PathForDisplay(clash.path) + " принадлежит другому устройству.\n\nВ файле: " + clash.fileId +
         "\nЗаписывается: " + clash.newId + "\n\nЗаменить файл другого устройства?";
}

DeviceFileClashError::DeviceFileClashError(DeviceFileClash clash)
    : std::runtime_error(ClashQuestion(clash)), clash_(std::move(clash)) {}

void PrepareDeviceFileReplace(const WorkspacePaths& paths, const std::string& path, std::string_view newId,
                              bool replaceOtherDevice) {
  if (!FileExists(path)) return;
  if (auto clash = DeviceFileClashAt(path, newId); clash && !replaceOtherDevice) {
    throw DeviceFileClashError(std::move(*clash));
  }
  const BackupOutcome backup = BackupDeviceFile(paths, path);
  if (!backup) {
    throw std::runtime_error("Резервная копия файла " + PathForDisplay(path) + " не сделана: " + backup.failure +
                             ".\nФайл не заменён.");
  }
  ClearReadOnly(path);
}

}  // namespace quillon

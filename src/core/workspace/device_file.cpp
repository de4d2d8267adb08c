#include "workspace/device_file.h"

#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "platform/ini_document.h"
#include "text/cp1251.h"
#include "text/items.h"
#include "workspace/identification.h"

namespace quillon {

std::optional<std::string> FirstLineValue(const std::vector<std::string>& lines, std::string_view key) {
  for (const auto& line : lines) {
    if (line.size() <= key.size()) continue;
    if (!SameTextIgnoringCase(std::string_view(line).substr(0, key.size()), key)) continue;
    // Blanks before "=" belong to no key name, as in the profile functions ("ID = ..." is ID).
    std::size_t equals = key.size();
    while (equals < line.size() && (line[equals] == ' ' || line[equals] == '\t')) ++equals;
    if (equals == line.size() || line[equals] != '=') continue;
    return Trimmed(std::string_view(line).substr(equals + 1));
  }
  return std::nullopt;
}

std::optional<std::string> FirstLineValue(const std::string& path, std::string_view key) {
  if (!FileExists(path)) return std::nullopt;
  return FirstLineValue(IniDocument::Load(path).Lines(), key);
}

TDeviceInfo4 ReadDeviceInfo(const std::string& path) {
  TDeviceInfo4 info;
  if (!FileExists(path)) return info;
  const auto doc = IniDocument::Load(path);
  const auto& lines = doc.Lines();
  info.path = path;
  info.location = FirstLineValue(lines, "Location").value_or("");
  info.description = FirstLineValue(lines, "Description").value_or("");
  info.lastDateTime = FirstLineValue(lines, "LastDateTime").value_or("");
  if (const auto id = ParseIdentification(FirstLineValue(lines, "ID").value_or(""))) {
    info.serial = id->serial;
    info.typeKey = DeviceTypeKey(*id);
    info.firmwareVersion = id->firmwareVersion;
    info.firmwareDate = id->firmwareDate;
    info.extra = id->extra;
  }
  return info;
}

DeviceSections ReadDeviceSections(const std::string& path, unsigned which) {
  DeviceSections sections;
  const auto doc = IniDocument::Load(path);
  if (which & kReadDevice) sections.device = doc.SectionLines(kDeviceSection);
  if (which & kReadVars) sections.vars = doc.SectionLines(kVarsSection);
  if (which & kReadFlash) sections.flash = doc.SectionLines("FLASH");
  if (which & kReadRam) sections.ram = doc.SectionLines("RAM");
  if (which & kReadCd) sections.cd = doc.SectionLines("CD");
  return sections;
}

std::vector<std::string> ReadParameterSection(const std::string& path, std::string_view sectionName) {
  return IniDocument::Load(path).SectionLines(sectionName);
}

DeviceMatch FindDeviceFile(const WorkspacePaths& paths, std::string_view idText) {
  const auto wanted = ParseIdentification(idText);
  if (!wanted) return {};

  // The last match visited wins, but a backup copy only when the device's own file is gone.
  DeviceMatch own;
  DeviceMatch backup;
  const auto groups = ListSubdirectories(paths.devices);
  for (auto group = groups.rbegin(); group != groups.rend(); ++group) {
    const auto files = ListFiles(*group, "*.ini", true);
    for (auto file = files.rbegin(); file != files.rend(); ++file) {
      const auto found = ParseIdentification(IniDocument::Load(*file).Value(kDeviceSection, "ID", ""));
      if (!found || !SameDevice(*found, *wanted)) continue;
      DeviceMatch& match = IsBackupPath(paths, *file) ? backup : own;
      match.path = *file;
      match.flags = (found->firmwareVersion != wanted->firmwareVersion ? kFirmwareVersionDiffers : 0) |
                    (found->firmwareDate != wanted->firmwareDate ? kFirmwareDateDiffers : 0);
      break;
    }
  }
  return own.path.empty() ? backup : own;
}

BackupOutcome BackupDeviceFile(const WorkspacePaths& paths, const std::string& path) {
  const std::string idText = IniDocument::Load(path).Value(kDeviceSection, "ID", "");
  const auto id = ParseIdentification(idText);
  if (!id) return {"идентификатор \"" + idText + "\" в файле " + PathForDisplay(path) + " не разобран"};
  // The identification string comes from the device or a hand-edited file: a separator in it
  // must not place the copy outside BackUp/.
  const std::string name = BackupFileName(*id);
  if (name.find_first_of("/\\") != std::string::npos) {
    return {"идентификатор \"" + idText + "\" не годится для имени копии"};
  }
  if (!EnsureDirectory(paths.BackUp())) {
    return {"не удалось создать папку " + PathForDisplay(paths.BackUp())};
  }
  const std::string target = paths.BackUp() + name;
  // Backing up the backup itself must not truncate it.
  std::error_code error;
  if (std::filesystem::equivalent(NormalizeSeparators(path), target, error)) return {};
  if (!CopyFileTo(path, target, true)) return {"не удалось записать копию " + PathForDisplay(target)};
  return {};
}

void RewriteVarsSection(const std::string& path, const std::vector<std::string>& lines) {
  auto doc = IniDocument::LoadForEdit(path);
  doc.ReplaceSection(kVarsSection, lines);
  doc.Save(path);
}

bool IsBackupPath(const WorkspacePaths& paths, const std::string& path) {
  const std::string backup = LowerCaseText(NormalizeSeparators(paths.BackUp()));
  return LowerCaseText(NormalizeSeparators(path)).find(backup) != std::string::npos;
}

}  // namespace quillon

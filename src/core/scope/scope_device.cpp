#include "scope/scope_device.h"

#include <cstdint>

#include "platform/files.h"
#include "platform/ini_document.h"
#include "scope/scope_file.h"
#include "text/items.h"
#include "text/numbers.h"
#include "variables/registry.h"
#include "variables/view_list.h"
#include "workspace/device_file.h"

namespace quillon {
namespace {

std::vector<std::string> PathParts(std::string_view path) {
  std::vector<std::string> parts;
  std::string part;
  for (const char c : path) {
    if (c == '\\' || c == '/') {
      parts.push_back(std::move(part));
      part.clear();
    } else {
      part += c;
    }
  }
  parts.push_back(std::move(part));
  return parts;
}

// A name from a file must not lead out of the device directory.
bool IsPlainName(const std::string& name) { return !name.empty() && name != "." && name != ".."; }

constexpr std::string_view kMissingDefinition = "//";

}  // namespace

std::string DeviceFileNotFoundQuestion(const std::string& path) {
  return "Фаил параметров устройства\n" + path + "\nне найден !\nНайти самостоятельно?";
}

std::string NoDeviceSectionMessage(const std::string& path) {
  return "Фаил " + path + "\nне содержит информации о параметрах устройства !";
}

std::optional<std::string> LocateDeviceFile(const std::string& devicePath, const WorkspacePaths& paths) {
  if (FileExists(devicePath)) return devicePath;
  const std::vector<std::string> parts = PathParts(devicePath);
  if (parts.size() < 3) return std::nullopt;
  const std::string& group = parts[parts.size() - 2];
  const std::string& name = parts.back();
  if (!IsPlainName(group) || !IsPlainName(name)) return std::nullopt;
  std::string moved = paths.devices + group + "/" + name;
  if (!FileExists(moved)) return std::nullopt;
  return moved;
}

ScopeDeviceResult OpenDeviceFromList(TBaseProperty& property, const std::vector<std::string>& shownEntries,
                                     const std::string& viewListFile, TViewList& list, std::span<std::uint8_t> image,
                                     const WorkspacePaths& paths) {
  list.ClearVariables();
  ScopeDeviceResult result;
  const auto found = LocateDeviceFile(property.DevicePath, paths);
  if (!found) {
    result.status = ScopeDeviceStatus::DeviceFileMissing;
    result.message = DeviceFileNotFoundQuestion(property.DevicePath);
    return result;
  }
  property.DevicePath = *found;

  const IniDocument device = IniDocument::Load(property.DevicePath);
  if (!device.HasSection(kDeviceSection)) {
    result.status = ScopeDeviceStatus::NoDeviceSection;
    result.message = NoDeviceSectionMessage(property.DevicePath);
    return result;
  }
  list.Path = property.DevicePath;
  list.AddressStep = 1;
  if (const auto mcu = device.Value(kDeviceSection, "MCU")) {
    const auto step = TryReadInteger(*mcu);
    if (step && *step >= INT32_MIN && *step <= INT32_MAX) list.AddressStep = static_cast<int>(*step);
  }
  // In file order, as the main window holds them: a scale table saved from a scope window then
  // keeps the device file's order, and a name given twice resolves to the same line everywhere.
  for (const std::string& line : device.SectionLines(kVarsSection)) list.AddScale(line);

  const IniDocument viewList = IniDocument::Load(viewListFile);
  for (const std::string& entry : shownEntries) {
    const std::string key = FirstWord(entry);
    const std::string definition = device.Value(property.MemArea, key, kMissingDefinition);
    if (definition == kMissingDefinition) continue;
    try {
      if (CreateVariable(key + "=" + definition, ReadViewListValue(viewList, key), image, list) == nullptr)
        result.unreadableKeys.push_back(key);
    } catch (const ConversionError&) {
      // One line edited by hand must not keep the window from showing the others.
      result.unreadableKeys.push_back(key);
    }
  }
  list.LayoutByAddress(image);
  return result;
}

}  // namespace quillon

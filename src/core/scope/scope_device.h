#pragma once
// The device file behind a scope window: finding it when the stored path no longer exists, and
// building the window's variable list from it in the order the window shows them.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "scope/base_property.h"
#include "workspace/paths.h"

namespace quillon {

class TViewList;

inline constexpr std::string_view kDeviceFileNotFoundCaption = "Файл не найден !";

// The question asked when the device file cannot be found: find it by hand?
std::string DeviceFileNotFoundQuestion(const std::string& path);
// "Фаил <path>", a line break, "не содержит информации о параметрах устройства !".
std::string NoDeviceSectionMessage(const std::string& path);

// The stored path when it exists. Otherwise a file moved within the workspace keeps its group
// and name: Devices/<last directory of the path>/<file name>, when the path has at least three
// parts ("\" or "/") and that file exists. nullopt when neither exists.
std::optional<std::string> LocateDeviceFile(const std::string& devicePath, const WorkspacePaths& paths);

enum class ScopeDeviceStatus {
  Built,
  DeviceFileMissing,  // ask DeviceFileNotFoundQuestion; a chosen file becomes DevicePath, then try again
  NoDeviceSection,    // show the message; the list stays empty
};

struct ScopeDeviceResult {
  ScopeDeviceStatus status = ScopeDeviceStatus::Built;
  std::string message;
  // Shown keys whose line could not be made a variable (unknown type, unreadable address).
  std::vector<std::string> unreadableKeys;
};

// Empties the list and, when the device file is found (DevicePath is updated to a moved file),
// fills it: the path, AddressStep from MCU of DEVICE, the scale table from `vars` (taken from
// the last line to the first), then for each shown entry (its first word is the key) the key's
// line of the MemArea section with its gain/height/ from `viewListFile`, laid out over `image`.
// A key the section lacks is skipped.
ScopeDeviceResult OpenDeviceFromList(TBaseProperty& property, const std::vector<std::string>& shownEntries,
                                     const std::string& viewListFile, TViewList& list, std::span<std::uint8_t> image,
                                     const WorkspacePaths& paths);

}  // namespace quillon

#include "scope/window_property.h"

#include "platform/files.h"
#include "platform/ini_document.h"
#include "platform/profile.h"
#include "scope/scope_device.h"
#include "scope/scope_file.h"
#include "text/items.h"
#include "text/numbers.h"
#include "variables/view.h"
#include "workspace/device_file.h"

namespace quillon {
namespace {

constexpr std::string_view kScopeExtension = ".scp";

std::string MissingFileMessage(const std::string& name) { return "Фаил " + name + "\nне существует !"; }

}  // namespace

std::vector<std::string> ViewParamList(const std::string& devPath, std::string_view area) {
  std::vector<std::string> entries;
  const IniDocument device = IniDocument::Load(devPath);
  for (const std::string& key : device.KeyNames(area)) {
    // Looked up by key as the profile does: of two lines with one key the first counts twice.
    const std::string value = device.Value(area, key, "//");
    if (value == "//") continue;
    const std::vector<std::string> items = SplitItems(value);
    entries.push_back(key + " : " + items[0] + " - " + (items.size() > 1 ? items[1] : std::string()));
  }
  return entries;
}

std::string ShownEntryText(const TView& variable) {
  return variable.Definition().Key + " : " + variable.Definition().Name + " - " + variable.Definition().Description;
}

std::optional<std::string> CheckIntegerRange(const std::string& text, int high) {
  const auto value = TryReadInteger(text);
  if (value && *value >= 0 && *value <= high) return std::nullopt;
  return "Введите целое число в\nинтервале 0..." + std::to_string(high) + " !";
}

std::optional<WindowPropertyRefusal> CheckLinkNumbers(const WindowPropertyFields& fields) {
  if (OverTcp(ProtocolNamed(fields.protocol))) return std::nullopt;
  if (auto message = CheckIntegerRange(fields.frameEnd, 3000))
    return WindowPropertyRefusal{std::move(*message), WindowPropertyField::FrameEnd};
  if (auto message = CheckIntegerRange(fields.address, 255))
    return WindowPropertyRefusal{std::move(*message), WindowPropertyField::Address};
  return std::nullopt;
}

std::optional<WindowPropertyRefusal> CheckDevicePath(const std::string& devPath) {
  if (!FileExists(devPath)) return WindowPropertyRefusal{MissingFileMessage(devPath), WindowPropertyField::DevPath};
  if (!IniDocument::Load(devPath).HasSection(kDeviceSection))
    return WindowPropertyRefusal{NoDeviceSectionMessage(devPath), WindowPropertyField::DevPath};
  return std::nullopt;
}

std::string CreateScopeFileQuestion(const std::string& name) {
  return "Фаил " + name + " не существует !\nсоздать новый?";
}

std::string WithScopeExtension(std::string name) {
  if (!name.ends_with(kScopeExtension)) name += kScopeExtension;
  return name;
}

WindowPropertyResult ApplyWindowProperty(const WindowPropertyFields& fields, bool newWindow,
                                         std::optional<bool> createAnswer, TBaseProperty& property) {
  WindowPropertyResult result;
  if (FileExists(fields.winPath)) {
    property.FilePath = fields.winPath;
  } else if (!newWindow) {
    result.outcome = WindowPropertyOutcome::Refused;
    result.refusal = {MissingFileMessage(fields.winPath), WindowPropertyField::WinPath};
    return result;
  } else if (!createAnswer) {
    result.outcome = WindowPropertyOutcome::AskCreate;
    result.question = CreateScopeFileQuestion(fields.winPath);
    return result;
  } else if (!*createAnswer) {
    result.outcome = WindowPropertyOutcome::Closed;
    return result;
  } else {
    const std::string path = WithScopeExtension(fields.winPath);
    // A fresh workspace has no scope window folder yet.
    const std::string directory = DirectoryOf(path);
    if (!directory.empty()) EnsureDirectory(directory);
    // "name" may already exist as "name.scp": an empty file must not replace it.
    if (!FileExists(path)) IniDocument().Save(path);
    property.FilePath = path;
  }
  if (newWindow) WriteProfileString(property.FilePath, kScopeSettingsSection, "devicepath", fields.devPath);

  if (auto refusal = CheckDevicePath(fields.devPath)) {
    result.outcome = WindowPropertyOutcome::Refused;
    result.refusal = std::move(*refusal);
    return result;
  }
  if (auto refusal = CheckLinkNumbers(fields)) {
    result.outcome = WindowPropertyOutcome::Refused;
    result.refusal = std::move(*refusal);
    return result;
  }
  property.DevicePath = fields.devPath;
  property.MemArea = fields.memArea;
  property.Protocol = fields.protocol;
  if (OverTcp(ProtocolNamed(fields.protocol))) {
    property.SlaveAddr = fields.frameEnd;
    property.IPAddress = fields.address;
    property.IPPort = fields.ipPort;
  } else {
    property.PortName = fields.comPort;
    property.Baud = fields.baud;
    property.FrameEnd = fields.frameEnd;
    property.SlaveAddr = fields.address;
  }
  return result;
}

}  // namespace quillon

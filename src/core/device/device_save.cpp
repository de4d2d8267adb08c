#include "device/device_save.h"

#include "platform/files.h"
#include "platform/ini_document.h"
#include "text/items.h"
#include "variables/registry.h"
#include "variables/scale_table.h"
#include "workspace/device_file.h"
#include "workspace/identification.h"
#include "workspace/paths.h"

namespace quillon {

namespace {

std::string LastItem(const std::string& value) {
  const std::vector<std::string> items = SplitItems(value);
  return items.empty() ? std::string() : items.back();
}

void AddChange(DeviceChanges& changes, const std::string& label, const std::string& before, const std::string& after) {
  if (before == after) return;
  changes.rows.push_back(label + "/" + before + "/" + after);
  changes.text += label + "  БЫЛО: " + before + "  ИЗМЕНЕНО НА: " + after + "\r\n";
}

// A new firmware version is recorded by the device update together with the new parameter
// set; written by a plain save it would pass the old set off as the new firmware's, and the
// change would never be noticed again. Another controller's identity never belongs in the file.
std::string IdToSave(const std::string& stored, const std::string& shown) {
  const auto own = ParseIdentification(stored);
  if (!own) return shown;
  const auto other = ParseIdentification(shown);
  if (!other || !SameDevice(*own, *other) || other->firmwareVersion != own->firmwareVersion) return stored;
  return shown;
}

}  // namespace

DeviceSaveRecord SaveDevice(DeviceParameters& parameters, const DeviceIdentityTexts& identity) {
  const std::string& path = parameters.Path();
  if (path.empty()) throw std::runtime_error("Устройство не выбрано");
  if (FileExists(path) && IsReadOnly(path)) ClearReadOnly(path);
  IniDocument document = IniDocument::LoadForEdit(path);
  const std::string before = DeviceFileBytes(path);
  document.SetValue(kDeviceSection, "ID", IdToSave(document.Value(kDeviceSection, "ID", ""), identity.id));
  document.SetValue(kDeviceSection, "Description", identity.description);
  document.SetValue(kDeviceSection, "Location", identity.location);
  document.SetValue(kDeviceSection, "LastDateTime", identity.lastDateTime);
  TViewList& list = parameters.List();
  // DefinitionText of a parameter list also brings its scale line up to date, so the scale
  // table is taken after every variable has been written.
  for (auto& variable : list.Variables)
    document.SetValue(parameters.Section(), variable->Definition().Key, variable->DefinitionText());
  if (list.Scales.Lines.empty()) {
    document.EraseSection(kVarsSection);
  } else {
    document.ReplaceSection(kVarsSection, list.Scales.Lines);
  }
  document.Save(path);
  if (!WorkspaceIsSet()) return {};
  return RecordDeviceSave(Workspace(), path, before, document.ToFileBytes());
}

DeviceChanges CollectChanges(DeviceParameters& parameters, const std::string& description,
                             const std::string& location) {
  DeviceChanges changes;
  const std::string& path = parameters.Path();
  if (path.empty()) return changes;
  const IniDocument file = IniDocument::Load(path);
  AddChange(changes, "Механизм", file.Value(kDeviceSection, "Description", ""), description);
  AddChange(changes, "Место установки", file.Value(kDeviceSection, "Location", ""), location);

  TViewList& list = parameters.List();
  for (const std::string& line : list.Scales.Lines) {
    const std::string name = ScaleLineName(line);
    const std::string value = ScaleLineValue(line);
    if (value.find('/') != std::string::npos) continue;
    AddChange(changes, "Шкала " + name + " ", file.Value(kVarsSection, name, ""), value);
  }
  for (auto& variable : list.Variables) {
    std::string stored = file.Value(parameters.Section(), variable->Definition().Key, "");
    if (variable->Kind() == ViewKind::ParameterList && !variable->Definition().ScaleText.empty()) {
      stored = file.Value(kVarsSection, variable->Definition().ScaleText, "");
    }
    AddChange(changes, "Параметр " + variable->Definition().Name + " ", LastItem(stored), variable->BaseValue);
  }
  if (!changes.rows.empty()) changes.rows.emplace_back(kChangesHeaderRow);
  return changes;
}

}  // namespace quillon

#include "scope/scope_file.h"

#include "platform/files.h"
#include "text/items.h"
#include "text/numbers.h"
#include "variables/view.h"
#include "variables/view_list.h"
#include "workspace/protocol.h"

namespace quillon {
namespace {

std::string ItemAt(const std::vector<std::string>& items, std::size_t index) {
  return index < items.size() ? items[index] : std::string();
}

std::vector<std::string> SettingItems(const IniDocument& file, std::string_view key, std::string_view fallback) {
  return SplitItems(file.Value(kScopeSettingsSection, key, fallback));
}

// The items of `port`. "MODBUS TCP/IP" is the one protocol name with the list's separator in
// it, so it is written as it is and reads back as "MODBUS TCP" followed by "IP"; no memory area
// is called "IP", so the two are one item again and every other text keeps its meaning.
std::vector<std::string> PortItems(std::string_view value) {
  constexpr std::size_t kProtocolItem = 4;
  std::vector<std::string> items = SplitItems(value);
  if (items.size() > kProtocolItem + 1 &&
      items[kProtocolItem] + "/" + items[kProtocolItem + 1] == kProtocolMODBUSTCPIP) {
    items[kProtocolItem] = kProtocolMODBUSTCPIP;
    items.erase(items.begin() + kProtocolItem + 1);
  }
  return items;
}

}  // namespace

std::string ScopeFileRefusal(const std::string& path) {
  return "Фаил " + path + "\nне найден, или имеет другой формат !";
}

bool ReadScopeSettings(const IniDocument& file, const std::string& path, TBaseProperty& property) {
  property.Caption = FileNameOf(path);
  if (!file.HasSection(kScopeSettingsSection)) return false;
  property.FilePath = path;
  property.DevicePath = file.Value(kScopeSettingsSection, "devicepath", "");

  const auto window = SettingItems(file, "window", kDefaultScopeWindow);
  property.Left = ItemAt(window, 0);
  property.Top = ItemAt(window, 1);
  property.Width = ItemAt(window, 2);
  property.Height = ItemAt(window, 3);

  const auto portValue = file.Value(kScopeSettingsSection, "port");
  const auto port = PortItems(!portValue           ? kScopePortWhenMissing
                              : portValue->empty() ? kScopePortWhenEmpty
                                                   : *portValue);
  property.SlaveAddr = ItemAt(port, 0);
  property.PortName = ItemAt(port, 1);
  property.Baud = ItemAt(port, 2);
  property.FrameEnd = ItemAt(port, 3);
  property.Protocol = ItemAt(port, 4);
  property.MemArea = ItemAt(port, 5);
  property.IPAddress = port.size() < 7 ? std::string(kScopeShortPortIPAddress) : port[6];
  property.IPPort = port.size() < 8 ? std::string(kScopeShortPortIPPort) : port[7];

  const auto option = SettingItems(file, "option", kDefaultScopeOption);
  for (std::size_t i = 0; i < property.ColWidths.size(); ++i) property.ColWidths[i] = ItemAt(option, i);
  property.RefreshMode = ItemAt(option, 4);
  property.Reserved = ItemAt(option, 5);
  property.Grid = ItemAt(option, 6);
  return true;
}

bool ReadScopeSettings(const std::string& path, TBaseProperty& property) {
  return ReadScopeSettings(IniDocument::Load(path), path, property);
}

std::vector<std::string> ReadViewListKeys(const std::string& path) {
  return IniDocument::Load(path).KeyNames(kScopeViewListSection);
}

std::string ReadViewListValue(const IniDocument& file, std::string_view key) {
  return file.Value(kScopeViewListSection, key, kDefaultScopeViewValue);
}

std::string TrendGainText(double gain) { return FormatFixed(gain, 6, true); }

std::string ViewListValue(const TView& variable) {
  return JoinItems({TrendGainText(variable.TrendGain), std::to_string(variable.RowHeight)});
}

void WriteScopeSettings(IniDocument& file, const TBaseProperty& property, const TViewList& list) {
  file.SetValue(kScopeSettingsSection, "devicepath", property.DevicePath);
  file.SetValue(kScopeSettingsSection, "window",
                JoinItems({property.Left, property.Top, property.Width, property.Height}));
  file.SetValue(kScopeSettingsSection, "port",
                JoinItems({property.SlaveAddr, property.PortName, property.Baud, property.FrameEnd, property.Protocol,
                           property.MemArea, property.IPAddress, property.IPPort}));
  file.SetValue(kScopeSettingsSection, "option",
                JoinItems({property.ColWidths[0], property.ColWidths[1], property.ColWidths[2], property.ColWidths[3],
                           property.RefreshMode, property.Reserved, property.Grid}));
  file.EraseSection(kScopeViewListSection);
  for (const auto& variable : list.Variables) {
    if (variable->IsTimeMark()) continue;
    file.SetValue(kScopeViewListSection, variable->Definition().Key, ViewListValue(*variable));
  }
}

void SaveWinFile(const TBaseProperty& property, const TViewList& list) {
  if (FileExists(property.FilePath) && IsReadOnly(property.FilePath)) ClearReadOnly(property.FilePath);
  IniDocument file = IniDocument::LoadForEdit(property.FilePath);
  WriteScopeSettings(file, property, list);
  file.Save(property.FilePath);
}

void CreateScopeFile(const std::string& path) {
  IniDocument file = IniDocument::LoadForEdit(path);
  file.SetValue(kScopeSettingsSection, "window", kNewScopeWindow);
  file.SetValue(kScopeSettingsSection, "port", kNewScopePort);
  file.SetValue(kScopeSettingsSection, "option", kNewScopeOption);
  file.Save(path);
}

}  // namespace quillon

#include "workspace/settings.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <stdexcept>

#include "platform/profile.h"
#include "text/cp1251.h"
#include "text/items.h"
#include "text/numbers.h"
#include "workspace/protocol.h"

namespace quillon {

namespace {

bool IsModbusTcp(std::string_view protocol) { return OverTcp(ProtocolNamed(protocol)); }

std::optional<int> DecimalInt(std::string_view text) {
  const std::string trimmed = Trimmed(text);
  std::string_view digits = trimmed;
  // from_chars takes a "-" but no "+"; a second sign is not a number.
  if (!digits.empty() && digits.front() == '+') {
    digits.remove_prefix(1);
    if (!digits.empty() && digits.front() == '-') return std::nullopt;
  }
  if (digits.empty()) return std::nullopt;
  int value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

}  // namespace

std::string SettingDefault(std::string_view key) {
  for (const auto& entry : kSettingKeys) {
    if (SameTextIgnoringCase(entry.key, key)) return std::string(entry.defaultValue);
  }
  throw std::out_of_range("unknown settings key: " + std::string(key));
}

std::string ReadSetting(const std::string& settingsFile, std::string_view key) {
  return ReadProfileString(settingsFile, kSettingsSection, key, SettingDefault(key));
}

bool SettingStored(const std::string& settingsFile, std::string_view key) {
  for (const std::string& name : ProfileKeyNames(settingsFile, kSettingsSection))
    if (SameTextIgnoringCase(name, key)) return true;
  return false;
}

int ReadSettingInt(const std::string& settingsFile, std::string_view key) {
  if (const auto value = DecimalInt(ReadSetting(settingsFile, key))) return *value;
  // A default that is not a number (BUS, COM ...) asked for as one is a programming error.
  const auto fallback = DecimalInt(SettingDefault(key));
  if (!fallback) throw std::invalid_argument("settings key is not numeric: " + std::string(key));
  return *fallback;
}

void WriteSetting(const std::string& settingsFile, std::string_view key, std::string_view value) {
  WriteProfileString(settingsFile, kSettingsSection, key, value);
}

std::string RoundedWidthText(double width) {
  // No width comes near these limits; they only keep the conversion defined.
  if (!std::isfinite(width) || std::fabs(width) > 1e9) return "0";
  // Ties go to the even neighbour, as the widths were always rounded.
  return std::to_string(static_cast<long long>(RoundHalfEven(width)));
}

int NormalizedSortType(int sortType) { return sortType >= 0 && sortType <= 4 ? sortType : 0; }

LinkFieldValues ReadProtocolLinkKeys(const std::string& settingsFile, std::string_view protocol) {
  LinkFieldValues values;
  if (IsModbusTcp(protocol)) {
    values.frameEndOrIp = ReadSetting(settingsFile, "ServerIP");
    values.tcpPort = ReadSetting(settingsFile, "IPPort");
  } else {
    values.frameEndOrIp = ReadSetting(settingsFile, "FE");
  }
  values.addressText = ReadSetting(settingsFile, "DA");
  return values;
}

void WriteProtocolLinkKeys(const std::string& settingsFile, std::string_view protocol, const LinkFieldValues& values) {
  auto doc = IniDocument::LoadForEdit(settingsFile);
  if (IsModbusTcp(protocol)) {
    doc.SetValue(kSettingsSection, "ServerIP", values.frameEndOrIp);
    doc.SetValue(kSettingsSection, "IPPort", values.tcpPort);
  } else {
    doc.SetValue(kSettingsSection, "FE", values.frameEndOrIp);
    doc.SetValue(kSettingsSection, "DA", values.addressText);
  }
  doc.Save(settingsFile);
}

}  // namespace quillon

#include "workspace/identification.h"

#include <vector>

namespace quillon {

std::optional<Identification> ParseIdentification(std::string_view text) {
  std::vector<std::string> tokens;
  std::size_t start = 0;
  bool restTaken = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != ' ') continue;
    tokens.emplace_back(text.substr(start, i - start));
    start = i + 1;
    if (tokens.size() == 4) {
      tokens.emplace_back(text.substr(start));
      restTaken = true;
      break;
    }
  }
  if (!restTaken && start < text.size()) tokens.emplace_back(text.substr(start));
  if (tokens.size() < 4) return std::nullopt;

  Identification id;
  id.serial = tokens[0];
  id.deviceType = tokens[1];
  const std::string& version = tokens[2];
  const auto dot = version.rfind('.');
  if (dot == std::string::npos) {
    id.deviceVersion = version.size() > 1 ? version.substr(1) : std::string();
  } else {
    id.deviceVersion = dot > 1 ? version.substr(1, dot - 1) : std::string();
    id.firmwareVersion = version.substr(dot + 1);
  }
  id.firmwareDate = tokens[3];
  if (tokens.size() == 5) {
    id.extra = tokens[4];
    id.hasExtra = true;
  }
  return id;
}

std::string DeviceTypeKey(const Identification& id) { return id.deviceType + id.deviceVersion; }

bool SameDevice(const Identification& a, const Identification& b) {
  return a.serial == b.serial && a.deviceType == b.deviceType && a.deviceVersion == b.deviceVersion;
}

std::string BackupFileName(const Identification& id) { return DeviceTypeKey(id) + "_" + id.serial + ".ini"; }

std::string FilterIdentificationText(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (const char c : text) {
    const auto code = static_cast<unsigned char>(c);
    if (code >= 0x20 && code <= 0x7E && c != '\'') result.push_back(c);
  }
  return result;
}

}  // namespace quillon

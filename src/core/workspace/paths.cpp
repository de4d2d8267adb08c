#include "workspace/paths.h"

#include <optional>
#include <stdexcept>
#include <utility>

#include "platform/files.h"
#include "text/cp1251.h"

namespace quillon {

namespace {

// The one piece of process-wide state of the workspace: set at start-up, read everywhere.
std::optional<WorkspacePaths>& ProcessPaths() {
  static std::optional<WorkspacePaths> paths;
  return paths;
}

// Well-formed UTF-8: no stray continuation byte, no truncated or overlong sequence, no
// surrogate, nothing above U+10FFFF.
bool IsUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    unsigned minimum = 0;
    unsigned code = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      minimum = 0x80;
      code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      minimum = 0x800;
      code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      minimum = 0x10000;
      code = lead & 0x07u;
    } else {
      return false;
    }
    if (text.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0u) != 0x80u) return false;
      code = (code << 6) | (next & 0x3Fu);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

}  // namespace

std::string WorkspacePaths::SettingsFile() const { return program + "settings.ini"; }
std::string WorkspacePaths::BackUp() const { return devices + "BackUp/"; }
std::string WorkspacePaths::ScopeTemplate() const { return program + "ScopeTemplate/"; }
std::string WorkspacePaths::Xlt() const { return program + "XLT/"; }
std::string WorkspacePaths::Reports() const { return program + "Reports/"; }
std::string WorkspacePaths::EventsAndStats() const { return program + "EventsAndStats/"; }

WorkspacePaths MakeWorkspacePaths(std::string programDir) {
  std::string root = NormalizeSeparators(programDir);
  if (root.empty() || root.back() != '/') root += '/';
  WorkspacePaths paths;
  paths.program = root;
  paths.devices = root + "Devices/";
  paths.deviceTemplate = root + "DeviceTemplate/";
  paths.records = root + "Records/";
  paths.scopeWindow = root + "ScopeWindow/";
  paths.help = root + "Help/";
  paths.plugins = root + "Plugins/";
  paths.trace = root + "Trace/";
  paths.abTemplate = root + "ABTemplate/";
  paths.eventRec = root + "EventRec/";
  return paths;
}

void InitWorkspacePaths(std::string programDir) { ProcessPaths() = MakeWorkspacePaths(std::move(programDir)); }

const WorkspacePaths& Workspace() {
  const auto& paths = ProcessPaths();
  if (!paths) throw std::logic_error("workspace paths used before InitWorkspacePaths");
  return *paths;
}

bool WorkspaceIsSet() { return ProcessPaths().has_value(); }

std::string PathForDisplay(std::string_view path) {
  // Name by name: a Windows-1251 folder may sit below a home directory named in UTF-8.
  std::string shown;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view name = path.substr(start, end - start);
    shown += IsUtf8(name) ? std::string(name) : Cp1251ToUtf8(name);
    if (end < path.size()) shown += '/';
    start = end + 1;
  }
  return shown;
}

}  // namespace quillon

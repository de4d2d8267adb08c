#include "workspace/paths.h"

#include <optional>
#include <stdexcept>
#include <utility>

#include "platform/files.h"

namespace quillon {

namespace {

// The one piece of process-wide state of the workspace: set at start-up, read everywhere.
std::optional<WorkspacePaths>& ProcessPaths() {
  static std::optional<WorkspacePaths> paths;
  return paths;
}

}  // namespace

std::string WorkspacePaths::SettingsFile() const { return program + "settings.ini"; }
std::string WorkspacePaths::BackUp() const { return devices + "BackUp/"; }
std::string WorkspacePaths::ScopeTemplate() const { return program + "ScopeTemplate/"; }
std::string WorkspacePaths::Xlt() const { return program + "XLT/"; }
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

}  // namespace quillon

#include "workspace/workspace_location.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "workspace/paths.h"

namespace quillon {

namespace {

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

std::string Absolute(const std::string& path, const std::string& currentDir) {
  if (!path.empty() && path.front() == '/') return path;
  return WithSlash(currentDir) + path;
}

// Lexically clean ("a/./b/../c" → "a/c") so that the path shown in the about box is the
// plain one.
std::string Clean(const std::string& path) {
  return WithSlash(std::filesystem::path(path).lexically_normal().string());
}

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string HomeDirectory() {
  std::string home = EnvironmentValue("HOME");
  if (!home.empty()) return home;
  // A service started without HOME still has an account.
  if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return {};
}

std::string CurrentDirectory() {
  std::error_code error;
  const std::filesystem::path current = std::filesystem::current_path(error);
  return error ? std::string("/") : current.string();
}

// Copies the files of `source` that `target` lacks, folders included; returns the failures.
void CopyMissing(const std::filesystem::path& source, const std::filesystem::path& target,
                 std::vector<std::string>& problems) {
  std::error_code error;
  std::filesystem::recursive_directory_iterator it(source, error);
  if (error) return;  // nothing of this kind is shipped
  for (const std::filesystem::directory_entry& entry : it) {
    const std::filesystem::path relative = entry.path().lexically_relative(source);
    const std::filesystem::path destination = target / relative;
    if (entry.is_directory(error)) {
      if (!EnsureDirectory(destination.string()))
        problems.push_back("Не удалось создать папку " + PathForDisplay(destination.string()));
    } else if (entry.is_regular_file(error) &&
               !std::filesystem::exists(std::filesystem::symlink_status(destination, error))) {
      if (!CopyFileTo(entry.path().string(), destination.string(), false)) {
        problems.push_back("Не удалось скопировать файл " + PathForDisplay(destination.string()));
      }
    }
  }
}

}  // namespace

std::string ChooseWorkspaceRoot(const WorkspaceSources& sources, const std::string& currentDir) {
  if (!sources.option.empty()) return Clean(Absolute(sources.option, currentDir));
  if (!sources.environment.empty()) return Clean(Absolute(sources.environment, currentDir));
  if (sources.installedData.empty()) return WithSlash(sources.programDir);
  std::string dataHome = sources.xdgDataHome;
  if (dataHome.empty() || dataHome.front() != '/') {
    dataHome = sources.home.empty() ? std::string() : WithSlash(sources.home) + ".local/share";
  }
  // No home at all: the workspace stays in the current folder rather than in "/".
  if (dataHome.empty()) dataHome = currentDir;
  return Clean(WithSlash(dataHome) + "Quillon");
}

std::string InstalledDataDirectory(const std::string& programDir) {
  const std::filesystem::path dir = std::filesystem::path(programDir).lexically_normal();
  // programDir ends in "/", so its filename is empty and the parent is the bin folder itself.
  const std::filesystem::path bin = dir.has_filename() ? dir : dir.parent_path();
  if (bin.filename() != "bin") return {};
  const std::filesystem::path data = bin.parent_path() / "share" / "quillon";
  return DirectoryExists(data.string()) ? WithSlash(data.string()) : std::string();
}

WorkspaceLocation LocateWorkspace(const std::string& option) {
  WorkspaceSources sources;
  sources.option = option;
  sources.environment = EnvironmentValue("QUILLON_WORKSPACE");
  sources.xdgDataHome = EnvironmentValue("XDG_DATA_HOME");
  sources.home = HomeDirectory();
  sources.programDir = ProgramDirectory();
  sources.installedData = InstalledDataDirectory(sources.programDir);
  return {ChooseWorkspaceRoot(sources, CurrentDirectory()), sources.installedData};
}

const std::vector<std::string>& WorkspaceFolders() {
  static const std::vector<std::string> folders{
      "Devices", "Devices/BackUp", "DeviceTemplate", "Records",  "ScopeWindow",    "ScopeTemplate", "Help",
      "Plugins", "Trace",          "ABTemplate",     "EventRec", "EventsAndStats", "XLT",           "Reports"};
  return folders;
}

const std::vector<std::string>& ShippedFolders() {
  static const std::vector<std::string> folders{"DeviceTemplate", "XLT", "Help"};
  return folders;
}

std::vector<std::string> PrepareWorkspace(const std::string& root, const std::string& installedData) {
  std::vector<std::string> problems;
  if (installedData.empty()) return problems;
  for (const std::string& folder : WorkspaceFolders()) {
    if (!EnsureDirectory(root + folder)) {
      problems.push_back("Не удалось создать папку " + PathForDisplay(root + folder));
    }
  }
  for (const std::string& folder : ShippedFolders()) {
    CopyMissing(std::filesystem::path(installedData) / folder, std::filesystem::path(root) / folder, problems);
  }
  return problems;
}

}  // namespace quillon

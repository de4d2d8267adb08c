#pragma once
// Plug-in libraries named by a device file. The names come from a file that may have been
// edited by hand, so a name can never reach a library outside the program's Plugins folder.
#include <quillon/plugin.h>

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quillon {

// The names of a "Plugins" value, in the order they are loaded: the last listed first.
std::vector<std::string> PluginNames(std::string_view pluginsValue);

struct PluginPathResult {
  std::string path;     // resolved library path; empty when refused
  std::string warning;  // why the name was refused
  explicit operator bool() const { return !path.empty(); }
};

// <program dir>/Plugins/<name>/<name>.so with every symbolic link resolved, provided the
// folder and the library both lie inside the real Plugins folder.
PluginPathResult PluginLibraryPath(const std::string& programDirectory, const std::string& name);

// One loaded library; unloaded when the object goes away.
class PluginLibrary {
 public:
  // A library that does not load or lacks an entry point gives the warning text instead.
  static std::variant<PluginLibrary, std::string> Load(const std::string& path);

  PluginLibrary(PluginLibrary&& other) noexcept;
  PluginLibrary& operator=(PluginLibrary&& other) noexcept;
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;
  ~PluginLibrary();

  const std::string& Path() const { return path_; }
  PluginGetMainIconFunction GetMainIcon() const { return getMainIcon_; }
  PluginCreateFormFunction CreateForm() const { return createForm_; }

 private:
  PluginLibrary(void* handle, std::string path, PluginGetMainIconFunction getMainIcon,
                PluginCreateFormFunction createForm);
  void Unload() noexcept;

  void* handle_ = nullptr;
  std::string path_;
  PluginGetMainIconFunction getMainIcon_ = nullptr;
  PluginCreateFormFunction createForm_ = nullptr;
};

struct LoadedPlugins {
  std::vector<PluginLibrary> libraries;  // in load order: the last listed name first
  std::vector<std::string> warnings;     // one per name that was refused or skipped
};

LoadedPlugins LoadPlugins(const std::string& programDirectory, std::string_view pluginsValue);

}  // namespace quillon

#include "plugins/plugin_library.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>
#include <utility>

#include "text/items.h"

namespace quillon {

namespace {

bool IsSafeName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\\\0", 3)) == std::string::npos;
}

bool LiesInside(const std::filesystem::path& path, const std::filesystem::path& root) {
  const std::string text = path.string();
  const std::string prefix = root.string() + "/";
  return text.compare(0, prefix.size(), prefix) == 0;
}

std::string DlErrorText() {
  const char* text = ::dlerror();
  return text != nullptr ? std::string(text) : std::string();
}

}  // namespace

std::vector<std::string> PluginNames(std::string_view pluginsValue) {
  std::vector<std::string> names;
  const std::vector<std::string> items = SplitItems(pluginsValue);
  for (auto item = items.rbegin(); item != items.rend(); ++item) {
    if (!item->empty()) names.push_back(*item);
  }
  return names;
}

PluginPathResult PluginLibraryPath(const std::string& programDirectory, const std::string& name) {
  if (!IsSafeName(name)) return {{}, "Недопустимое имя модуля \"" + name + "\""};

  std::string directory = programDirectory;
  if (!directory.empty() && directory.back() != '/') directory += '/';
  const std::string pluginsDirectory = directory + "Plugins";
  const std::string folder = pluginsDirectory + "/" + name;
  const std::string library = folder + "/" + name + ".so";

  std::error_code error;
  const std::filesystem::path realPlugins = std::filesystem::canonical(pluginsDirectory, error);
  if (error) return {{}, "Папка модулей " + pluginsDirectory + " не найдена"};
  const std::filesystem::path realFolder = std::filesystem::canonical(folder, error);
  if (error) return {{}, "Модуль " + library + " не найден"};
  if (!LiesInside(realFolder, realPlugins)) {
    return {{}, "Модуль \"" + name + "\" находится вне папки " + pluginsDirectory};
  }
  const std::filesystem::path realLibrary = std::filesystem::canonical(library, error);
  if (error) return {{}, "Модуль " + library + " не найден"};
  if (!LiesInside(realLibrary, realPlugins)) {
    return {{}, "Модуль \"" + name + "\" находится вне папки " + pluginsDirectory};
  }
  // The resolved path is what gets loaded, so a link changed after this check is not followed.
  return {realLibrary.string(), {}};
}

PluginLibrary::PluginLibrary(void* handle, std::string path, PluginGetMainIconFunction getMainIcon,
                             PluginCreateFormFunction createForm)
    : handle_(handle), path_(std::move(path)), getMainIcon_(getMainIcon), createForm_(createForm) {}

std::variant<PluginLibrary, std::string> PluginLibrary::Load(const std::string& path) {
  ::dlerror();
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return "Модуль " + path + " не загружается: " + DlErrorText();

  auto getMainIcon = reinterpret_cast<PluginGetMainIconFunction>(::dlsym(handle, QUILLON_PLUGIN_GET_MAIN_ICON));
  auto createForm = reinterpret_cast<PluginCreateFormFunction>(::dlsym(handle, QUILLON_PLUGIN_CREATE_FORM));
  if (getMainIcon == nullptr || createForm == nullptr) {
    ::dlclose(handle);
    std::string missing;
    if (getMainIcon == nullptr && createForm == nullptr) {
      missing = "нет функций " QUILLON_PLUGIN_GET_MAIN_ICON " и " QUILLON_PLUGIN_CREATE_FORM;
    } else {
      missing = std::string("нет функции ") +
                (getMainIcon == nullptr ? QUILLON_PLUGIN_GET_MAIN_ICON : QUILLON_PLUGIN_CREATE_FORM);
    }
    return "В модуле " + path + " " + missing;
  }
  return PluginLibrary(handle, path, getMainIcon, createForm);
}

PluginLibrary::PluginLibrary(PluginLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      path_(std::move(other.path_)),
      getMainIcon_(std::exchange(other.getMainIcon_, nullptr)),
      createForm_(std::exchange(other.createForm_, nullptr)) {}

PluginLibrary& PluginLibrary::operator=(PluginLibrary&& other) noexcept {
  if (this != &other) {
    Unload();
    handle_ = std::exchange(other.handle_, nullptr);
    path_ = std::move(other.path_);
    getMainIcon_ = std::exchange(other.getMainIcon_, nullptr);
    createForm_ = std::exchange(other.createForm_, nullptr);
  }
  return *this;
}

PluginLibrary::~PluginLibrary() { Unload(); }

void PluginLibrary::Unload() noexcept {
  if (handle_ != nullptr) ::dlclose(handle_);
  handle_ = nullptr;
  getMainIcon_ = nullptr;
  createForm_ = nullptr;
}

LoadedPlugins LoadPlugins(const std::string& programDirectory, std::string_view pluginsValue) {
  LoadedPlugins loaded;
  for (const std::string& name : PluginNames(pluginsValue)) {
    PluginPathResult path = PluginLibraryPath(programDirectory, name);
    if (!path) {
      loaded.warnings.push_back(std::move(path.warning));
      continue;
    }
    std::variant<PluginLibrary, std::string> library = PluginLibrary::Load(path.path);
    if (auto* warning = std::get_if<std::string>(&library)) {
      loaded.warnings.push_back(std::move(*warning));
    } else {
      loaded.libraries.push_back(std::move(std::get<PluginLibrary>(library)));
    }
  }
  return loaded;
}

}  // namespace quillon

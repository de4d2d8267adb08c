#include "history/devices_repository.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "text/cp1251.h"
#include "workspace/paths.h"

namespace quillon {

int OpenDevicesRepository(GitRepository& repo, const std::string& devicesDir) {
  git_repository* raw = nullptr;
  const int code = git_repository_open_ext(&raw, devicesDir.c_str(), GIT_REPOSITORY_OPEN_NO_SEARCH, nullptr);
  repo.reset(raw);
  return code;
}

std::string MakeDevicesRepository(GitRepository& repo, const std::string& devicesDir) {
  git_repository* raw = nullptr;
  if (const int code = git_repository_init(&raw, devicesDir.c_str(), 0); code != 0)
    return GitErrorText("Не удалось создать хранилище версий в " + PathForDisplay(devicesDir), code);
  repo.reset(raw);
  std::ofstream ignore(std::filesystem::path(devicesDir) / kDevicesIgnoreFile, std::ios::binary | std::ios::trunc);
  ignore << "BackUp/\n";
  ignore.close();
  if (!ignore) return "Не удалось записать " + std::string(kDevicesIgnoreFile) + ": " + std::strerror(errno);
  return {};
}

bool IsDeviceFilePath(const std::string& path) {
  const std::string first = path.substr(0, path.find('/'));
  if (first != path && SameTextIgnoringCase(first, "BackUp")) return false;
  return path.size() > 4 && SameTextIgnoringCase(std::string_view(path).substr(path.size() - 4), ".ini");
}

}  // namespace quillon

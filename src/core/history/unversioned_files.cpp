#include "history/unversioned_files.h"

#include <algorithm>
#include <filesystem>

#include "history/devices_repository.h"
#include "workspace/device_file.h"
#include "workspace/paths.h"

namespace quillon {

namespace {

using GitStatusList = GitHandle<git_status_list, git_status_list_free>;

std::string InFolder(const std::string& devicesDir, const std::string& path) {
  return (std::filesystem::path(devicesDir) / path).string();
}

}  // namespace

HistoryResult<std::vector<std::string>> UnversionedFiles(git_repository* repo) {
  git_status_options options = GIT_STATUS_OPTIONS_INIT;
  options.show = GIT_STATUS_SHOW_INDEX_AND_WORKDIR;
  options.flags = GIT_STATUS_OPT_INCLUDE_UNTRACKED | GIT_STATUS_OPT_RECURSE_UNTRACKED_DIRS;
  git_status_list* raw = nullptr;
  const int code = git_status_list_new(&raw, repo, &options);
  const GitStatusList status(raw);
  if (code != 0) return {{}, GitErrorText("Не удалось найти файлы устройств без истории", code)};
  HistoryResult<std::vector<std::string>> files;
  for (std::size_t i = 0; i < git_status_list_entrycount(status.get()); ++i) {
    const git_status_entry* entry = git_status_byindex(status.get(), i);
    // New in the folder, or staged by hand but never committed.
    const git_diff_delta* delta = nullptr;
    if ((entry->status & GIT_STATUS_INDEX_NEW) != 0) delta = entry->head_to_index;
    else if ((entry->status & GIT_STATUS_WT_NEW) != 0) delta = entry->index_to_workdir;
    if (delta == nullptr || delta->new_file.path == nullptr) continue;
    const std::string path = delta->new_file.path;
    if (IsDeviceFilePath(path) || path == kDevicesIgnoreFile) files.value.push_back(path);
  }
  std::sort(files.value.begin(), files.value.end());
  return files;
}

HistoryResult<std::vector<std::string>> RecordUnversionedFiles(const GitLibrary& git, const std::string& devicesDir,
                                                               const GitAuthor& author) {
  HistoryResult<std::vector<std::string>> paths;
  {
    GitRepository repo;
    if (const int code = OpenDevicesRepository(repo, devicesDir); code != 0)
      return {{}, GitErrorText("Не удалось открыть хранилище версий", code)};
    paths = UnversionedFiles(repo.get());
  }
  if (!paths) return paths;
  std::vector<std::string> files, recorded;
  std::string list;
  for (const std::string& path : paths.value) {
    files.push_back(InFolder(devicesDir, path));
    if (!IsDeviceFilePath(path)) continue;
    recorded.push_back(path);
    list += "\n" + path;
  }
  // The .gitignore alone is not worth a version: it goes with the next one.
  if (recorded.empty()) return {};
  const std::string message =
      "Файлы устройств взяты в историю: " + std::to_string(recorded.size()) + "\n" + list + "\n";
  const HistoryResult<CommitOutcome> commit = CommitDeviceFiles(git, devicesDir, files, message, author);
  if (!commit) return {{}, commit.error};
  return {std::move(recorded), {}};
}

std::string BackUpFilesTheTeamReplaces(git_repository* repo, const std::string& devicesDir, git_tree* theirs) {
  const HistoryResult<std::vector<std::string>> paths = UnversionedFiles(repo);
  if (!paths) return paths.error;
  WorkspacePaths folder;
  folder.devices = InFolder(devicesDir, "");
  for (const std::string& path : paths.value) {
    if (!IsDeviceFilePath(path)) continue;
    git_tree_entry* rawEntry = nullptr;
    if (git_tree_entry_bypath(&rawEntry, theirs, path.c_str()) != 0) continue;
    const GitTreeEntry entry(rawEntry);
    git_oid ours;
    const std::string file = InFolder(devicesDir, path);
    if (git_odb_hashfile(&ours, file.c_str(), GIT_OBJECT_BLOB) == 0 &&
        git_oid_equal(&ours, git_tree_entry_id(entry.get())))
      continue;
    if (const BackupOutcome backup = BackupDeviceFile(folder, file); !backup)
      return "Файл " + PathForDisplay(file) + " не заменён файлом из хранилища команды: " + backup.failure;
  }
  return {};
}

}  // namespace quillon

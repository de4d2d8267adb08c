#include "history/device_history.h"

#include <pwd.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>

#include "history/devices_repository.h"
#include "platform/profile.h"
#include "text/cp1251.h"
#include "text/datetime.h"
#include "workspace/paths.h"
#include "workspace/settings.h"

namespace quillon {

namespace {

namespace fs = std::filesystem;

// The file's path inside the repository, "/"-separated, as git names it.
HistoryResult<std::string> PathInRepository(const std::string& devicesDir, const std::string& filePath) {
  std::error_code ignored;
  const fs::path dir = fs::weakly_canonical(fs::absolute(devicesDir), ignored);
  const fs::path file = fs::weakly_canonical(fs::absolute(filePath), ignored);
  const fs::path relative = file.lexically_relative(dir);
  if (relative.empty() || *relative.begin() == ".." || relative == ".")
    return {{}, "Файл " + PathForDisplay(filePath) + " лежит вне папки Devices"};
  // The backups are the program's own undo copies, overwritten at will: not versions.
  if (SameTextIgnoringCase(relative.begin()->string(), "BackUp"))
    return {{}, "Резервная копия " + PathForDisplay(filePath) + " не входит в историю версий"};
  return {relative.generic_string(), {}};
}

// The commit HEAD names, or none when the repository has no commit yet.
int HeadCommit(git_repository* repo, GitCommit& head) {
  git_oid id;
  int code = git_reference_name_to_id(&id, repo, "HEAD");
  if (code == GIT_ENOTFOUND || code == GIT_EUNBORNBRANCH) return 0;
  if (code != 0) return code;
  git_commit* raw = nullptr;
  code = git_commit_lookup(&raw, repo, &id);
  head.reset(raw);
  return code;
}

// The id of the file's blob in the commit; false when the commit has no such file.
bool BlobIdAt(git_commit* commit, const std::string& path, git_oid& id) {
  git_tree* rawTree = nullptr;
  if (git_commit_tree(&rawTree, commit) != 0) return false;
  const GitTree tree(rawTree);
  git_tree_entry* rawEntry = nullptr;
  if (git_tree_entry_bypath(&rawEntry, tree.get(), path.c_str()) != 0) return false;
  const GitTreeEntry entry(rawEntry);
  git_oid_cpy(&id, git_tree_entry_id(entry.get()));
  return true;
}

// Stages the paths in the repository's index, and builds the tree of HEAD with only those paths
// changed: whatever else someone staged by hand stays out of the program's commit.
int StageAlone(git_repository* repo, git_commit* head, const std::vector<std::string>& paths, git_oid& treeId) {
  git_index* rawIndex = nullptr;
  int code = git_repository_index(&rawIndex, repo);
  const GitIndex index(rawIndex);
  for (std::size_t i = 0; code == 0 && i < paths.size(); ++i)
    code = git_index_add_bypath(index.get(), paths[i].c_str());
  if (code == 0) code = git_index_write(index.get());
  git_index* rawAlone = nullptr;
  if (code == 0) code = git_index_new(&rawAlone);
  const GitIndex alone(rawAlone);
  if (code == 0 && head != nullptr) {
    git_tree* rawTree = nullptr;
    code = git_commit_tree(&rawTree, head);
    const GitTree tree(rawTree);
    if (code == 0) code = git_index_read_tree(alone.get(), tree.get());
  }
  for (std::size_t i = 0; code == 0 && i < paths.size(); ++i) {
    const git_index_entry* entry = git_index_get_bypath(index.get(), paths[i].c_str(), 0);
    code = entry != nullptr ? git_index_add(alone.get(), entry) : GIT_ENOTFOUND;
  }
  if (code == 0) code = git_index_write_tree_to(&treeId, alone.get(), repo);
  return code;
}

int CreateCommit(git_repository* repo, git_commit* head, const git_oid& treeId, const std::string& message,
                 const GitAuthor& author, git_oid& commitId) {
  git_signature* rawSignature = nullptr;
  int code = git_signature_now(&rawSignature, author.name.c_str(), author.email.c_str());
  const GitSignature signature(rawSignature);
  git_tree* rawTree = nullptr;
  if (code == 0) code = git_tree_lookup(&rawTree, repo, &treeId);
  const GitTree tree(rawTree);
  const git_commit* parents[] = {head};
  if (code == 0) {
    code = git_commit_create(&commitId, repo, "HEAD", signature.get(), signature.get(), nullptr, message.c_str(),
                             tree.get(), head != nullptr ? 1 : 0, parents);
  }
  return code;
}

std::string LocalTimeText(git_time_t seconds) {
  const auto time = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&time, &local);
  const DateTime value = EncodeDateTime(
      {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec});
  return ShortDateText(value) + " " + LongTimeText(value);
}

std::string FirstLine(const char* message) {
  const std::string text = message != nullptr ? message : "";
  return text.substr(0, text.find('\n'));
}

std::string LoginName() {
  if (const passwd* entry = ::getpwuid(::geteuid()); entry != nullptr && entry->pw_name != nullptr)
    return entry->pw_name;
  return "uid" + std::to_string(::geteuid());
}

std::string HostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
  return name;
}

}  // namespace

GitAuthor EngineerAuthor(const std::string& settingsFile) {
  GitAuthor author{ReadProfileString(settingsFile, kSettingsSection, "Engineer", ""),
                   ReadProfileString(settingsFile, kSettingsSection, "EngineerEmail", "")};
  if (author.name.empty()) author.name = LoginName();
  if (author.email.empty()) author.email = LoginName() + "@" + HostName();
  return author;
}

HistoryResult<CommitOutcome> CommitDeviceFile(const GitLibrary& git, const std::string& devicesDir,
                                              const std::string& filePath, const std::string& message,
                                              const GitAuthor& author) {
  return CommitDeviceFiles(git, devicesDir, {filePath}, message, author);
}

HistoryResult<CommitOutcome> CommitDeviceFiles(const GitLibrary&, const std::string& devicesDir,
                                               const std::vector<std::string>& filePaths, const std::string& message,
                                               const GitAuthor& author) {
  std::vector<std::string> paths;
  for (const std::string& filePath : filePaths) {
    HistoryResult<std::string> path = PathInRepository(devicesDir, filePath);
    if (!path) return {{}, path.error};
    paths.push_back(std::move(path.value));
  }
  if (paths.empty()) return {};
  const std::string name = paths.size() == 1 ? paths.front() : std::to_string(paths.size()) + " файлов";
  GitRepository repo;
  if (const int code = OpenDevicesRepository(repo, devicesDir); code == GIT_ENOTFOUND) {
    if (std::string problem = MakeDevicesRepository(repo, devicesDir); !problem.empty()) return {{}, problem};
    paths.emplace_back(kDevicesIgnoreFile);
  } else if (code != 0) {
    return {{}, GitErrorText("Не удалось открыть хранилище версий", code)};
  }
  GitCommit head;
  if (const int code = HeadCommit(repo.get(), head); code != 0)
    return {{}, GitErrorText("Не удалось прочитать последнюю версию", code)};
  git_oid treeId;
  if (const int code = StageAlone(repo.get(), head.get(), paths, treeId); code != 0)
    return {{}, GitErrorText("Не удалось подготовить версию " + name, code)};
  if (head != nullptr && git_oid_equal(&treeId, git_commit_tree_id(head.get()))) return {};
  git_oid commitId;
  if (const int code = CreateCommit(repo.get(), head.get(), treeId, message, author, commitId); code != 0)
    return {{}, GitErrorText("Не удалось записать версию " + name, code)};
  return {{true, ShortId(commitId)}, {}};
}

HistoryResult<std::vector<DeviceVersion>> DeviceVersions(const GitLibrary&, const std::string& devicesDir,
                                                         const std::string& filePath) {
  const HistoryResult<std::string> path = PathInRepository(devicesDir, filePath);
  if (!path) return {{}, path.error};
  GitRepository repo;
  if (const int code = OpenDevicesRepository(repo, devicesDir); code == GIT_ENOTFOUND) return {};
  else if (code != 0) return {{}, GitErrorText("Не удалось открыть хранилище версий", code)};
  git_revwalk* rawWalk = nullptr;
  if (const int code = git_revwalk_new(&rawWalk, repo.get()); code != 0)
    return {{}, GitErrorText("Не удалось прочитать историю версий", code)};
  const GitRevwalk walk(rawWalk);
  // Topological first: two saves within one second still come child before parent.
  git_revwalk_sorting(walk.get(), GIT_SORT_TOPOLOGICAL | GIT_SORT_TIME);
  if (const int code = git_revwalk_push_head(walk.get()); code == GIT_ENOTFOUND || code == GIT_EUNBORNBRANCH) return {};
  else if (code != 0) return {{}, GitErrorText("Не удалось прочитать историю версий", code)};
  HistoryResult<std::vector<DeviceVersion>> result;
  for (git_oid id; git_revwalk_next(&id, walk.get()) == 0;) {
    git_commit* rawCommit = nullptr;
    if (const int code = git_commit_lookup(&rawCommit, repo.get(), &id); code != 0)
      return {{}, GitErrorText("Не удалось прочитать версию " + ShortId(id), code)};
    const GitCommit commit(rawCommit);
    git_oid blob, parentBlob;
    const bool here = BlobIdAt(commit.get(), path.value, blob);
    git_commit* rawParent = nullptr;
    const bool hasParent =
        git_commit_parentcount(commit.get()) > 0 && git_commit_parent(&rawParent, commit.get(), 0) == 0;
    const GitCommit parent(rawParent);
    const bool before = hasParent && BlobIdAt(parent.get(), path.value, parentBlob);
    if (here == before && (!here || git_oid_equal(&blob, &parentBlob))) continue;
    const git_signature* author = git_commit_author(commit.get());
    result.value.push_back(
        {ShortId(id), LocalTimeText(author->when.time), author->name, FirstLine(git_commit_message(commit.get()))});
  }
  return result;
}

HistoryResult<std::string> DeviceFileAt(const GitLibrary&, const std::string& devicesDir, const std::string& filePath,
                                        const std::string& rev) {
  const HistoryResult<std::string> path = PathInRepository(devicesDir, filePath);
  if (!path) return {{}, path.error};
  GitRepository repo;
  if (const int code = OpenDevicesRepository(repo, devicesDir); code != 0)
    return {{}, GitErrorText("Не удалось открыть хранилище версий", code)};
  git_object* rawObject = nullptr;
  int code = git_revparse_single(&rawObject, repo.get(), rev.c_str());
  const GitObject object(rawObject);
  git_object* rawCommit = nullptr;
  if (code == 0) code = git_object_peel(&rawCommit, object.get(), GIT_OBJECT_COMMIT);
  const GitObject commit(rawCommit);
  if (code != 0) return {{}, GitErrorText("Нет версии " + rev, code)};
  git_oid blobId;
  if (!BlobIdAt(reinterpret_cast<git_commit*>(commit.get()), path.value, blobId))
    return {{}, "В версии " + rev + " нет файла " + path.value};
  git_blob* rawBlob = nullptr;
  if (const int found = git_blob_lookup(&rawBlob, repo.get(), &blobId); found != 0)
    return {{}, GitErrorText("Не удалось прочитать " + path.value + " версии " + rev, found)};
  const GitBlob blob(rawBlob);
  const auto* bytes = static_cast<const char*>(git_blob_rawcontent(blob.get()));
  return {std::string(bytes, static_cast<std::size_t>(git_blob_rawsize(blob.get()))), {}};
}

}  // namespace quillon

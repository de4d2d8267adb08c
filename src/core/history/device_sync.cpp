#include "history/device_sync.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>

#include "history/devices_repository.h"
#include "history/unversioned_files.h"
#include "platform/profile.h"
#include "workspace/paths.h"
#include "workspace/settings.h"

namespace quillon {

namespace {

namespace fs = std::filesystem;

using GitRemote = GitHandle<git_remote, git_remote_free>;
using GitReference = GitHandle<git_reference, git_reference_free>;
using GitDiff = GitHandle<git_diff, git_diff_free>;
using GitConfig = GitHandle<git_config, git_config_free>;

constexpr const char* kHeadsPrefix = "refs/heads/";
constexpr unsigned kFileMode = GIT_FILEMODE_BLOB;

// A local path as git would read it from any directory: the configured remote outlives the
// directory the command was started in.
std::string RemoteLocation(const std::string& remote) {
  std::error_code ignored;
  if (remote.find("://") == std::string::npos && fs::exists(remote, ignored))
    return fs::absolute(remote, ignored).lexically_normal().string();
  return remote;
}

// Keys from an SSH agent once; anything else needs no credentials or is refused.
int AgentCredentials(git_credential** out, const char*, const char* user, unsigned int allowed, void* payload) {
  int& tries = *static_cast<int*>(payload);
  if (++tries > 1 || (allowed & GIT_CREDENTIAL_SSH_KEY) == 0) return GIT_PASSTHROUGH;
  return git_credential_ssh_key_from_agent(out, user != nullptr ? user : "git");
}

// The branches the remote holds and the one its HEAD names (empty when it names none).
struct RemoteRefs {
  std::string head;
  std::vector<std::string> branches;

  bool Has(const std::string& ref) const { return std::find(branches.begin(), branches.end(), ref) != branches.end(); }
};

// Asked before the repository is opened, so that an unreachable remote changes nothing here.
HistoryResult<RemoteRefs> ListRemote(const std::string& url) {
  // libgit2 takes a path that is not there for a URL of an unknown kind, and says so.
  std::error_code ignored;
  if (url.find(':') == std::string::npos && !fs::exists(url, ignored))
    return {{}, "Хранилище команды " + PathForDisplay(url) + " недоступно: нет такой папки"};
  int tries = 0;
  git_remote_callbacks callbacks = GIT_REMOTE_CALLBACKS_INIT;
  callbacks.credentials = AgentCredentials;
  callbacks.payload = &tries;
  git_remote* raw = nullptr;
  int code = git_remote_create_detached(&raw, url.c_str());
  const GitRemote remote(raw);
  if (code == 0) code = git_remote_connect(remote.get(), GIT_DIRECTION_FETCH, &callbacks, nullptr, nullptr);
  const git_remote_head** heads = nullptr;
  std::size_t count = 0;
  if (code == 0) code = git_remote_ls(&heads, &count, remote.get());
  if (code != 0) return {{}, GitErrorText("Хранилище команды " + url + " недоступно", code)};
  HistoryResult<RemoteRefs> refs;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string name = heads[i]->name;
    if (name == "HEAD" && heads[i]->symref_target != nullptr) refs.value.head = heads[i]->symref_target;
    else if (name.rfind(kHeadsPrefix, 0) == 0) refs.value.branches.push_back(name);
  }
  git_remote_disconnect(remote.get());
  return refs;
}

// The remote branch the team shares: its HEAD's, else the local branch's name, else the usual
// names; empty when the remote has none of them.
std::string SharedBranch(const RemoteRefs& refs, const std::string& localBranch) {
  for (const std::string& ref :
       {refs.head, localBranch, std::string("refs/heads/master"), std::string("refs/heads/main")})
    if (!ref.empty() && refs.Has(ref)) return ref;
  return {};
}

std::string OpenOrMakeRepository(GitRepository& repo, const std::string& devicesDir) {
  const int code = OpenDevicesRepository(repo, devicesDir);
  if (code == 0) return {};
  if (code != GIT_ENOTFOUND) return GitErrorText("Не удалось открыть хранилище версий", code);
  return MakeDevicesRepository(repo, devicesDir);
}

// The branch HEAD names ("refs/heads/..."), born or not.
std::string LocalBranch(git_repository* repo) {
  git_reference* raw = nullptr;
  if (git_reference_lookup(&raw, repo, "HEAD") != 0) return {};
  const GitReference head(raw);
  const char* target = git_reference_symbolic_target(head.get());
  return target != nullptr ? target : "";
}

std::optional<git_oid> RefTip(git_repository* repo, const std::string& ref) {
  git_oid id;
  if (git_reference_name_to_id(&id, repo, ref.c_str()) != 0) return std::nullopt;
  return id;
}

// The remote is kept in the configuration for the engineer's own git, and the exchange goes
// through an in-memory remote: libgit2 1.5 leaks a regular expression's match data for every
// configuration entry it scans when it looks a named remote up.
std::string PointRemote(git_repository* repo, const std::string& url, GitRemote& remote) {
  git_config* rawConfig = nullptr;
  int code = git_repository_config(&rawConfig, repo);
  const GitConfig config(rawConfig);
  const std::string section = std::string("remote.") + kTeamRemote;
  const std::string fetch = std::string("+refs/heads/*:refs/remotes/") + kTeamRemote + "/*";
  if (code == 0) code = git_config_set_string(config.get(), (section + ".url").c_str(), url.c_str());
  if (code == 0) code = git_config_set_string(config.get(), (section + ".fetch").c_str(), fetch.c_str());
  git_remote_create_options options = GIT_REMOTE_CREATE_OPTIONS_INIT;
  options.repository = repo;
  options.flags = GIT_REMOTE_CREATE_SKIP_INSTEADOF | GIT_REMOTE_CREATE_SKIP_DEFAULT_FETCHSPEC;
  git_remote* raw = nullptr;
  if (code == 0) code = git_remote_create_with_opts(&raw, url.c_str(), &options);
  remote.reset(raw);
  return code == 0 ? std::string() : GitErrorText("Не удалось настроить хранилище команды", code);
}

std::string TrackingRef(const std::string& branch) {
  return std::string("refs/remotes/") + kTeamRemote + "/" + branch.substr(std::strlen(kHeadsPrefix));
}

// The branch's objects brought in and its tip under refs/remotes/team/.
HistoryResult<git_oid> Fetch(git_repository* repo, git_remote* remote, const std::string& branch) {
  int tries = 0;
  git_fetch_options options = GIT_FETCH_OPTIONS_INIT;
  options.callbacks.credentials = AgentCredentials;
  options.callbacks.payload = &tries;
  std::string refspec = "+" + branch + ":" + TrackingRef(branch);
  char* refspecTexts[] = {refspec.data()};
  const git_strarray refspecs{refspecTexts, 1};
  int code = git_remote_connect(remote, GIT_DIRECTION_FETCH, &options.callbacks, nullptr, nullptr);
  if (code == 0) code = git_remote_download(remote, &refspecs, &options);
  const git_remote_head** heads = nullptr;
  std::size_t count = 0;
  if (code == 0) code = git_remote_ls(&heads, &count, remote);
  std::optional<git_oid> tip;
  for (std::size_t i = 0; code == 0 && i < count; ++i)
    if (branch == heads[i]->name) tip = heads[i]->oid;
  git_remote_disconnect(remote);
  if (code != 0) return {{}, GitErrorText("Не удалось получить версии из хранилища команды", code)};
  if (!tip) return {{}, "В хранилище команды больше нет ветки " + branch};
  git_reference* raw = nullptr;
  code = git_reference_create(&raw, repo, TrackingRef(branch).c_str(), &*tip, 1, "sync: fetch");
  const GitReference ref(raw);
  if (code != 0) return {{}, GitErrorText("Не удалось записать версию хранилища команды", code)};
  return {*tip, {}};
}

struct PushState {
  int tries = 0;
  std::string refused;
};

int PushStatus(const char* ref, const char* status, void* payload) {
  if (status != nullptr) static_cast<PushState*>(payload)->refused = std::string(ref) + ": " + status;
  return 0;
}

int PushCredentials(git_credential** out, const char* url, const char* user, unsigned int allowed, void* payload) {
  return AgentCredentials(out, url, user, allowed, &static_cast<PushState*>(payload)->tries);
}

// The local branch onto the remote's, and the tracking branch to what the remote now holds.
std::string Push(git_repository* repo, git_remote* remote, const std::string& localBranch,
                 const std::string& remoteBranch, const git_oid& tip) {
  PushState state;
  git_push_options options = GIT_PUSH_OPTIONS_INIT;
  options.callbacks.credentials = PushCredentials;
  options.callbacks.push_update_reference = PushStatus;
  options.callbacks.payload = &state;
  std::string refspec = localBranch + ":" + remoteBranch;
  char* refspecTexts[] = {refspec.data()};
  const git_strarray refspecs{refspecTexts, 1};
  if (const int code = git_remote_push(remote, &refspecs, &options); code != 0)
    return GitErrorText("Не удалось отправить версии в хранилище команды", code);
  if (!state.refused.empty()) return "Хранилище команды не приняло версии: " + state.refused;
  git_reference* raw = nullptr;
  const int code = git_reference_create(&raw, repo, TrackingRef(remoteBranch).c_str(), &tip, 1, "sync: push");
  const GitReference ref(raw);
  return code == 0 ? std::string() : GitErrorText("Не удалось записать версию хранилища команды", code);
}

GitTree CommitTree(git_repository* repo, const std::optional<git_oid>& commitId) {
  git_commit* rawCommit = nullptr;
  if (!commitId || git_commit_lookup(&rawCommit, repo, &*commitId) != 0) return GitTree();
  const GitCommit commit(rawCommit);
  git_tree* rawTree = nullptr;
  git_commit_tree(&rawTree, commit.get());
  return GitTree(rawTree);
}

// One side's change of one file against the other tree.
struct FileChange {
  std::optional<git_oid> before;  // nullopt: the file is new
  std::optional<git_oid> after;   // nullopt: the file is gone
  unsigned mode = kFileMode;
};

using Changes = std::map<std::string, FileChange>;

HistoryResult<Changes> TreeChanges(git_repository* repo, git_tree* from, git_tree* to) {
  git_diff* raw = nullptr;
  const int code = git_diff_tree_to_tree(&raw, repo, from, to, nullptr);
  const GitDiff diff(raw);
  if (code != 0) return {{}, GitErrorText("Не удалось сравнить версии", code)};
  HistoryResult<Changes> changes;
  for (std::size_t i = 0; i < git_diff_num_deltas(diff.get()); ++i) {
    const git_diff_delta* delta = git_diff_get_delta(diff.get(), i);
    FileChange& change = changes.value[delta->new_file.path != nullptr ? delta->new_file.path : delta->old_file.path];
    if (delta->status != GIT_DELTA_ADDED) change.before = delta->old_file.id;
    if (delta->status != GIT_DELTA_DELETED) {
      change.after = delta->new_file.id;
      change.mode = delta->new_file.mode;
    }
  }
  return changes;
}

void SortByPath(SyncReport& report) {
  std::sort(report.files.begin(), report.files.end(),
            [](const SyncFileOutcome& a, const SyncFileOutcome& b) { return a.path < b.path; });
}

void Report(SyncReport& report, const Changes& changes, SyncFileOutcome::Kind kind) {
  for (const auto& [path, change] : changes)
    if (IsDeviceFilePath(path)) report.files.push_back({kind, path, {}});
}

std::string Checkout(git_repository* repo, git_tree* tree, unsigned strategy) {
  git_checkout_options options = GIT_CHECKOUT_OPTIONS_INIT;
  options.checkout_strategy = strategy;
  if (const int code = git_checkout_tree(repo, reinterpret_cast<git_object*>(tree), &options); code != 0)
    return GitErrorText("Файлы устройств не обновлены (есть изменения, не записанные в историю?)", code);
  return {};
}

std::string MoveBranch(git_repository* repo, const std::string& branch, const git_oid& id) {
  git_reference* raw = nullptr;
  const int code = git_reference_create(&raw, repo, branch.c_str(), &id, 1, "sync");
  const GitReference ref(raw);
  return code == 0 ? std::string() : GitErrorText("Не удалось записать синхронизированную версию", code);
}

std::string BlobBytes(git_repository* repo, const std::optional<git_oid>& id) {
  git_blob* raw = nullptr;
  if (!id || git_blob_lookup(&raw, repo, &*id) != 0) return {};
  const GitBlob blob(raw);
  return std::string(static_cast<const char*>(git_blob_rawcontent(blob.get())),
                     static_cast<std::size_t>(git_blob_rawsize(blob.get())));
}

// What the merged tree takes from "ours": a blob (or none, for a file gone) per path.
struct TreeEdit {
  std::optional<git_oid> blob;
  unsigned mode = kFileMode;
};

struct MergePlan {
  SyncReport report;
  std::map<std::string, TreeEdit> edits;
};

bool SameConflict(const DeviceMergeConflict& a, const DeviceMergeConflict& b) {
  return a.section == b.section && a.key == b.key && a.oursLines == b.oursLines && a.theirsLines == b.theirsLines;
}

// The engineer's answers for `path` when they still fit the conflicts the merge found.
const SyncResolution* AnswersFor(const std::vector<SyncResolution>& resolutions, const std::string& path,
                                 const std::vector<DeviceMergeConflict>& conflicts) {
  for (const SyncResolution& resolution : resolutions) {
    if (resolution.path != path) continue;
    if (resolution.answered.size() != conflicts.size() || resolution.choices.size() != conflicts.size()) return nullptr;
    for (std::size_t i = 0; i < conflicts.size(); ++i)
      if (!SameConflict(resolution.answered[i], conflicts[i])) return nullptr;
    return &resolution;
  }
  return nullptr;
}

// The outcome of a file both sides changed; only device files are merged, any other file
// keeps the local version.
std::string MergeBothSides(git_repository* repo, const std::string& path, const FileChange& ours,
                           const FileChange& theirs, const std::vector<SyncResolution>& resolutions, MergePlan& plan) {
  if (ours.after.has_value() == theirs.after.has_value() &&
      (!ours.after || git_oid_equal(&*ours.after, &*theirs.after)))
    return {};
  if (!IsDeviceFilePath(path)) return {};
  DeviceMergeResult merged =
      MergeDeviceFile(BlobBytes(repo, ours.before), BlobBytes(repo, ours.after), BlobBytes(repo, theirs.after));
  if (!merged.Clean()) {
    const SyncResolution* answers = AnswersFor(resolutions, path, merged.conflicts);
    if (answers == nullptr) {
      plan.report.files.push_back({SyncFileOutcome::Kind::kConflict, path, merged.conflicts});
      return {};
    }
    merged.merged = ResolveConflicts(merged, answers->choices);
  }
  // A file one side removed and the other left without a line of its own stays removed.
  if (merged.merged.empty() && !(ours.after && theirs.after)) {
    plan.edits[path] = {};
  } else {
    git_oid blob;
    if (const int code = git_blob_create_from_buffer(&blob, repo, merged.merged.data(), merged.merged.size());
        code != 0)
      return GitErrorText("Не удалось записать " + path, code);
    plan.edits[path] = {blob, ours.after ? ours.mode : theirs.mode};
  }
  plan.report.files.push_back({SyncFileOutcome::Kind::kMerged, path, {}});
  return {};
}

HistoryResult<MergePlan> PlanMerge(git_repository* repo, git_tree* base, git_tree* ours, git_tree* theirs,
                                   const std::vector<SyncResolution>& resolutions) {
  const HistoryResult<Changes> ourChanges = TreeChanges(repo, base, ours);
  const HistoryResult<Changes> theirChanges = TreeChanges(repo, base, theirs);
  if (!ourChanges) return {{}, ourChanges.error};
  if (!theirChanges) return {{}, theirChanges.error};
  HistoryResult<MergePlan> plan;
  for (const auto& [path, change] : ourChanges.value) {
    if (theirChanges.value.count(path) == 0 && IsDeviceFilePath(path))
      plan.value.report.files.push_back({SyncFileOutcome::Kind::kPushed, path, {}});
  }
  for (const auto& [path, change] : theirChanges.value) {
    const auto ourChange = ourChanges.value.find(path);
    if (ourChange == ourChanges.value.end()) {
      plan.value.edits[path] = {change.after, change.mode};
      if (IsDeviceFilePath(path)) plan.value.report.files.push_back({SyncFileOutcome::Kind::kPulled, path, {}});
    } else if (std::string problem = MergeBothSides(repo, path, ourChange->second, change, resolutions, plan.value);
               !problem.empty()) {
      return {{}, problem};
    }
  }
  SortByPath(plan.value.report);
  return plan;
}

HistoryResult<git_oid> WriteMergeTree(git_repository* repo, git_tree* ours,
                                      const std::map<std::string, TreeEdit>& edits) {
  git_index* raw = nullptr;
  int code = git_index_new(&raw);
  const GitIndex index(raw);
  if (code == 0) code = git_index_read_tree(index.get(), ours);
  for (auto edit = edits.begin(); code == 0 && edit != edits.end(); ++edit) {
    if (!edit->second.blob) {
      code = git_index_remove_bypath(index.get(), edit->first.c_str());
      continue;
    }
    git_index_entry entry{};
    entry.path = edit->first.c_str();
    entry.mode = edit->second.mode;
    entry.id = *edit->second.blob;
    code = git_index_add(index.get(), &entry);
  }
  git_oid treeId{};
  if (code == 0) code = git_index_write_tree_to(&treeId, index.get(), repo);
  if (code != 0) return {{}, GitErrorText("Не удалось собрать объединённую версию", code)};
  return {treeId, {}};
}

// The two sides as the sync found them.
struct SyncSides {
  std::string devicesDir;
  git_repository* repo = nullptr;
  git_remote* remote = nullptr;
  std::string localBranch;
  std::string remoteBranch;
  std::optional<git_oid> ours;
  std::optional<git_oid> theirs;
  const std::vector<SyncResolution>* resolutions = nullptr;
};

std::string MergeMessage(const SyncReport& report) {
  std::string message = "Синхронизация с хранилищем команды\n";
  for (const SyncFileOutcome& file : report.files)
    if (file.kind == SyncFileOutcome::Kind::kMerged) message += "\nОбъединён " + file.path;
  return message + "\n";
}

HistoryResult<SyncReport> Merge(const SyncSides& sides, const GitAuthor& author) {
  git_repository* repo = sides.repo;
  git_oid baseId;
  const bool hasBase = git_merge_base(&baseId, repo, &*sides.ours, &*sides.theirs) == 0;
  const GitTree base = CommitTree(repo, hasBase ? std::optional<git_oid>(baseId) : std::nullopt);
  const GitTree ours = CommitTree(repo, sides.ours);
  const GitTree theirs = CommitTree(repo, sides.theirs);
  if (ours == nullptr || theirs == nullptr || (hasBase && base == nullptr))
    return {{}, GitErrorText("Не удалось прочитать версии для объединения", -1)};
  HistoryResult<MergePlan> plan = PlanMerge(repo, base.get(), ours.get(), theirs.get(), *sides.resolutions);
  if (!plan) return {{}, plan.error};
  if (plan.value.report.HasConflicts()) {
    // Nothing was written: only the choices the engineer has to make are told.
    std::erase_if(plan.value.report.files,
                  [](const SyncFileOutcome& file) { return file.kind != SyncFileOutcome::Kind::kConflict; });
    return {std::move(plan.value.report), {}};
  }
  const HistoryResult<git_oid> treeId = WriteMergeTree(repo, ours.get(), plan.value.edits);
  if (!treeId) return {{}, treeId.error};
  git_tree* rawTree = nullptr;
  git_signature* rawSignature = nullptr;
  git_commit* rawOurs = nullptr;
  git_commit* rawTheirs = nullptr;
  int code = git_tree_lookup(&rawTree, repo, &treeId.value);
  const GitTree tree(rawTree);
  if (code == 0) code = git_signature_now(&rawSignature, author.name.c_str(), author.email.c_str());
  const GitSignature signature(rawSignature);
  if (code == 0) code = git_commit_lookup(&rawOurs, repo, &*sides.ours);
  const GitCommit ourCommit(rawOurs);
  if (code == 0) code = git_commit_lookup(&rawTheirs, repo, &*sides.theirs);
  const GitCommit theirCommit(rawTheirs);
  const git_commit* parents[] = {ourCommit.get(), theirCommit.get()};
  git_oid commitId;
  if (code == 0)
    code = git_commit_create(&commitId, repo, nullptr, signature.get(), signature.get(), nullptr,
                             MergeMessage(plan.value.report).c_str(), tree.get(), 2, parents);
  if (code != 0) return {{}, GitErrorText("Не удалось записать объединённую версию", code)};
  // The files first: when one of them holds an edit not yet a version, the branch stays put.
  std::string problem = Checkout(repo, tree.get(), GIT_CHECKOUT_SAFE);
  if (problem.empty()) problem = MoveBranch(repo, sides.localBranch, commitId);
  if (problem.empty()) problem = Push(repo, sides.remote, sides.localBranch, sides.remoteBranch, commitId);
  if (!problem.empty()) return {{}, problem};
  return {std::move(plan.value.report), {}};
}

HistoryResult<SyncReport> Exchange(const SyncSides& sides, const GitAuthor& author) {
  git_repository* repo = sides.repo;
  HistoryResult<SyncReport> result;
  if (!sides.theirs && !sides.ours) return result;
  const GitTree ours = CommitTree(repo, sides.ours);
  const GitTree theirs = CommitTree(repo, sides.theirs);
  if (!sides.theirs || (sides.ours && git_graph_descendant_of(repo, &*sides.ours, &*sides.theirs) == 1)) {
    const HistoryResult<Changes> changes = TreeChanges(repo, theirs.get(), ours.get());
    if (!changes) return {{}, changes.error};
    if (std::string problem = Push(repo, sides.remote, sides.localBranch, sides.remoteBranch, *sides.ours);
        !problem.empty())
      return {{}, problem};
    Report(result.value, changes.value, SyncFileOutcome::Kind::kPushed);
    return result;
  }
  const bool unborn = !sides.ours;
  if (unborn || git_graph_descendant_of(repo, &*sides.theirs, &*sides.ours) == 1) {
    const HistoryResult<Changes> changes = TreeChanges(repo, ours.get(), theirs.get());
    if (!changes) return {{}, changes.error};
    // With no version of its own the folder's files were never recorded: the team's replace them,
    // each one that differs kept in BackUp/ first.
    std::string problem = unborn ? BackUpFilesTheTeamReplaces(repo, sides.devicesDir, theirs.get()) : std::string();
    if (problem.empty()) problem = Checkout(repo, theirs.get(), unborn ? GIT_CHECKOUT_FORCE : GIT_CHECKOUT_SAFE);
    if (problem.empty()) problem = MoveBranch(repo, sides.localBranch, *sides.theirs);
    if (!problem.empty()) return {{}, problem};
    Report(result.value, changes.value, SyncFileOutcome::Kind::kPulled);
    return result;
  }
  if (git_oid_equal(&*sides.ours, &*sides.theirs)) return result;
  return Merge(sides, author);
}

}  // namespace

bool SyncReport::HasConflicts() const {
  return std::any_of(files.begin(), files.end(),
                     [](const SyncFileOutcome& file) { return file.kind == SyncFileOutcome::Kind::kConflict; });
}

std::string DatabaseRemote(const std::string& settingsFile) {
  return ReadProfileString(settingsFile, kSettingsSection, "DatabaseRemote", "");
}

HistoryResult<SyncReport> SyncDevices(const GitLibrary& git, const std::string& devicesDir, const std::string& remote,
                                      const GitAuthor& author, const std::vector<SyncResolution>& resolutions) {
  if (remote.empty()) return {{}, "Не задано хранилище команды (DatabaseRemote в settings.ini)"};
  const std::string url = RemoteLocation(remote);
  const HistoryResult<RemoteRefs> refs = ListRemote(url);
  if (!refs) return {{}, refs.error};
  GitRepository repo;
  if (std::string problem = OpenOrMakeRepository(repo, devicesDir); !problem.empty()) return {{}, problem};
  SyncSides sides;
  sides.devicesDir = devicesDir;
  sides.repo = repo.get();
  sides.resolutions = &resolutions;
  sides.localBranch = LocalBranch(repo.get());
  if (sides.localBranch.rfind(kHeadsPrefix, 0) != 0)
    return {{}, "Хранилище версий не на ветке: синхронизировать нечего"};
  // A folder with versions takes its unversioned files in now, so they travel with the rest; one
  // without takes the team's first (see Exchange) and then what the team lacked.
  const bool unborn = !RefTip(repo.get(), "HEAD");
  if (!unborn) {
    if (const auto taken = RecordUnversionedFiles(git, devicesDir, author); !taken) return {{}, taken.error};
  }
  sides.ours = RefTip(repo.get(), "HEAD");
  sides.remoteBranch = SharedBranch(refs.value, sides.localBranch);
  GitRemote team;
  if (std::string problem = PointRemote(repo.get(), url, team); !problem.empty()) return {{}, problem};
  sides.remote = team.get();
  if (!sides.remoteBranch.empty()) {
    const HistoryResult<git_oid> theirs = Fetch(repo.get(), team.get(), sides.remoteBranch);
    if (!theirs) return {{}, theirs.error};
    sides.theirs = theirs.value;
  } else {
    sides.remoteBranch = sides.localBranch;
  }
  HistoryResult<SyncReport> report = Exchange(sides, author);
  if (!report || !unborn) return report;
  HistoryResult<std::vector<std::string>> taken = RecordUnversionedFiles(git, devicesDir, author);
  if (!taken) return {{}, taken.error};
  if (taken.value.empty()) return report;
  const std::optional<git_oid> tip = RefTip(repo.get(), "HEAD");
  if (!tip) return {{}, "Не удалось прочитать последнюю версию"};
  if (std::string problem = Push(repo.get(), team.get(), sides.localBranch, sides.remoteBranch, *tip); !problem.empty())
    return {{}, problem};
  for (std::string& path : taken.value)
    report.value.files.push_back({SyncFileOutcome::Kind::kPushed, std::move(path), {}});
  SortByPath(report.value);
  return report;
}

}  // namespace quillon

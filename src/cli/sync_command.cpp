// quillon-cli sync [--remote URL]: Devices/'s history exchanged with the team's repository
// (DatabaseRemote of settings.ini unless --remote names another), one line per device file.
#include <cstdio>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "history/device_changes.h"
#include "history/device_sync.h"
#include "workspace/paths.h"

namespace quillon::cli {

namespace {

const char* KindWord(SyncFileOutcome::Kind kind) {
  switch (kind) {
    case SyncFileOutcome::Kind::kPulled:
      return "pulled";
    case SyncFileOutcome::Kind::kPushed:
      return "pushed";
    case SyncFileOutcome::Kind::kMerged:
      return "merged";
    case SyncFileOutcome::Kind::kConflict:
      break;
  }
  return "conflict";
}

// One field of a TAB-separated line: a section's lines one after the other as "\n" escapes.
std::string Field(const std::optional<std::string>& value) {
  std::string field;
  for (const char c : value.value_or("")) {
    if (c == '\n') field += "\\n";
    else if (c == '\t') field += ' ';
    else field += c;
  }
  return field;
}

void PrintReport(const SyncReport& report) {
  for (const SyncFileOutcome& file : report.files) {
    std::printf("%s\t%s\n", KindWord(file.kind), file.path.c_str());
    for (const DeviceMergeConflict& conflict : file.conflicts) {
      std::optional<std::string> local = conflict.ours;
      std::optional<std::string> team = conflict.theirs;
      // A parameter's line by its base value where nothing else of it differs.
      if (!conflict.key.empty()) {
        if (const auto shown = DescribeChange(conflict.section, conflict.key, conflict.ours, conflict.theirs)) {
          local = shown->before;
          team = shown->after;
        }
      }
      std::printf("conflict\t%s\t%s/%s\t%s\t%s\n", file.path.c_str(), conflict.section.c_str(), conflict.key.c_str(),
                  Field(local).c_str(), Field(team).c_str());
    }
  }
}

}  // namespace

int RunSyncCommand(const Args& args) {
  std::string remote = DatabaseRemote(Workspace().SettingsFile());
  if (args.size() == 2 && args[0] == "--remote" && !args[1].empty()) remote = args[1];
  else if (!args.empty()) return UsageError("sync: the only option is --remote URL");
  if (remote.empty()) {
    std::fprintf(stderr, "quillon-cli: Не задано хранилище команды: DatabaseRemote в settings.ini или --remote\n");
    return kExitFailed;
  }
  const GitLibrary git;
  const HistoryResult<SyncReport> synced =
      SyncDevices(git, Workspace().devices, remote, EngineerAuthor(Workspace().SettingsFile()));
  if (!synced) {
    std::fprintf(stderr, "quillon-cli: %s\n", synced.error.c_str());
    return kExitFailed;
  }
  PrintReport(synced.value);
  return synced.value.HasConflicts() ? kExitConflicts : kExitDone;
}

}  // namespace quillon::cli

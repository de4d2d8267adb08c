#pragma once
// Device files the history has never held: a database older than its history, files copied in
// by hand. A sync takes them into the history before it shares anything, so that the team gets
// the whole database and no engineer's file is replaced without a trace.
#include <string>
#include <vector>

#include "history/device_history.h"

namespace quillon {

// Paths (relative to Devices/, "/"-separated) of the device files in the folder that no commit
// of HEAD holds, sorted; the repository's own .gitignore is listed too while it is not a version.
HistoryResult<std::vector<std::string>> UnversionedFiles(git_repository* repo);

// Commits every unversioned file of `devicesDir` in one version ("Файлы устройств взяты в историю:
// N", then the paths). The device files recorded, none when there were none.
HistoryResult<std::vector<std::string>> RecordUnversionedFiles(const GitLibrary& git, const std::string& devicesDir,
                                                               const GitAuthor& author);

// Before the team's files replace a folder with no version of its own: every unversioned device
// file that `theirs` holds with other bytes is copied to BackUp/ the way a replace backs a file
// up. The first copy that fails stops the sync with its reason, before anything is replaced.
std::string BackUpFilesTheTeamReplaces(git_repository* repo, const std::string& devicesDir, git_tree* theirs);

}  // namespace quillon

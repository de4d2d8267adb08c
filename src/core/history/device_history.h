#pragma once
// The Devices/ folder as a git repository: every save of a device file is a commit of that one
// file, so any earlier state of a device can be listed, compared and read back.
#include <string>
#include <vector>

#include "history/git_handles.h"

namespace quillon {

// A history call's result: the value, or the reason it could not be had (Russian, for the
// engineer). History never decides whether a file is saved, so its failures are values.
template <typename T>
struct HistoryResult {
  T value{};
  std::string error;
  bool Ok() const { return error.empty(); }
  explicit operator bool() const { return Ok(); }
};

struct GitAuthor {
  std::string name;
  std::string email;
};

// Engineer and EngineerEmail of settings.ini's Settings section; without them the login name
// and "<login>@<host name>".
GitAuthor EngineerAuthor(const std::string& settingsFile);

struct CommitOutcome {
  bool committed = false;  // false when the file is as its last version: no empty commit
  std::string shortId;     // of the new commit
};

// Opens the repository at `devicesDir` (an existing one is used as it is), or makes one there
// with a .gitignore that keeps BackUp/ out, and commits `filePath` alone with `author` as author
// and committer. A file outside `devicesDir` or inside its BackUp/ is refused.
HistoryResult<CommitOutcome> CommitDeviceFile(const GitLibrary& git, const std::string& devicesDir,
                                              const std::string& filePath, const std::string& message,
                                              const GitAuthor& author);

// The same for several files in one commit (the files a sync takes into the history at once).
HistoryResult<CommitOutcome> CommitDeviceFiles(const GitLibrary& git, const std::string& devicesDir,
                                               const std::vector<std::string>& filePaths, const std::string& message,
                                               const GitAuthor& author);

struct DeviceVersion {
  std::string shortId;
  std::string time;  // local, dd.MM.yyyy HH:mm:ss
  std::string author;
  std::string summary;  // the message's first line
};

// The commits that changed the file, newest first. No repository or no commit yet: none.
HistoryResult<std::vector<DeviceVersion>> DeviceVersions(const GitLibrary& git, const std::string& devicesDir,
                                                         const std::string& filePath);

// The file's bytes at `rev`: a short or full id or any revision git names (HEAD~1, ...).
HistoryResult<std::string> DeviceFileAt(const GitLibrary& git, const std::string& devicesDir,
                                        const std::string& filePath, const std::string& rev);

}  // namespace quillon

#pragma once
// The device database shared by a team: Devices/'s history exchanged with one remote repository
// (a path or any URL git understands), merged key by key where two engineers edited one file.
//
// A sync either completes — the remote's versions are in the local history and the files,
// the local versions are on the remote — or changes nothing on the disk and nothing on the
// remote. When both sides changed one key of one file differently, no merge commit is made and
// nothing is pushed: the whole sync waits for the engineer's choice, and the report lists every
// such key with both values. The files stay as they are meanwhile, the other files' changes
// included, so that the folder never holds half of a merge.
//
// The versions are what is exchanged: a device file that was never a version (a database older
// than its history, a file copied in) is taken into the history first, in one version of its
// own, so the team gets the whole database. A file edited outside the program since its last
// version is left to its next save; one the remote changes stops the sync before anything is
// written.
#include <string>
#include <vector>

#include "history/device_history.h"
#include "history/device_merge.h"

namespace quillon {

// The name the team's repository is configured under in Devices/.git/config.
inline constexpr const char* kTeamRemote = "team";

struct SyncFileOutcome {
  enum class Kind { kPulled, kPushed, kMerged, kConflict };
  Kind kind = Kind::kPulled;
  std::string path;                            // relative to Devices/, "/"-separated
  std::vector<DeviceMergeConflict> conflicts;  // kConflict only
};

struct SyncReport {
  // Device files only (*.ini outside BackUp/), by path; .gitignore and other files are taken
  // without a word. When a file conflicts, only the conflicting files: nothing else was done.
  std::vector<SyncFileOutcome> files;

  bool HasConflicts() const;
};

// The engineer's answers for one file's conflicts, given back to the next sync. They are used
// only while the merge finds exactly the conflicts they answered (same keys, same values on
// both sides); when either side has changed since, the file is a conflict again.
struct SyncResolution {
  std::string path;
  std::vector<DeviceMergeConflict> answered;
  std::vector<DeviceMergeChoice> choices;  // one per answered conflict, in its order
};

// DatabaseRemote of settings.ini's Settings section; empty when none is set.
std::string DatabaseRemote(const std::string& settingsFile);

// Opens the repository of `devicesDir` (or makes one, as a first save does), points the remote
// "team" at `remote` and exchanges the branch of the remote's HEAD (else the local branch's name,
// which a first push creates there):
// - the remote has no commit: the local branch is pushed, every device file in it "pushed";
// - the local branch has no commit: the remote's is checked out, every device file "pulled"
//   (a file of the same name that was never a version is replaced, and kept in BackUp/ when it
//   differs), and the files the remote lacked become the first local version, "pushed";
// - one side contains the other: a fast-forward, the files the remote changed "pulled", those it
//   lacked "pushed";
// - both went their own ways: a file changed on one side only is taken from that side ("pulled"
//   or "pushed"), one changed on both is merged by MergeDeviceFile ("merged", or "conflict" with
//   its conflicts, unless `resolutions` answer them); with no conflict left the merge is
//   committed with both parents and `author` as author and committer, and pushed.
// An unreachable remote is an error, and then nothing local is created or changed.
HistoryResult<SyncReport> SyncDevices(const GitLibrary& git, const std::string& devicesDir, const std::string& remote,
                                      const GitAuthor& author, const std::vector<SyncResolution>& resolutions = {});

}  // namespace quillon

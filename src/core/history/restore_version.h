#pragma once
// Bringing an earlier version of a device file back. The restore is a save like any other: the
// file as it is now goes to Devices/BackUp/ first, the old bytes replace it, and the restore
// becomes the newest version, so nothing of the newer state is lost and the restore itself can
// be undone the same way.
#include <string>

#include "history/device_changes.h"
#include "history/git_handles.h"
#include "history/record_save.h"
#include "workspace/paths.h"

namespace quillon {

struct RestoreOutcome {
  std::string error;        // why the file was not restored; empty when it was
  DeviceSaveRecord record;  // the version the restore left (record.error: restored, no version)
  bool Restored() const { return error.empty(); }
};

RestoreOutcome RestoreDeviceVersion(const GitLibrary& git, const WorkspacePaths& paths, const std::string& filePath,
                                    const std::string& rev);

// The changes between two versions of the file, in the file's order; `newerRev` empty means the
// file as it is now, `olderRev` empty no file at all (what the first version brought). Whole values: a definition
// line's items are separated by "/", which the changes viewer's "key/old/new" lines could not carry.
struct VersionComparison {
  std::vector<DeviceChange> changes;
  std::string error;
};
VersionComparison CompareDeviceVersions(const GitLibrary& git, const WorkspacePaths& paths, const std::string& filePath,
                                        const std::string& olderRev, const std::string& newerRev);

}  // namespace quillon

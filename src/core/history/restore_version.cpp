#include "history/restore_version.h"

#include <stdexcept>

#include "history/device_changes.h"
#include "history/device_history.h"
#include "platform/ini_document.h"
#include "workspace/device_file.h"

namespace quillon {

RestoreOutcome RestoreDeviceVersion(const GitLibrary& git, const WorkspacePaths& paths, const std::string& filePath,
                                    const std::string& rev) {
  RestoreOutcome outcome;
  const HistoryResult<std::string> old = DeviceFileAt(git, paths.devices, filePath, rev);
  if (!old) {
    outcome.error = old.error;
    return outcome;
  }
  const std::string before = DeviceFileBytes(filePath);
  if (before == old.value) return outcome;  // already as that version: nothing to write or record
  // The backup is what makes the replace undoable outside the history too.
  if (const BackupOutcome backup = BackupDeviceFile(paths, filePath); !backup) {
    outcome.error = "Резервная копия не создана: " + backup.failure;
    return outcome;
  }
  try {
    SaveBytesAtomically(filePath, old.value);
  } catch (const std::runtime_error& error) {
    outcome.error = error.what();
    return outcome;
  }
  outcome.record = RecordDeviceSave(paths, filePath, before, old.value);
  return outcome;
}

VersionComparison CompareDeviceVersions(const GitLibrary& git, const WorkspacePaths& paths, const std::string& filePath,
                                        const std::string& olderRev, const std::string& newerRev) {
  VersionComparison comparison;
  // No older revision: the first version, compared with no file at all.
  HistoryResult<std::string> older;
  if (!olderRev.empty()) older = DeviceFileAt(git, paths.devices, filePath, olderRev);
  if (!older) {
    comparison.error = older.error;
    return comparison;
  }
  std::string newer;
  if (newerRev.empty()) {
    newer = DeviceFileBytes(filePath);
  } else {
    HistoryResult<std::string> atRev = DeviceFileAt(git, paths.devices, filePath, newerRev);
    if (!atRev) {
      comparison.error = atRev.error;
      return comparison;
    }
    newer = std::move(atRev.value);
  }
  comparison.changes = CompareDeviceFiles(older.value, newer);
  return comparison;
}

}  // namespace quillon

#pragma once
// The version a save of a device file leaves in Devices/'s history. Every path that writes a
// device file calls it once the file is written; its failure is reported, never undoes the save.
#include <string>
#include <string_view>
#include <vector>

#include "history/device_changes.h"
#include "workspace/paths.h"

namespace quillon {

struct DeviceSaveRecord {
  bool committed = false;  // false for a file outside Devices/, in BackUp/, or unchanged
  std::string shortId;
  std::vector<DeviceChange> changes;  // what the version changed against the previous one
  std::string error;                  // why no version was recorded; empty when none failed
};

// Commits the file as saved, with the change lines against its last version (or, for a file
// not yet in the history, against `beforeBytes`: the file as it was before this save) and the
// engineer from settings.ini as author. A file outside Devices/ or inside BackUp/ is left out
// without an error.
DeviceSaveRecord RecordDeviceSave(const WorkspacePaths& paths, const std::string& filePath,
                                  std::string_view beforeBytes, std::string_view afterBytes);

// What the engineer is told when the save went through but its version did not: "Версия не
// записана в историю:" and the reason; empty when there is nothing to tell.
std::string HistoryWarning(const DeviceSaveRecord& record);

// The file's bytes as they are on the disk; empty when it is missing or cannot be read (a new
// file has no "before").
std::string DeviceFileBytes(const std::string& path);

}  // namespace quillon

#pragma once
// A "reserve" or "clone": the whole parameter content of another device of the same kind copied
// into a device's file, which keeps its own identity.
#include <string>
#include <string_view>
#include <vector>

#include "text/datetime.h"
#include "workspace/paths.h"

namespace quillon {

// The device that receives the copy. `path` is empty for a device not yet in the database.
struct CloneTarget {
  std::string id;
  std::string location;
  std::string description;
  std::string serial;
  std::string lastChange;
  std::string typeKey;
  std::string path;
};

// A device of the database: its DEVICE section gives ID, Location, Description and LastDateTime.
CloneTarget CloneTargetOfFile(const std::string& path);
// A device the new-device dialog is making; its last change is `today`.
CloneTarget CloneTargetOfNewDevice(const std::string& id, const std::string& location, const std::string& description,
                                   const std::string& path, DateTime today);

// What the dialog tells about the target, one line each.
std::vector<std::string> CloneInfoLines(const CloneTarget& target);

// The names of the directories under Devices/, as listed. Devices/BackUp/ is one of them: its
// copies are offered as sources like any device, which is how an older state is restored.
std::vector<std::string> DeviceTypeNames(const WorkspacePaths& paths);

struct CloneSourceRow {
  std::string location;
  std::string description;
  std::string serial;
  std::string firmware;  // "v" + device version + "." + firmware version; empty without an ID
  std::string path;
};

// One row per device file of Devices/<typeName>/, the last listed first.
std::vector<CloneSourceRow> CloneSourceRows(const WorkspacePaths& paths, std::string_view typeName);

struct CloneChoice {
  std::string sourcePath;
  bool sourceLocation = false;     // keep the source's Location instead of the target's
  bool sourceDescription = false;  // likewise for Description
  // The engineer agreed to replace a file that holds another device (see DeviceFileClashAt).
  bool replaceOtherDevice = false;
};

// The file the clone is written to: the target's own file when it has one, otherwise the
// source's directory + serial number + ".ini" (for a source under BackUp/ the group directory
// of the target's type instead, so the new device never lives among the copies).
std::string CloneTargetPath(const WorkspacePaths& paths, const CloneTarget& target, const std::string& sourcePath);

// Writes the source's whole content under the target's file name with the target's ID, today's
// date as LastDateTime, and Location and Description per `choice`. A file there is backed up
// to Devices/BackUp/ first (PrepareDeviceFileReplace: DeviceFileClashError when it holds another
// device and `choice` does not allow that, std::runtime_error when the backup fails). The target's type key becomes
// `selectedType` and its path the file written, which is returned. Throws std::runtime_error with the engineer's
// message when the source cannot be read, the serial number cannot name a file or the file cannot be written; the
// target's file then stays as it was.
std::string ApplyClone(const WorkspacePaths& paths, CloneTarget& target, const std::string& selectedType,
                       const CloneChoice& choice, DateTime today);

}  // namespace quillon

#pragma once
// A controller the database does not know yet (or one whose firmware changed) gets its device
// file from a template: Devices/<type name><device version>/<serial>.ini, with the identity
// and the texts the engineer entered.
#include <optional>
#include <string>

#include "maintenance/device_templates.h"
#include "text/datetime.h"
#include "workspace/paths.h"

namespace quillon {

struct NewDeviceFields {
  std::string id;  // the identification string as it is to be stored
  std::string serial;
  std::string location;
  std::string description;
  // The engineer agreed to replace a file that holds another device (see DeviceFileClashAt).
  bool replaceOtherDevice = false;
};

// Where the device file made from `entry` lies.
std::string NewDeviceFilePath(const WorkspacePaths& paths, const TemplateEntry& entry, const std::string& serial);

// Writes the device file: a file already there is backed up to Devices/BackUp/ first
// (PrepareDeviceFileReplace, which throws for another device's file or a failed backup); the
// template's content then replaces it whole, with DEVICE ID, Location, Description and
// LastDateTime (the date of `today`). Returns the file written.
// nullopt, with the database unchanged, when the template entry has no type name or its group
// directory cannot be created. Throws std::runtime_error with the engineer's message when the
// template cannot be read, the serial number cannot name a file or the file cannot be written;
// the device's file then stays as it was.
std::optional<std::string> AddDeviceToBase(const WorkspacePaths& paths, const TemplateEntry& entry,
                                           const NewDeviceFields& fields, DateTime today);

}  // namespace quillon

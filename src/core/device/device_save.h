#pragma once
// Saving the open device into its file, and the list of what a save would change.
#include <string>
#include <vector>

#include "device/device_parameters.h"
#include "history/record_save.h"

namespace quillon {

// What the window shows of the device besides its parameters.
struct DeviceIdentityTexts {
  std::string id;
  std::string description;
  std::string location;
  std::string lastDateTime;
};

// Writes DEVICE (ID, Description, Location, LastDateTime), the definition line of every
// variable into the parameter section and the scale table into vars. The file keeps its own ID
// unless `identity.id` names the same device with the same firmware version (a new firmware
// date). A read-only file is made writable first. The file is replaced atomically. Throws
// std::runtime_error when it cannot be written. The saved file then becomes a version in the
// history of Devices/ (when the workspace is set and the file lies there); the record says
// whether it did, and why not when that failed: the caller shows record.error, the save stands.
DeviceSaveRecord SaveDevice(DeviceParameters& parameters, const DeviceIdentityTexts& identity);

struct DeviceChanges {
  // "label/old/new" rows, then the header row when there is any (the viewer shows it on top).
  std::vector<std::string> rows;
  // The same changes as text, one line each.
  std::string text;
};

inline constexpr const char* kChangesHeaderRow = "Изменённый параметр/Старое значение/ Новое значение";

// Compares the device file with the window: mechanism and location, the scale lines that are
// plain values, and the base value of every variable against the last item of its line in the
// file's section (for a parameter list kept in a scale line, that line's last item).
DeviceChanges CollectChanges(DeviceParameters& parameters, const std::string& description, const std::string& location);

}  // namespace quillon

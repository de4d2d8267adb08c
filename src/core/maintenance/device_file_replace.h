#pragma once
// The one way a clone or a new device takes the place of a device file that is already there:
// never over another controller's file unless the engineer said so, and never without a backup.
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "workspace/paths.h"

namespace quillon {

// A device file that holds another controller than the one about to be written there.
struct DeviceFileClash {
  std::string path;
  std::string fileId;  // the identification string the file holds
  std::string newId;   // the one that would replace it
};

// The clash when the file at `path` exists and its ID names another device (serial, type or
// device version differ) than `newId`. A file whose ID does not parse is no clash here: its
// backup cannot be made, and that stops the replace on its own.
std::optional<DeviceFileClash> DeviceFileClashAt(const std::string& path, std::string_view newId);

// The question put to the engineer, both identities shown; the answer that keeps the file is "No".
std::string ClashQuestion(const DeviceFileClash& clash);

// Thrown when a replace would overwrite another device's file and was not allowed to.
class DeviceFileClashError : public std::runtime_error {
 public:
  explicit DeviceFileClashError(DeviceFileClash clash);
  const DeviceFileClash& Clash() const { return clash_; }

 private:
  DeviceFileClash clash_;
};

// Readies an existing file at `path` for being replaced by the device `newId`: throws
// DeviceFileClashError for another device's file unless `replaceOtherDevice`, makes the file
// writable and backs it up to Devices/BackUp/, throwing std::runtime_error with the reason when
// the backup cannot be made. Nothing is changed when it throws. No file at `path`: nothing to do.
void PrepareDeviceFileReplace(const WorkspacePaths& paths, const std::string& path, std::string_view newId,
                              bool replaceOtherDevice);

}  // namespace quillon

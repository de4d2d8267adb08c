#pragma once
// What the connect sequence does with the identification string a device reported.
#include <string>
#include <string_view>

#include "workspace/paths.h"

namespace quillon {

enum class ConnectAction {
  Stop,                 // no usable identification: the sequence ends without a message
  FirmwareChanged,      // the file was found but the firmware version differs
  FirmwareDateChanged,  // only the firmware date differs: the file's ID is rewritten
  Found,
  NotFound,  // the device goes into the catalogue's "New" group
};

struct ConnectDecision {
  ConnectAction action = ConnectAction::Stop;
  std::string idText;  // the received string, cleaned of what no identification contains
  std::string path;    // the device file, when one was found
};

ConnectDecision DecideConnect(const WorkspacePaths& paths, std::string_view receivedId);

// Replaces DEVICE/ID of the file, making a read-only file writable first. Throws
// std::runtime_error when it cannot be written.
void RewriteDeviceId(const std::string& path, const std::string& idText);

}  // namespace quillon

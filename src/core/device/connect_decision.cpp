#include "device/connect_decision.h"

#include "platform/files.h"
#include "platform/profile.h"
#include "workspace/device_file.h"
#include "workspace/identification.h"

namespace quillon {

ConnectDecision DecideConnect(const WorkspacePaths& paths, std::string_view receivedId) {
  ConnectDecision decision;
  decision.idText = FilterIdentificationText(receivedId);
  if (!ParseIdentification(decision.idText)) return decision;
  const DeviceMatch match = FindDeviceFile(paths, decision.idText);
  decision.path = match.path;
  if (match.path.empty()) {
    decision.action = ConnectAction::NotFound;
  } else if ((match.flags & kFirmwareVersionDiffers) != 0) {
    decision.action = ConnectAction::FirmwareChanged;
  } else if (match.flags == kFirmwareDateDiffers) {
    decision.action = ConnectAction::FirmwareDateChanged;
  } else {
    decision.action = ConnectAction::Found;
  }
  return decision;
}

void RewriteDeviceId(const std::string& path, const std::string& idText) {
  if (FileExists(path) && IsReadOnly(path)) ClearReadOnly(path);
  WriteProfileString(path, kDeviceSection, "ID", idText);
}

}  // namespace quillon

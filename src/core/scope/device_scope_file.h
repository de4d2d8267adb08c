#pragma once
// The scope window the main window opens for the device it is connected to: one file per
// device in ScopeWindow/, named after the device's type and serial number, made once from the
// scope template of its firmware or, without one, from the device file's RAM variables. Later
// openings reuse the file with whatever the engineer has changed in it.
#include <optional>
#include <string>
#include <string_view>

#include "link/link_check.h"
#include "workspace/paths.h"

namespace quillon {

inline constexpr std::string_view kConnectedScopeWindow = "10/10/480/356/";
inline constexpr std::string_view kConnectedScopeOption = "47/45/55/21/auto/1000/1/";
inline constexpr std::string_view kConnectedScopeViewValue = "1/15/";

// address/port/baud/frame end/protocol/RAM/ and, under MODBUS TCP, the IP address + "/". An
// empty address stands for 1, an empty frame end for 8; under MODBUS TCP the frame end is 8.
std::string ConnectedScopePort(const LinkFieldTexts& fields);

struct ConnectedScopeResult {
  std::optional<std::string> path;  // the scope file to open
  std::string problem;              // why there is none
};

// The scope file of the device that `idLine` identifies (at least serial, type and version):
// an existing one unchanged; else a copy of the firmware's template with `devicePath` and
// `port` written into it; else a new one showing every RAM variable of the device file.
ConnectedScopeResult PrepareConnectedScopeFile(const std::string& idLine, const std::string& devicePath,
                                               const std::string& port, const WorkspacePaths& paths);

}  // namespace quillon

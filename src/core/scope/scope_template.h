#pragma once
// Scope templates: a window saved under the name of its device's type and firmware, which the
// main window copies when it opens a scope for a connected device of that kind.
#include <optional>
#include <string>
#include <string_view>

#include "workspace/paths.h"

namespace quillon {

// Device type key + "_" + firmware version + ".scp" of an identification string; nullopt when
// it has fewer than four tokens or the name would lead out of the template directory.
std::optional<std::string> ScopeTemplateName(std::string_view idText);

// Where the window's file is copied to: the template directory (created when missing) + the
// name from the ID of the device file's DEVICE section. nullopt when the directory cannot be
// made, the device path is empty or its ID gives no name.
std::optional<std::string> ScopeTemplatePath(const std::string& devicePath, const WorkspacePaths& paths);

}  // namespace quillon

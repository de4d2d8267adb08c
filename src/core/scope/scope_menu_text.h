#pragma once
// How the main window's scope menu names an open scope window.
#include <string>

#include "scope/base_property.h"

namespace quillon {

// MODBUS RTU: address + " "; either TCP kind: IP + " " + TCP port + " "; QuBUS nothing; then port,
// protocol, bit rate and memory area separated by blanks, ": " and the window's caption.
std::string ScopeWindowMenuText(const TBaseProperty& property, const std::string& caption);

}  // namespace quillon

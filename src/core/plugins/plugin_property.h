#pragma once
// Conversions between the program's UTF-8 records and the Windows-1251 counted strings that
// plug-ins see.
#include <quillon/plugin.h>

#include <string>
#include <string_view>

#include "scope/base_property.h"

namespace quillon {

// Longer texts are cut to the 255 characters a counted string holds.
QuillonCountedString ToCountedString(std::string_view utf8);
std::string FromCountedString(const QuillonCountedString& text);

// The 22 texts converted; the three slots are host-internal and stay null.
::TBaseProperty ToPluginProperty(const TBaseProperty& link);

}  // namespace quillon

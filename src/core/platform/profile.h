#pragma once
// Private-profile access to INI files: each call reads the file afresh and each write saves
// it at once (atomically), so nothing is held open or cached between calls. For many changes
// to one file load an IniDocument, change it and save it once.
#include <string>
#include <string_view>
#include <vector>

#include "platform/ini_document.h"

namespace quillon {

std::string ReadProfileString(const std::string& path, std::string_view section, std::string_view key,
                              std::string_view fallback = {});
int ReadProfileInt(const std::string& path, std::string_view section, std::string_view key, int fallback);

// Creates the file on the first write. Throws std::runtime_error when it cannot be written.
void WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value);
void EraseProfileSection(const std::string& path, std::string_view section);

std::vector<std::string> ProfileSectionNames(const std::string& path);
std::vector<std::string> ProfileKeyNames(const std::string& path, std::string_view section);
std::vector<std::string> ProfileSectionLines(const std::string& path, std::string_view section);

}  // namespace quillon

#pragma once
// What one version of a device file changed against another, without any repository: the lines
// a version's message and the history's comparison are made of.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// One change in the words of the changes viewer before a save: a parameter by its name and
// base value, the identity fields by their captions, a scale as "Шкала <name>".
struct DeviceChange {
  std::string key;
  std::string before;  // empty for a key only in the newer version
  std::string after;   // empty for a key only in the older version
};

// How one key of `section` reads with the values it had and has (UTF-8; nullopt where there is
// no such key): a definition line by its parameter's name, and by its base value alone when
// nothing else of the line differs; a list of named values in vars by its chosen item alike.
// Nullopt for LastDateTime: the save's own time, which the version's date already tells.
std::optional<DeviceChange> DescribeChange(std::string_view section, const std::string& key,
                                           const std::optional<std::string>& before,
                                           const std::optional<std::string>& after);

// Both versions as the file holds them (Windows-1251, CRLF). Section by section (the newer
// version's order, then sections only in the older one), key by key within each section (its
// order, then keys only in the older one); names compare without regard to case, as the
// profile functions read them. Values are decoded to UTF-8 and worded by DescribeChange.
std::vector<DeviceChange> CompareDeviceFiles(std::string_view beforeBytes, std::string_view afterBytes);

// "<key>: <old> -> <new>"
std::string ChangeLine(const DeviceChange& change);

// First line "<serial> <type key>: <n> changes" (serial and type key from the ID of the newer
// version, else of the older one; the file name stands in when neither has one), a blank line,
// then one change line each.
std::string VersionMessage(std::string_view fileName, std::string_view beforeBytes, std::string_view afterBytes);

}  // namespace quillon

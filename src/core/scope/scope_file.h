#pragma once
// Scope window files (.scp): section `default` holds the device file, the window placement,
// the link and the column options as "/"-terminated lists; section `viewlist` holds the shown
// variables, top row first, each as gain/height/.
#include <string>
#include <string_view>
#include <vector>

#include "platform/ini_document.h"
#include "scope/base_property.h"

namespace quillon {

class TView;
class TViewList;

inline constexpr std::string_view kScopeSettingsSection = "default";
inline constexpr std::string_view kScopeViewListSection = "viewlist";

inline constexpr std::string_view kDefaultScopeWindow = "90/167/218/176/";
// A missing `port` and an empty one have always differed in their IP address; files in the
// field depend on both.
inline constexpr std::string_view kScopePortWhenMissing = "1/COM2/115200/8/QuBUS/RAM/192.168.21.1/502/";
inline constexpr std::string_view kScopePortWhenEmpty = "1/COM2/115200/8/QuBUS/RAM/192.168.1.3/502/";
inline constexpr std::string_view kScopeShortPortIPAddress = "192.168.1.3";
inline constexpr std::string_view kScopeShortPortIPPort = "502";
inline constexpr std::string_view kDefaultScopeOption = "50/50/30/30/auto/1000/1/";
inline constexpr std::string_view kDefaultScopeViewValue = "1/16/";

// What a file made from the property dialog's file button starts with.
inline constexpr std::string_view kNewScopeWindow = "90/167/308/176/";
inline constexpr std::string_view kNewScopePort = "1/COM2/115200/8/QuBUS/RAM/";
inline constexpr std::string_view kNewScopeOption = "30/30/30/10/auto/1000/1/";

// "Фаил <path>", a line break, "не найден, или имеет другой формат !".
std::string ScopeFileRefusal(const std::string& path);

// Caption = the file name of `path`. When the document has section `default`, FilePath = path
// and every setting of that section is read with its default; returns false (and changes
// nothing else) when the section is missing. A list value with fewer items than expected gives
// empty texts for the absent ones, except the IP address and TCP port of `port`.
bool ReadScopeSettings(const IniDocument& file, const std::string& path, TBaseProperty& property);
bool ReadScopeSettings(const std::string& path, TBaseProperty& property);

// Keys of section `viewlist` in file order.
std::vector<std::string> ReadViewListKeys(const std::string& path);
// A key's gain/height/ value, "1/16/" when the key is absent.
std::string ReadViewListValue(const IniDocument& file, std::string_view key);

// Six decimals with "," and the trailing zeros and comma stripped: 1 -> "1", 0.25 -> "0,25".
std::string TrendGainText(double gain);
// gain/height/ of one shown variable.
std::string ViewListValue(const TView& variable);

// The settings into `default` and one `viewlist` line per variable of the list, in display
// order, never the time mark; other sections and keys of the document are kept.
void WriteScopeSettings(IniDocument& file, const TBaseProperty& property, const TViewList& list);
// The same into FilePath, made writable first. Throws std::runtime_error when it cannot be written.
void SaveWinFile(const TBaseProperty& property, const TViewList& list);

// A new file with the window, port and option of a fresh window (the file button of the
// property dialog). Throws std::runtime_error when it cannot be written.
void CreateScopeFile(const std::string& path);

}  // namespace quillon

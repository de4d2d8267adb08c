#pragma once
// "/"-separated lists: definition lines, view parameters and stored lists all use them.
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// Items between "/" separators. A final "/" adds no empty item, "//" gives an empty item and
// an empty text is one empty item.
std::vector<std::string> SplitItems(std::string_view text, char separator = '/');

// The inverse as the system writes lists: every item followed by the separator ("a/b/c/").
std::string JoinItems(const std::vector<std::string>& items, char separator = '/');

// Removes every character not in `allowed`, keeping the order of the others.
void KeepChars(std::string& text, std::string_view allowed);

// KeepChars with the characters of a number text: "0123456789abcdefABCDEFxX$-+,.".
void KeepNumberChars(std::string& text);

// Blanks (space, tab, CR, LF) removed at both ends.
std::string Trimmed(std::string_view text);
// The same without a copy: a view into `text`.
std::string_view TrimmedView(std::string_view text);

}  // namespace quillon

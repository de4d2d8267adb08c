#pragma once
// Windows-1251 where a "?" in place of a character would be a wrong result rather than a shown
// one: a name that two different texts could become is no name at all.
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

// The first character of a UTF-8 text that the code page has no code for (a malformed byte
// counts as one, and is given as that byte); nothing when the whole text converts exactly.
std::optional<std::string> FirstCharacterOutsideCp1251(std::string_view utf8);

// The text in Windows-1251, or nothing when any of its characters would become "?".
std::optional<std::string> Utf8ToCp1251Exact(std::string_view utf8);

}  // namespace quillon

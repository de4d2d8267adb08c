#pragma once
// Windows-1251 at the file, frame and card-name boundary; UTF-8 everywhere inside.
#include <string>
#include <string_view>

namespace quillon {

// All 256 codes decode; 0x98, unassigned in the code page, becomes U+0098 so it round-trips.
std::string Cp1251ToUtf8(std::string_view cp1251);

// Characters the code page cannot hold become "?"; malformed UTF-8 bytes too.
std::string Utf8ToCp1251(std::string_view utf8);

// Number of characters (code points) of a UTF-8 text: "up to 255 characters" counts these.
std::size_t Utf8Length(std::string_view utf8);

// The first `count` characters of a UTF-8 text.
std::string Utf8Left(std::string_view utf8, std::size_t count);

// Lower case for ASCII and Cyrillic, as Windows compares section, key and file names.
std::string LowerCaseText(std::string_view utf8);
bool SameTextIgnoringCase(std::string_view a, std::string_view b);
// Negative, zero or positive as LowerCaseText(a) sorts before, with or after LowerCaseText(b)
// (byte order of the lower-case texts), without making them.
int CompareTextIgnoringCase(std::string_view a, std::string_view b);

}  // namespace quillon

#pragma once
// Texts of cells between the program (UTF-8) and the package, whose strings escape characters
// XML cannot carry as "_xHHHH_".
#include <cstddef>
#include <string>
#include <string_view>

namespace quillon {

// The most characters a cell holds. A spreadsheet program refuses a file with a longer text, or
// cuts it where it likes; it counts UTF-16 units, so a character beyond U+FFFF takes two.
inline constexpr std::size_t kMaxCellTextLength = 32767;

struct StoredCellText {
  std::string text;
  // The text was longer than a cell holds and ends after the last whole character that fits.
  bool clipped = false;
};

// What may go into a cell's text: malformed UTF-8 and characters XML 1.0 cannot hold are
// dropped, what is left is clipped to kMaxCellTextLength, and a text that itself looks like an
// escape ("_x0041_") is escaped so it reads back unchanged.
StoredCellText EncodeCellText(std::string_view utf8);
// Undoes the "_xHHHH_" escapes of a stored text.
std::string DecodeCellText(std::string_view stored);

}  // namespace quillon

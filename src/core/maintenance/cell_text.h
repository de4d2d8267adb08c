#pragma once
// Texts of cells between the program (UTF-8) and the package, whose strings escape characters
// XML cannot carry as "_xHHHH_".
#include <string>
#include <string_view>

namespace quillon {

// What may go into a cell's text: malformed UTF-8 and characters XML 1.0 cannot hold are
// dropped, and a text that itself looks like an escape ("_x0041_") is escaped so it reads back
// unchanged.
std::string EncodeCellText(std::string_view utf8);
// Undoes the "_xHHHH_" escapes of a stored text.
std::string DecodeCellText(std::string_view stored);

}  // namespace quillon

#pragma once
// The service window behind the address field: a five-character code typed there and confirmed
// with Enter shows a short note about the program. The code and the note are kept scrambled so
// that they cannot be read off the program file.
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// True when the address field holds exactly the service code.
bool IsServiceCode(std::string_view addressText);

// The lines the service window shows, in order (UTF-8).
std::vector<std::string> ServiceWindowLines();

}  // namespace quillon

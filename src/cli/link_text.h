#pragma once
// Byte texts of the link commands: hex bytes in, upper-case hex bytes out.
#include <cstdint>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "text/option_number.h"

namespace quillon::cli {

// Hex bytes given as separate arguments ("01 03 0A"), run together ("01030A") or both; blanks
// and a "0x" before a byte are allowed. Throws std::invalid_argument for anything else.
std::vector<std::uint8_t> ParseHexBytes(const Args& args);

// "A5 01 00 5A".
std::string FormatHexBytes(const std::uint8_t* bytes, std::size_t count);
inline std::string FormatHexBytes(const std::vector<std::uint8_t>& bytes) {
  return FormatHexBytes(bytes.data(), bytes.size());
}

}  // namespace quillon::cli

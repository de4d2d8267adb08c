#pragma once
// Numbers given on a command line (quillon-cli, quillon-sim).
#include <string>

namespace quillon {

// The value of an option that must be an integer within [low, high] (the integer reader:
// decimal, or hex with $, x, 0x). Throws std::invalid_argument naming the option.
long long OptionNumber(const std::string& option, const std::string& value, long long low, long long high);

}  // namespace quillon

#include "text/option_number.h"

#include <stdexcept>

#include "text/numbers.h"

namespace quillon {

long long OptionNumber(const std::string& option, const std::string& value, long long low, long long high) {
  const auto number = TryReadInteger(value);
  if (!number || *number < low || *number > high) {
    throw std::invalid_argument(option + " expects a number from " + std::to_string(low) + " to " +
                                std::to_string(high) + ", got \"" + value + "\"");
  }
  return *number;
}

}  // namespace quillon

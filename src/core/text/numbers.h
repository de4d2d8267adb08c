#pragma once
// Number texts as the controllers' engineers write them: "$1F", "x1F", "0x1F" or "31";
// reals with "." or "," and printed with ",".
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quillon {

// A text that is not a number of the expected kind; the message is shown to the user as is.
class ConversionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Integer reader: leading blanks, optional sign, then decimal digits or a hexadecimal number
// introduced by "$", "x", "X", "0x" or "0X". Nothing may follow. Hexadecimal texts of up to
// 16 digits give their bit pattern (xFFFFFFFF is 4294967295). Throws ConversionError.
std::int64_t ReadInteger(std::string_view text);
std::optional<std::int64_t> TryReadInteger(std::string_view text);

// Real reader: the first "." becomes ",", then a decimal number with "," as the separator
// (blanks around it, sign, optional exponent). Throws ConversionError.
double ReadReal(std::string_view text);
std::optional<double> TryReadReal(std::string_view text);

// Fixed-point text with "," as the decimal separator. With `strip`, trailing "0" and then a
// trailing "," are removed (1,2500 -> 1,25; 3,000 -> 3). A value that rounds to zero has no sign.
std::string FormatFixed(double value, int decimals, bool strip);

// Upper-case hexadecimal digits of the low 4*digits bits, zero-padded.
std::string HexDigits(std::uint64_t value, int digits);

// Round half to even, as the controllers' tools always did for entries.
double RoundHalfEven(double value);

}  // namespace quillon

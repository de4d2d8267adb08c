#pragma once
// Numbers the user types into a value cell: "=" followed by a decimal or hexadecimal value.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quillon {

class Prompt;
class TView;

enum class EntryKind { Invalid, Decimal, Hexadecimal };

struct EntryNumber {
  EntryKind Kind = EntryKind::Invalid;
  double Real = 0.0;         // Decimal
  std::int64_t Integer = 0;  // Hexadecimal
};

// Takes the text after the first "=", removes every blank and leaves that in `text`; "x", "X"
// or "$" first makes it hexadecimal, anything else must be a real number.
EntryNumber ClassifyEntry(std::string& text);

// A refused entry: the text becomes "Error" and the raw value is 0. Telling the user is left to
// whoever took the entry from them (see ParseTypedEntry).
std::uint32_t RefuseEntry(std::string& text);

// Tells `prompt` that what the user typed is no number: "Предупреждение", "Неизвестный формат
// числа".
void TellRefusedEntry(Prompt& prompt);
// What the user typed, parsed by the variable; a refused entry ("Error" left in `entry`, raw 0)
// is told to `prompt`.
std::uint32_t ParseTypedEntry(TView& variable, std::string& entry, Prompt& prompt);

// round(value / scale), half to even, kept as its low 32 bits (entries outside a cell's range
// are stored modulo its width); nothing when it cannot be computed (zero scale, overflow).
std::optional<std::uint32_t> ScaledRaw(double value, double scale);
// The same without the division.
std::optional<std::uint32_t> RoundedRaw(double value);

// The input parse of the numeric types: a hexadecimal entry is the raw value itself, a decimal
// one becomes the raw value `rawOfDecimal` gives (nothing refuses it), anything else is refused.
std::uint32_t ParseNumericInput(std::string& text,
                                const std::function<std::optional<std::uint32_t>(double)>& rawOfDecimal);
// The parse most types share: decimal entries are divided by the scale.
std::uint32_t CommonParseInput(std::string& text, double scale);

}  // namespace quillon

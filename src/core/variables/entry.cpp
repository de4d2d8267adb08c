#include "variables/entry.h"

#include <cmath>

#include "platform/prompt.h"
#include "text/numbers.h"
#include "variables/view.h"

namespace quillon {

EntryNumber ClassifyEntry(std::string& text) {
  EntryNumber result;
  const auto equals = text.find('=');
  if (equals == std::string::npos) return result;
  std::string cleaned;
  for (char c : text.substr(equals + 1)) {
    if (c != ' ' && c != '\t') cleaned += c;
  }
  text = cleaned;
  if (text.empty()) return result;
  if (text[0] == 'x' || text[0] == 'X' || text[0] == '$') {
    if (auto value = TryReadInteger(text)) {
      result.Kind = EntryKind::Hexadecimal;
      result.Integer = *value;
    }
    return result;
  }
  if (auto value = TryReadReal(text)) {
    result.Kind = EntryKind::Decimal;
    result.Real = *value;
  }
  return result;
}

std::uint32_t RefuseEntry(std::string& text) {
  text = "Error";
  return 0;
}

void TellRefusedEntry(Prompt& prompt) { prompt.Warning("Предупреждение", "Неизвестный формат числа"); }

std::uint32_t ParseTypedEntry(TView& variable, std::string& entry, Prompt& prompt) {
  const std::uint32_t raw = variable.ParseInput(entry);
  if (entry == "Error") TellRefusedEntry(prompt);
  return raw;
}

std::optional<std::uint32_t> RoundedRaw(double value) {
  const double rounded = RoundHalfEven(value);
  // Beyond this the conversion to an integer is undefined; no cell is that wide anyway.
  if (!std::isfinite(rounded) || std::fabs(rounded) >= 9.0e18) return std::nullopt;
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(static_cast<std::int64_t>(rounded)));
}

std::optional<std::uint32_t> ScaledRaw(double value, double scale) {
  if (scale == 0.0) return std::nullopt;
  return RoundedRaw(value / scale);
}

std::uint32_t ParseNumericInput(std::string& text,
                                const std::function<std::optional<std::uint32_t>(double)>& rawOfDecimal) {
  const EntryNumber number = ClassifyEntry(text);
  switch (number.Kind) {
    case EntryKind::Hexadecimal:
      return static_cast<std::uint32_t>(number.Integer);
    case EntryKind::Decimal:
      if (auto raw = rawOfDecimal(number.Real)) return *raw;
      break;
    case EntryKind::Invalid:
      break;
  }
  return RefuseEntry(text);
}

std::uint32_t CommonParseInput(std::string& text, double scale) {
  return ParseNumericInput(text, [scale](double value) { return ScaledRaw(value, scale); });
}

}  // namespace quillon

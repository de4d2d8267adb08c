#include "variables/special/sqr_word_type.h"

#include <cmath>

#include "text/items.h"
#include "text/numbers.h"
#include "variables/entry.h"
#include "variables/view_list.h"

namespace quillon {

TSQRWord::TSQRWord() : CurrentValueView("TSQRWord", 2) {}

void TSQRWord::ReadDefinition(const std::vector<std::string>& items) {
  ReadCommonItems(items);
  definition_.ScaleText.clear();
  Scale = 1.0f;
  ReadOptionalCellItems(items);
  ReadDependencyItems(items);
}

TView* TSQRWord::Reference() {
  if (!definition_.HasDependency() || definition_.NotInMemory || Owner == nullptr) return nullptr;
  TView* reference = Owner->FindVariable(definition_.DependsOn);
  return reference != this ? reference : nullptr;
}

std::string TSQRWord::ValueTextAt(int, bool strip, int digits) {
  return FormatFixed(static_cast<double>(CurrentValue() & 0xFFFF), digits, strip);
}

std::string TSQRWord::HexTextAt(int) { return "x" + HexDigits(CurrentValue(), 4); }

std::string TSQRWord::BaseText(const std::string& text) {
  if (FollowsReference() && !definition_.NotInMemory) {
    TView* reference = Reference();
    const auto referenceRaw = reference != nullptr ? TryReadInteger(reference->BaseValue) : std::nullopt;
    if (!referenceRaw) {
      // Without its reference the stored value is shown as the dependent value would be: the
      // raw square in decimal.
      return std::to_string(ReadInteger(text));
    }
    const double root = static_cast<double>(*referenceRaw) * Ratio;
    const double square = std::trunc(root * root / 256.0);
    const auto n = std::isfinite(square) && square >= 0 && square < 1.8e19 ? static_cast<std::uint64_t>(square) : 0;
    const int digits = n > 0xFFFF ? (n > 0xFFFFFFFFu ? 16 : 8) : 4;
    BaseValue = "x" + HexDigits(n, digits);
    return std::to_string(n);
  }
  const double value = static_cast<double>(ReadInteger(text));
  return FormatFixed(std::sqrt(value) * 256.0, 4, true);
}

std::uint32_t TSQRWord::ParseInput(std::string& text) { return ParseNumericInput(text, RoundedRaw); }

std::optional<std::string> TSQRWord::UpdateRatio(const std::string& text) {
  TView* reference = Reference();
  if (reference == nullptr) return std::nullopt;
  const auto equals = text.find('=');
  std::string entry = equals == std::string::npos ? text : text.substr(equals + 1);
  std::erase_if(entry, [](char c) { return c == ' ' || c == '\t'; });
  const double n = static_cast<double>(ReadInteger(entry));
  const auto r = TryReadInteger(reference->BaseValue);
  // A reference of zero (or without a number) gives no ratio; the old one is kept.
  if (!r || *r == 0 || n < 0) return std::nullopt;
  Ratio = static_cast<float>(std::sqrt(n * 256.0) / static_cast<double>(*r));
  return std::nullopt;
}

std::string TSQRWord::DefinitionText() {
  const std::string ratio = definition_.NotInMemory ? std::string() : RatioText();
  return JoinItems({definition_.Name, definition_.Description, definition_.TypeName,
                    definition_.NoAddress ? std::string() : AddressText(),
                    definition_.NoAddress ? std::string() : RegisterNumberText(), definition_.Units, std::string(), "2",
                    definition_.DependsOn, ratio, BaseValue});
}

}  // namespace quillon

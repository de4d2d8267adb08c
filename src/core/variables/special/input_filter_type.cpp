#include "variables/special/input_filter_type.h"

#include <algorithm>

#include "text/items.h"
#include "text/numbers.h"
#include "variables/entry.h"
#include "variables/view_list.h"

namespace quillon {

TInputFilter::TInputFilter() : TWORD("TInputFilter") { Scale = static_cast<float>(kFilterTick); }

void TInputFilter::ReadDefinition(const std::vector<std::string>& items) {
  ReadCommonItems(items);
  ReadCellItems(items);
}

std::string TInputFilter::BaseText(const std::string& text) {
  const auto raw = static_cast<std::uint16_t>(ReadInteger(text));
  return FormatFixed(static_cast<double>(raw) * Scale, 4, true);
}

std::string TInputFilter::DefinitionText() {
  return JoinItems({definition_.Name, definition_.Description, definition_.TypeName, AddressText(),
                    RegisterNumberText(), definition_.Units, definition_.ScaleText, "2", BaseValue});
}

std::size_t TInputFilter::SampleBytes(int) const { return 2; }

std::size_t TInputFilter::CopySamples(std::span<std::uint8_t> dest, int, int) const {
  if (dest.size() < 2) return 0;
  // A stored value that is no number travels as 0 rather than stopping the whole record.
  const auto raw = static_cast<std::uint16_t>(TryReadInteger(BaseValue).value_or(0));
  dest[0] = static_cast<std::uint8_t>(raw & 0xFF);
  dest[1] = static_cast<std::uint8_t>(raw >> 8);
  return 2;
}

std::size_t TInputFilter::LoadSamples(std::span<const std::uint8_t> src, int n) {
  if (src.size() < 2) return 0;
  const auto raw = static_cast<std::uint16_t>(src[0] | src[1] << 8);
  BaseValue = "x" + HexDigits(raw, 4);
  History.SetHead(std::max(n, 0));
  return 2;
}

}  // namespace quillon

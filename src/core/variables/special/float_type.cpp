#include "variables/special/float_type.h"

#include <bit>
#include <cmath>

#include "text/items.h"
#include "text/numbers.h"
#include "variables/entry.h"
#include "variables/view_list.h"

namespace quillon {

float FloatOfBits(std::uint32_t bits) { return std::bit_cast<float>(bits); }
std::uint32_t BitsOfFloat(float value) { return std::bit_cast<std::uint32_t>(value); }

TFloat::TFloat() : TView("TFloat", 4, kHistoryLength) { definition_.Size = 4; }

void TFloat::ReadDefinition(const std::vector<std::string>& items) {
  ReadCommonItems(items);
  ReadCellItems(items);
  // Short lines (7 or 8 items) are never written by the tools: they carry no trend mode and
  // are written back with the offset item "0".
  definition_.OffsetText = items.size() > 8 ? ShortText(items[8]) : std::string("0");
  SignedTrend = EvaluateOffset(Owner ? &Owner->Scales : nullptr, definition_.OffsetText, 0) != 0;
}

void TFloat::ApplyViewParameters(std::string_view parameters) {
  TView::ApplyViewParameters(parameters);
  if (SignedTrend) Baseline = RowHeight / 2;
}

void TFloat::TakeSample() { History.Append(ReadData(4)); }

float TFloat::SampleValue(int index) const { return FloatOfBits(static_cast<std::uint32_t>(SampleAt(index))); }

std::string TFloat::ValueTextAt(int index, bool strip, int digits) {
  return FormatFixed(static_cast<double>(SampleValue(index)) * Scale, digits, strip);
}

// The newest cell whatever sample is shown, as the row has always shown it.
std::string TFloat::HexTextAt(int) { return "x" + HexDigits(SampleAt(History.Head()), 8); }

std::string TFloat::BaseText(const std::string& text) {
  const auto bits = static_cast<std::uint32_t>(ReadInteger(text));
  return FormatFixed(static_cast<double>(FloatOfBits(bits)) * Scale, 4, true);
}

std::uint32_t TFloat::ParseInput(std::string& text) {
  return ParseNumericInput(text, [this](double value) -> std::optional<std::uint32_t> {
    // A zero scale has no stored value for a physical entry: refused like an unreadable one.
    if (Scale == 0.0f) return std::nullopt;
    return BitsOfFloat(static_cast<float>(value / Scale));
  });
}

std::string TFloat::DefinitionText() {
  return JoinItems({definition_.Name, definition_.Description, definition_.TypeName, AddressText(),
                    RegisterNumberText(), definition_.Units, definition_.ScaleText, "2", definition_.OffsetText,
                    BaseValue});
}

void TFloat::DrawRow(Canvas& canvas, int y, int index) {
  if (!DrawRowFrame(canvas, y, HexTextAt(index), ValueTextAt(index, false, 2))) return;
  if (!std::isnan(SampleValue(index))) DrawTrend(canvas, y);
}

void TFloat::DrawTrend(Canvas& canvas, int y) {
  DrawTrendLine(canvas, y, SignedTrend, [this](int index) { return static_cast<double>(SampleValue(index)); });
}

}  // namespace quillon

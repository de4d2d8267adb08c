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

TFloat::TFloat() : TView("TFloat", 4, kHistoryLength) { Size = 4; }

void TFloat::ReadDefinition(const std::vector<std::string>& items) {
  ReadCommonItems(items);
  ReadCellItems(items);
  // Short lines (7 or 8 items) are never written by the tools: they carry no trend mode and
  // are written back with the offset item "0".
  OffsetText = items.size() > 8 ? ShortText(items[8]) : std::string("0");
  SignedTrend = EvaluateOffset(Owner ? &Owner->Scales : nullptr, OffsetText, 0) != 0;
}

void TFloat::ApplyViewParameters(std::string_view parameters) {
  TView::ApplyViewParameters(parameters);
  if (SignedTrend) Baseline = RowHeight / 2;
}

void TFloat::TakeSample() { AppendSample(ReadData(4)); }

float TFloat::SampleValue(int index) const { return FloatOfBits(static_cast<std::uint32_t>(SampleAt(index))); }

std::string TFloat::ValueTextAt(int index, bool strip, int digits) {
  return FormatFixed(static_cast<double>(SampleValue(index)) * Scale, digits, strip);
}

std::string TFloat::HexText() { return "x" + HexDigits(SampleAt(Head), 8); }

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
  return JoinItems(
      {Name, Description, TypeName, AddressText(), RegisterNumberText(), Units, ScaleText, "2", OffsetText, BaseValue});
}

void TFloat::DrawRow(Canvas& canvas, int y) {
  if (!DrawRowFrame(canvas, y, HexText(), ValueText(false, 2))) return;
  if (!std::isnan(SampleValue(ShownIndex))) DrawTrend(canvas, y);
}

void TFloat::DrawTrend(Canvas& canvas, int y) {
  DrawTrendLine(canvas, y, SignedTrend, [this](int index) { return static_cast<double>(SampleValue(index)); });
}

}  // namespace quillon

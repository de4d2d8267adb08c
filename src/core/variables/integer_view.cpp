#include <algorithm>
#include <cmath>

#include "text/numbers.h"
#include "variables/entry.h"
#include "variables/integer_types.h"
#include "variables/view_list.h"

namespace quillon {

IntegerView::IntegerView(std::string_view typeName, int size, bool isSigned)
    : TView(typeName, size, kHistoryLength), signed_(isSigned) {
  definition_.Size = size;
  if (signed_) Baseline = RowHeight / 2;
}

void IntegerView::TakeSample() {
  if (definition_.NotInMemory || definition_.NoAddress) return;
  History.Append(ReadData(definition_.Size));
}

std::int64_t IntegerView::Extend(std::uint64_t raw) const {
  if (!signed_) return static_cast<std::int64_t>(raw);
  switch (definition_.Size) {
    case 1:
      return static_cast<std::int8_t>(raw);
    case 2:
      return static_cast<std::int16_t>(raw);
    default:
      return static_cast<std::int32_t>(raw);
  }
}

std::string IntegerView::ValueTextAt(int index, bool strip, int digits) {
  return FormatFixed(PhysicalOfRaw(Extend(SampleAt(index))), digits, strip);
}

std::string IntegerView::HexTextAt(int index) { return "x" + HexDigits(SampleAt(index), 2 * definition_.Size); }

std::uint32_t IntegerView::ParseInput(std::string& text) { return CommonParseInput(text, Scale); }

void IntegerView::ApplyViewParameters(std::string_view parameters) {
  TView::ApplyViewParameters(parameters);
  if (signed_) Baseline = RowHeight / 2;
}

std::string IntegerView::PlainBaseText(std::int64_t raw) const {
  return FormatFixed(static_cast<double>(raw) * Scale, 4, true);
}

void IntegerView::DrawRow(Canvas& canvas, int y, int index) {
  if (!DrawRowFrame(canvas, y, HexTextAt(index), ValueTextAt(index, false, 2))) return;
  if (!definition_.NotInMemory && !definition_.NoAddress) DrawTrend(canvas, y);
}

void IntegerView::DrawTrend(Canvas& canvas, int y) {
  DrawTrendLine(canvas, y, signed_, [this](int index) { return static_cast<double>(Extend(SampleAt(index))); });
}

}  // namespace quillon

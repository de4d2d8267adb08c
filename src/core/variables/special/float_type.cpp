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
  ReadAddressItem(items[3]);
  RegisterText = ShortText(items[4]);
  Register = ReadRegisterNumber(RegisterText);
  // Short lines (7 or 8 items) are never written by the tools: they carry no trend mode and
  // are written back with the offset item "0".
  OffsetText = items.size() > 8 ? ShortText(items[8]) : std::string("0");
  SignedTrend = EvaluateOffset(Owner ? &Owner->Scales : nullptr, OffsetText, 0) != 0;
}

void TFloat::ApplyViewParameters(std::string_view parameters) {
  TView::ApplyViewParameters(parameters);
  if (SignedTrend) Baseline = RowHeight / 2;
}

void TFloat::TakeSample() {
  AdvanceHead();
  StoreSample(Head, ReadData(4));
}

float TFloat::SampleValue(int index) const { return FloatOfBits(static_cast<std::uint32_t>(SampleAt(index))); }

std::string TFloat::ValueText(bool strip, int digits) {
  return FormatFixed(static_cast<double>(SampleValue(ShownIndex)) * Scale, digits, strip);
}

std::string TFloat::HexText() { return "x" + HexDigits(SampleAt(Head), 8); }

std::string TFloat::BaseText(const std::string& text) {
  const auto bits = static_cast<std::uint32_t>(ReadInteger(text));
  return FormatFixed(static_cast<double>(FloatOfBits(bits)) * Scale, 4, true);
}

std::uint32_t TFloat::ParseInput(std::string& text) {
  const EntryNumber number = ClassifyEntry(text);
  if (number.Kind == EntryKind::Hexadecimal) return static_cast<std::uint32_t>(number.Integer);
  // A zero scale has no stored value for a physical entry: refused like an unreadable one.
  if (number.Kind == EntryKind::Decimal && Scale != 0.0f) {
    return BitsOfFloat(static_cast<float>(number.Real / Scale));
  }
  return RefuseEntry(text);
}

std::string TFloat::DefinitionText() {
  return JoinItems({Name, Description, TypeName, AddressText(), RegisterNumberText(), Units, ScaleText, "2", OffsetText,
                    BaseValue});
}

void TFloat::DrawRow(Canvas& canvas, int y) {
  if (!DrawRowFrame(canvas, y, HexText(), ValueText(false, 2))) return;
  if (!std::isnan(SampleValue(ShownIndex))) DrawTrend(canvas, y);
}

void TFloat::DrawTrend(Canvas& canvas, int y) {
  const Rect area = TrendRect(y);
  if (area.Width() < 1 || Owner == nullptr) return;
  canvas.SetClip(area);
  const int top = y;
  const int bottom = y + RowHeight;
  if (SignedTrend) {
    canvas.SetPen(kSilver, 1);
    canvas.Line(area.Left, y + Baseline, area.Right, y + Baseline);
  }
  canvas.SetPen(kBlack, 1);
  const int first = FirstVisibleSample();
  int previousX = 0;
  int previousY = 0;
  for (int i = 0; i <= Owner->VisibleCount; ++i) {
    const double v = SampleValue(first + i);
    const double offset = SignedTrend ? RoundHalfEven(v * TrendGain / 2) : RoundHalfEven(v * TrendGain);
    double position = (SignedTrend ? y + Baseline : bottom) - offset;
    // Written so that NaN and infinities from the controller land on an edge of the row.
    if (!(position >= top)) position = top;
    if (position > bottom) position = bottom;
    const int pointY = static_cast<int>(position);
    const int pointX = area.Left + static_cast<int>(RoundHalfEven(i * Owner->Step));
    if (i > 0 && (pointX != previousX || pointY != previousY)) canvas.Line(previousX, previousY, pointX, pointY);
    previousX = pointX;
    previousY = pointY;
  }
  canvas.ClearClip();
}

}  // namespace quillon

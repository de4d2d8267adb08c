#include <algorithm>
#include <cmath>

#include "text/numbers.h"
#include "variables/entry.h"
#include "variables/integer_types.h"
#include "variables/view_list.h"

namespace quillon {

IntegerView::IntegerView(std::string_view typeName, int size, bool isSigned)
    : TView(typeName, size, kHistoryLength), signed_(isSigned) {
  Size = size;
  if (signed_) Baseline = RowHeight / 2;
}

void IntegerView::TakeSample() {
  if (NotInMemory || NoAddress) return;
  AdvanceHead();
  StoreSample(Head, ReadData(Size));
}

std::int64_t IntegerView::Extend(std::uint64_t raw) const {
  if (!signed_) return static_cast<std::int64_t>(raw);
  switch (Size) {
    case 1:
      return static_cast<std::int8_t>(raw);
    case 2:
      return static_cast<std::int16_t>(raw);
    default:
      return static_cast<std::int32_t>(raw);
  }
}

std::int64_t IntegerView::ShownRaw() const { return Extend(SampleAt(ShownIndex)); }

std::string IntegerView::ValueText(bool strip, int digits) {
  return FormatFixed(PhysicalOfRaw(ShownRaw()), digits, strip);
}

std::string IntegerView::HexText() { return "x" + HexDigits(SampleAt(ShownIndex), 2 * Size); }

std::uint32_t IntegerView::ParseInput(std::string& text) { return CommonParseInput(text, Scale); }

void IntegerView::ApplyViewParameters(std::string_view parameters) {
  TView::ApplyViewParameters(parameters);
  if (signed_) Baseline = RowHeight / 2;
}

std::string IntegerView::PlainBaseText(std::int64_t raw) const {
  return FormatFixed(static_cast<double>(raw) * Scale, 4, true);
}

void IntegerView::DrawRow(Canvas& canvas, int y) {
  if (!DrawRowFrame(canvas, y, HexText(), ValueText(false, 2))) return;
  if (!NotInMemory && !NoAddress) DrawTrend(canvas, y);
}

void IntegerView::DrawTrend(Canvas& canvas, int y) {
  const Rect area = TrendRect(y);
  if (area.Width() < 1 || Owner == nullptr) return;
  canvas.SetClip(area);
  const int top = y;
  const int bottom = y + RowHeight;
  if (signed_) {
    canvas.SetPen(kSilver, 1);
    canvas.Line(area.Left, y + Baseline, area.Right, y + Baseline);
  }
  canvas.SetPen(kBlack, 1);
  const int first = FirstVisibleSample();
  const int visible = Owner->VisibleCount;
  const double step = Owner->Step;
  int previousX = 0;
  int previousY = 0;
  for (int i = 0; i <= visible; ++i) {
    const double v = static_cast<double>(Extend(SampleAt(first + i)));
    const double offset = signed_ ? RoundHalfEven(v * TrendGain / 2) : RoundHalfEven(v * TrendGain);
    const double origin = signed_ ? y + Baseline : bottom;
    double position = origin - offset;
    // Written so that a gain that is not a number from a damaged file lands on the top edge.
    if (!(position >= top)) position = top;
    if (position > bottom) position = bottom;
    const int pointY = static_cast<int>(position);
    const int pointX = area.Left + static_cast<int>(RoundHalfEven(i * step));
    if (i > 0 && (pointX != previousX || pointY != previousY)) canvas.Line(previousX, previousY, pointX, pointY);
    if (i == 0 || pointX != previousX || pointY != previousY) {
      previousX = pointX;
      previousY = pointY;
    }
  }
  canvas.ClearClip();
}

}  // namespace quillon

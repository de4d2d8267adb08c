#include "variables/special/time_mark.h"

#include <bit>
#include <cmath>

#include "text/items.h"
#include "text/numbers.h"
#include "variables/entry.h"
#include "variables/view_list.h"

namespace quillon {

TTimeMark::TTimeMark() : TView("TTimeMark", kTimeMarkEntryBytes, kHistoryLength) {
  Name = "TimeMark";
  Size = kTimeMarkEntryBytes;
}

void TTimeMark::AttachMarkFlags(std::uint8_t* flags) {
  DataPtr = flags;
  DataLimit = flags != nullptr ? 1 : 0;
}

void TTimeMark::Layout() {
  RowWidth = Owner != nullptr ? Owner->ClientWidth : 0;
  RowHeight = Owner != nullptr ? Owner->ClientHeight : 0;
  RowRect = Rect{0, 0, RowWidth, RowHeight};
}

void TTimeMark::TakeSample() {
  AdvanceHead();
  const std::uint8_t mark = DataPtr != nullptr && DataLimit > 0 ? *DataPtr : 0;
  const auto at = static_cast<std::size_t>(RingIndex(Head)) * kTimeMarkEntryBytes;
  Samples[at] = mark;
  const auto bits = std::bit_cast<std::uint64_t>(Clock ? Clock() : NowDateTime());
  for (std::size_t i = 0; i < 8; ++i) Samples[at + 1 + i] = static_cast<std::uint8_t>(bits >> (8 * i));
  if (DataPtr != nullptr && DataLimit > 0) *DataPtr = 0;
}

std::uint8_t TTimeMark::MarkAt(int index) const {
  return Samples[static_cast<std::size_t>(RingIndex(index)) * kTimeMarkEntryBytes];
}

DateTime TTimeMark::TimeAt(int index) const {
  const auto at = static_cast<std::size_t>(RingIndex(index)) * kTimeMarkEntryBytes;
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < 8; ++i) bits |= static_cast<std::uint64_t>(Samples[at + 1 + i]) << (8 * i);
  return std::bit_cast<double>(bits);
}

std::string TTimeMark::ValueText(bool, int) {
  const DateTime time = TimeAt(Head);
  // A record from elsewhere may carry anything in these bytes.
  if (!std::isfinite(time) || time < -693593.0 || time > 2958466.0) return "?";
  return DateTimeText(time);
}

std::string TTimeMark::HexText() { return "x" + HexDigits(MarkAt(ShownIndex), 2); }

std::uint32_t TTimeMark::ParseInput(std::string& text) { return CommonParseInput(text, 1.0); }

std::string TTimeMark::DefinitionText() { return JoinItems({Name, Description, TypeName}); }

void TTimeMark::DrawRow(Canvas& canvas, int y) {
  if (Owner == nullptr) return;
  const Rect area = TrendRect(y);
  if (area.Width() < 1) return;
  canvas.SetClip(area);
  const int first = FirstVisibleSample();
  for (int i = 0; i <= Owner->VisibleCount; ++i) {
    const std::uint8_t mark = MarkAt(first + i);
    if (mark == 0) continue;
    if (mark >= kRedMark) {
      canvas.SetPen(kRed, 2);
    } else if ((mark & kNavyMark) != 0) {
      canvas.SetPen(kNavy, 1);
    } else if (Grid) {
      canvas.SetPen(kSilver, 1);
    } else {
      continue;
    }
    const int x = area.Left + static_cast<int>(RoundHalfEven(i * Owner->Step));
    canvas.Line(x, y, x, y + RowHeight);
  }
  canvas.ClearClip();
}

}  // namespace quillon

#include "variables/special/time_mark.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>

#include "text/items.h"
#include "text/numbers.h"
#include "variables/entry.h"
#include "variables/view_list.h"

namespace quillon {

TTimeMark::TTimeMark() : TView("TTimeMark", 1, kHistoryLength), times_(8, kHistoryLength) {
  definition_.Name = "TimeMark";
  definition_.Size = kTimeMarkEntryBytes;
}

void TTimeMark::AttachMarkFlags(std::uint8_t* flags) {
  DataPtr = flags;
  DataLimit = flags != nullptr ? 1 : 0;
}

void TTimeMark::Layout() {
  TView::Layout();
  RowHeight = Owner != nullptr ? Owner->ClientHeight : 0;
  RowRect = Rect{0, 0, RowWidth, RowHeight};
}

void TTimeMark::TakeSample() {
  // The window sets its pending flags on its own thread: taking them in one exchange loses no
  // tick that arrives between reading and clearing.
  const std::uint8_t mark =
      DataPtr != nullptr && DataLimit > 0 ? std::atomic_ref<std::uint8_t>(*DataPtr).exchange(0) : std::uint8_t{0};
  const int next = History.NextHead();
  StoreEntry(next, mark, Clock ? Clock() : NowDateTime());
  History.SetHead(next);
}

void TTimeMark::StoreEntry(int index, std::uint8_t mark, DateTime time) {
  History.Store(index, mark);
  times_.Store(RingIndex(index), std::bit_cast<std::uint64_t>(time));
}

std::uint8_t TTimeMark::MarkAt(int index) const { return static_cast<std::uint8_t>(SampleAt(index)); }

DateTime TTimeMark::TimeAt(int index) const { return std::bit_cast<double>(times_.Load(RingIndex(index))); }

void TTimeMark::SetMarkBits(int index, std::uint8_t bits) { History.Ring().SetBits(RingIndex(index), bits); }

void TTimeMark::ClearMarkBits(int index, std::uint8_t bits) { History.Ring().ClearBits(RingIndex(index), bits); }

std::size_t TTimeMark::SampleBytes(int n) const {
  return kTimeMarkEntryBytes * static_cast<std::size_t>(std::max(n, 0));
}

std::size_t TTimeMark::CopySamples(std::span<std::uint8_t> dest, int start, int n) const {
  const std::size_t count = std::min(static_cast<std::size_t>(std::max(n, 0)), dest.size() / kTimeMarkEntryBytes);
  for (std::size_t i = 0; i < count; ++i) {
    const int index = start + static_cast<int>(i);
    std::uint8_t* entry = dest.data() + i * kTimeMarkEntryBytes;
    entry[0] = MarkAt(index);
    const auto bits = std::bit_cast<std::uint64_t>(TimeAt(index));
    for (std::size_t b = 0; b < 8; ++b) entry[1 + b] = static_cast<std::uint8_t>(bits >> (8 * b));
  }
  return count * kTimeMarkEntryBytes;
}

std::size_t TTimeMark::LoadSamples(std::span<const std::uint8_t> src, int n) {
  const std::size_t count = std::min({static_cast<std::size_t>(std::max(n, 0)), src.size() / kTimeMarkEntryBytes,
                                      static_cast<std::size_t>(HistoryLength())});
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* entry = src.data() + i * kTimeMarkEntryBytes;
    std::uint64_t bits = 0;
    for (std::size_t b = 0; b < 8; ++b) bits |= static_cast<std::uint64_t>(entry[1 + b]) << (8 * b);
    StoreEntry(static_cast<int>(i), entry[0], std::bit_cast<double>(bits));
  }
  History.SetHead(static_cast<int>(count));
  return count * kTimeMarkEntryBytes;
}

std::string TTimeMark::ValueTextAt(int, bool, int) {
  const DateTime time = TimeAt(History.Head());
  // A record from elsewhere may carry anything in these bytes.
  if (!std::isfinite(time) || time < -693593.0 || time > 2958466.0) return "?";
  return DateTimeText(time);
}

std::string TTimeMark::HexTextAt(int index) { return "x" + HexDigits(MarkAt(index), 2); }

std::uint32_t TTimeMark::ParseInput(std::string& text) { return CommonParseInput(text, 1.0); }

std::string TTimeMark::DefinitionText() {
  return JoinItems({definition_.Name, definition_.Description, definition_.TypeName});
}

void TTimeMark::DrawRow(Canvas& canvas, int y, int) {
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

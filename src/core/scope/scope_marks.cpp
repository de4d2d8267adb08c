#include "scope_marks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

#include "text/numbers.h"

namespace quillon {
namespace {

constexpr std::int64_t kMillisecondsPerDay = 86'400'000;

int WrapIndex(int index) {
  const int wrapped = index % kHistoryLength;
  return wrapped < 0 ? wrapped + kHistoryLength : wrapped;
}

// The sample drawn at the left edge of the trend area, as the rows draw it.
int VisibleStart(const TViewList& list) {
  const TTimeMark& mark = TimeMarkOf(list);
  return WrapIndex(mark.History.Head() - list.VisibleCount - mark.ScrollBack % kHistoryLength);
}

std::string PartsText(std::int64_t hours, int minutes, int seconds, int milliseconds) {
  return std::to_string(hours) + ":" + std::to_string(minutes) + ":" + std::to_string(seconds) + ":" +
         std::to_string(milliseconds);
}

}  // namespace

TTimeMark& TimeMarkOf(TViewList& list) {
  return const_cast<TTimeMark&>(TimeMarkOf(static_cast<const TViewList&>(list)));
}

const TTimeMark& TimeMarkOf(const TViewList& list) {
  if (list.Count() == 0 || !list[0].IsTimeMark()) {
    throw std::logic_error("scope window list has no time mark at entry 0");
  }
  return static_cast<const TTimeMark&>(list[0]);
}

int TrendLeft(const TViewList& list) { return list.NameWidth + list.HexWidth + list.ValueWidth + list.UnitWidth; }

int SampleIndexAt(const TViewList& list, int x) {
  const int left = TrendLeft(list);
  const int clamped = std::clamp(x, left, left + std::max(list.TrendWidth, 0));
  const auto offset = static_cast<int>(RoundHalfEven((clamped - left) / list.Step));
  return WrapIndex(VisibleStart(list) + offset);
}

std::optional<int> ScreenXOf(const TViewList& list, int sampleIndex) {
  const int offset = WrapIndex(sampleIndex - VisibleStart(list));
  if (offset > list.VisibleCount) return std::nullopt;
  const int left = TrendLeft(list);
  const int x = left + static_cast<int>(RoundHalfEven(offset * list.Step));
  if (x > left + std::max(list.TrendWidth, 0)) return std::nullopt;
  return x;
}

std::string MarkTimeText(DateTime time) {
  const DateTimeParts parts = DecodeDateTime(time);
  return PartsText(parts.hour, parts.minute, parts.second, parts.millisecond);
}

std::string RulerIntervalText(DateTime first, DateTime second) {
  // The rulers may be placed in either order; the interval is shown as a length, without sign.
  const std::int64_t total = std::llround(std::fabs(first - second) * kMillisecondsPerDay);
  return PartsText(total / 3'600'000, static_cast<int>(total / 60'000 % 60), static_cast<int>(total / 1000 % 60),
                   static_cast<int>(total % 1000));
}

void ScopeCursor::Place(TViewList& list, int index) {
  TTimeMark& mark = TimeMarkOf(list);
  const int wrapped = WrapIndex(index);
  if (index_) mark.ClearMarkBits(*index_, kNavyMark);
  mark.SetMarkBits(wrapped, kNavyMark);
  index_ = wrapped;
  list.Cursor = wrapped;
  list.LiveMode = false;
}

void ScopeCursor::Clear(TViewList& list) {
  if (index_) TimeMarkOf(list).ClearMarkBits(*index_, kNavyMark);
  index_.reset();
  list.LiveMode = true;
}

std::string ScopeCursor::TimeText(const TViewList& list) const {
  if (!index_) return {};
  return MarkTimeText(TimeMarkOf(list).TimeAt(*index_));
}

void ScopeRulers::Reset(TTimeMark& mark) {
  for (int which = 0; which < count_; ++which) mark.ClearMarkBits(indexes_[static_cast<std::size_t>(which)], kRedMark);
  count_ = 0;
  grabbed_.reset();
}

void ScopeRulers::FindStored(const TTimeMark& mark, int samples) {
  count_ = 0;
  grabbed_.reset();
  const int last = std::min(samples, kHistoryLength);
  for (int index = 0; index < last && count_ < 2; ++index) {
    if ((mark.MarkAt(index) & kRedMark) != 0) indexes_[static_cast<std::size_t>(count_++)] = index;
  }
}

int ScopeRulers::Index(int which) const {
  if (which < 0 || which >= count_) throw std::out_of_range("no ruler " + std::to_string(which));
  return indexes_[static_cast<std::size_t>(which)];
}

bool ScopeRulers::Place(TTimeMark& mark, int index) {
  if (count_ >= 2) return false;
  const int wrapped = WrapIndex(index);
  mark.SetMarkBits(wrapped, kRedMark);
  indexes_[static_cast<std::size_t>(count_++)] = wrapped;
  return true;
}

std::optional<int> ScopeRulers::RulerNear(const TViewList& list, int x) const {
  if (count_ < 2) return std::nullopt;
  for (int which = 0; which < 2; ++which) {
    const std::optional<int> rulerX = ScreenXOf(list, indexes_[static_cast<std::size_t>(which)]);
    if (rulerX && std::abs(*rulerX - x) <= kGrabDistance) return which;
  }
  return std::nullopt;
}

void ScopeRulers::Grab(int which) {
  if (count_ < 2 || which < 0 || which > 1) throw std::out_of_range("cannot grab ruler " + std::to_string(which));
  grabbed_ = which;
}

void ScopeRulers::Release(TTimeMark& mark, int index) {
  if (!grabbed_) return;
  const auto moved = static_cast<std::size_t>(*grabbed_);
  const int other = indexes_[1 - moved];
  // Both rulers may share an entry: its mark then still belongs to the one that stays.
  if (indexes_[moved] != other) mark.ClearMarkBits(indexes_[moved], kRedMark);
  indexes_[moved] = WrapIndex(index);
  mark.SetMarkBits(indexes_[moved], kRedMark);
  grabbed_.reset();
}

std::optional<std::string> ScopeRulers::IntervalText(const TTimeMark& mark) const {
  if (count_ < 2) return std::nullopt;
  return RulerIntervalText(mark.TimeAt(indexes_[0]), mark.TimeAt(indexes_[1]));
}

}  // namespace quillon

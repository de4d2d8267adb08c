#pragma once
// Where the scope window's cursor and rulers sit: screen positions of the trend area turned
// into sample indexes of the time mark's ring and back, and the two marks the user places
// there. The marks live in the time mark's flag bytes so that they move with its ring and are
// saved with a record; these classes remember which entries carry them.
#include <array>
#include <optional>
#include <string>

#include "text/datetime.h"
#include "variables/special/time_mark.h"
#include "variables/view_list.h"

namespace quillon {

// Entry 0 of a scope window's list; std::logic_error when it is not a time mark.
TTimeMark& TimeMarkOf(TViewList& list);
const TTimeMark& TimeMarkOf(const TViewList& list);

int TrendLeft(const TViewList& list);
// Sample index under x (clamped to the trend area), 0..kHistoryLength-1.
int SampleIndexAt(const TViewList& list, int x);
// Nullopt when the sample is not on screen now.
std::optional<int> ScreenXOf(const TViewList& list, int sampleIndex);

// Time of day of a sample as "h:m:s:ms", no padding.
std::string MarkTimeText(DateTime time);
// first − second as "h:m:s:ms"; hours go on past a day.
std::string RulerIntervalText(DateTime first, DateTime second);

class ScopeCursor {
 public:
  // Moves the cursor mark to `index` and makes the list show the values there.
  void Place(TViewList& list, int index);
  // Removes the mark and returns the list to live values.
  void Clear(TViewList& list);
  bool Placed() const { return index_.has_value(); }
  // Meaningful only when Placed.
  int Index() const { return index_.value_or(0); }
  // Empty when no cursor is placed.
  std::string TimeText(const TViewList& list) const;

 private:
  std::optional<int> index_;
};

class ScopeRulers {
 public:
  // Half-width, in pixels, of the band around a ruler where the pointer grabs it.
  static constexpr int kGrabDistance = 4;

  void Reset(TTimeMark& mark);
  int Count() const { return count_; }
  // The rulers a record keeps: the first two of its `samples` time mark entries with the ruler
  // bit, in position order (a record's entries start at ring position 0).
  void FindStored(const TTimeMark& mark, int samples);
  // std::out_of_range unless 0 <= which < Count().
  int Index(int which) const;
  // False (and no change) when both rulers already exist.
  bool Place(TTimeMark& mark, int index);
  // The ruler (0 or 1) within kGrabDistance of x; only once both rulers exist.
  std::optional<int> RulerNear(const TViewList& list, int x) const;
  // std::out_of_range unless both rulers exist and which is 0 or 1.
  void Grab(int which);
  std::optional<int> Grabbed() const { return grabbed_; }
  // Moves the grabbed ruler to `index` and ends the drag; nothing without a grabbed ruler.
  void Release(TTimeMark& mark, int index);
  // Nullopt until both rulers exist.
  std::optional<std::string> IntervalText(const TTimeMark& mark) const;

 private:
  std::array<int, 2> indexes_{};
  int count_ = 0;
  std::optional<int> grabbed_;
};

}  // namespace quillon

#pragma once
// Which samples of a scope window's history a record takes. The history is a ring: its newest
// sample is at the head and the oldest just after it, so a stretch may run across the ring's
// end. Pure arithmetic, tested with numbers; the window only asks.
#include "variables/special/time_mark.h"

namespace quillon {

// `count` samples from ring position `first` on, oldest first (positions past the ring's end
// wrap); a count of 0 means there is nothing to write.
struct RecordSpan {
  int first = 0;
  int count = 0;
};

// The whole history up to the newest sample at `head`, without the slots never filled: a slot
// whose time is 0 (30.12.1899) was never sampled. At most the ring's length less one, so the
// oldest sample is never the one being overwritten.
RecordSpan WholeHistorySpan(const TTimeMark& timeMark, int head);

// The samples from the older of two ruler positions to the newer, both included, whichever ruler
// was placed first and wherever the ring's end lies between them; ages count back from `head`.
RecordSpan RulerSpan(int head, int rulerA, int rulerB, int ringLength);

}  // namespace quillon

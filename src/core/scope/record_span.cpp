#include "scope/record_span.h"

#include <algorithm>
#include <cstdlib>

namespace quillon {

namespace {

int Wrapped(int index, int length) {
  const int wrapped = index % length;
  return wrapped < 0 ? wrapped + length : wrapped;
}

}  // namespace

RecordSpan WholeHistorySpan(const TTimeMark& timeMark, int head) {
  const int length = timeMark.HistoryLength();
  int count = 0;
  while (count < length - 1 && timeMark.TimeAt(Wrapped(head - count, length)) != DateTime{}) ++count;
  return {Wrapped(head - count + 1, length), count};
}

RecordSpan RulerSpan(int head, int rulerA, int rulerB, int ringLength) {
  const int ageA = Wrapped(head - rulerA, ringLength);
  const int ageB = Wrapped(head - rulerB, ringLength);
  const int older = ageA >= ageB ? rulerA : rulerB;
  return {Wrapped(older, ringLength), std::abs(ageA - ageB) + 1};
}

}  // namespace quillon

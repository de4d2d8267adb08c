#include "variables/sample_history.h"

namespace quillon {

int SampleHistory::RingIndex(int index) const {
  const int length = Length();
  const int wrapped = index % length;
  return wrapped < 0 ? wrapped + length : wrapped;
}

void SampleHistory::Append(std::uint64_t value) {
  const int next = NextHead();
  ring_.Store(next, value);
  SetHead(next);
}

}  // namespace quillon

#pragma once
// The samples of one variable: a ring of raw entries and the index of the newest, shared
// between the thread that samples (a port worker's answer handler) and the window that draws.
//
// The sampler stores the entry at the next position first and publishes the head after it
// (release); a reader takes the head (acquire) and reads only entries up to it, so it never sees
// an entry that is still being written. A reader that lags a whole ring behind (a trend scrolled
// back the full history while sampling goes on) may find an entry already overwritten by a newer
// sample: it then shows that newer value, whole, for one redraw; the next redraw starts from the
// new head and is right again.
//
// The history knows nothing of what is shown: every text or drawing takes the index of the
// sample it shows as an argument.
#include <atomic>
#include <cstdint>

#include "variables/sample_ring.h"

namespace quillon {

class SampleHistory {
 public:
  SampleHistory(int entryBytes, int length) : ring_(entryBytes, length) {}

  int Length() const { return ring_.Length(); }
  int EntryBytes() const { return ring_.EntryBytes(); }
  // Ring index of `index`, wrapped into the ring (negative indexes count back from the end).
  int RingIndex(int index) const;
  // The entry at any index (wrapped), as an unsigned number of up to 8 bytes.
  std::uint64_t At(int index) const { return ring_.Load(RingIndex(index)); }
  void Store(int index, std::uint64_t value) { ring_.Store(RingIndex(index), value); }

  // Index of the newest sample.
  int Head() const { return head_.load(std::memory_order_acquire); }
  // Makes the entries up to `head` visible to readers: the sampler after storing them, a
  // window that loads a record or rewinds a replay. A loaded record keeps its sample count
  // here unwrapped; readers wrap it.
  void SetHead(int head) { head_.store(head, std::memory_order_release); }
  // Where the next sample goes; it becomes visible only through SetHead.
  int NextHead() const { return RingIndex(Head() + 1); }
  // Stores a sample at the next position and publishes it.
  void Append(std::uint64_t value);

  SampleRing& Ring() { return ring_; }
  const SampleRing& Ring() const { return ring_; }

 private:
  SampleRing ring_;
  std::atomic<int> head_{0};
};

}  // namespace quillon

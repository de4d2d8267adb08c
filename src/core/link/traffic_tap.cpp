#include "link/traffic_tap.h"

#include <bit>

namespace quillon {

// A slot's sequence says whose turn it is (the bounded queue of D. Vyukov): equal to the
// position when a writer may fill it, position + 1 once the frame is in and the reader may take
// it, position + capacity once taken.
struct TrafficTap::Slot {
  std::atomic<std::size_t> sequence{0};
  TrafficFrame frame;
};

TrafficTap::TrafficTap(std::size_t capacity)
    : mask_(std::bit_ceil(capacity < 2 ? std::size_t{2} : capacity) - 1), slots_(std::make_unique<Slot[]>(mask_ + 1)) {
  for (std::size_t i = 0; i <= mask_; ++i) slots_[i].sequence.store(i, std::memory_order_relaxed);
}

TrafficTap::~TrafficTap() = default;

bool TrafficTap::Put(const TrafficFrame& frame) {
  if (!Enabled()) return false;
  std::size_t position = putAt_.load(std::memory_order_relaxed);
  for (;;) {
    Slot& slot = slots_[position & mask_];
    const std::size_t sequence = slot.sequence.load(std::memory_order_acquire);
    const auto difference = static_cast<std::ptrdiff_t>(sequence - position);
    if (difference == 0) {
      if (putAt_.compare_exchange_weak(position, position + 1, std::memory_order_relaxed)) {
        slot.frame = frame;
        slot.sequence.store(position + 1, std::memory_order_release);
        return true;
      }
    } else if (difference < 0) {
      // The reader has not taken this slot's frame of the previous lap: the ring is full.
      dropped_.fetch_add(1, std::memory_order_relaxed);
      return false;
    } else {
      position = putAt_.load(std::memory_order_relaxed);
    }
  }
}

std::size_t TrafficTap::Drain(const std::function<void(const TrafficFrame&)>& take) {
  std::size_t taken = 0;
  for (;;) {
    Slot& slot = slots_[takeAt_ & mask_];
    if (slot.sequence.load(std::memory_order_acquire) != takeAt_ + 1) return taken;
    take(slot.frame);
    slot.sequence.store(takeAt_ + mask_ + 1, std::memory_order_release);
    ++takeAt_;
    ++taken;
  }
}

}  // namespace quillon

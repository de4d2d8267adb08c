#pragma once
// Where the port workers hand over the frames they send and receive, for the traffic monitor and
// the command-line trace. It belongs to the link hub; every worker of the hub puts into it.
//
// Threads: any number of workers put, one reader drains. Putting takes no lock and never waits:
// a slot is claimed with one compare-and-swap, and when the reader has fallen a whole ring
// behind the frame is dropped and counted instead. While the tap is off (nobody watches) a
// worker only reads one flag.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "link/traffic_frame.h"

namespace quillon {

class TrafficTap {
 public:
  // `capacity` is rounded up to a power of two.
  explicit TrafficTap(std::size_t capacity = 8192);
  ~TrafficTap();
  TrafficTap(const TrafficTap&) = delete;
  TrafficTap& operator=(const TrafficTap&) = delete;

  void SetEnabled(bool enabled) { enabled_.store(enabled, std::memory_order_relaxed); }
  bool Enabled() const { return enabled_.load(std::memory_order_relaxed); }

  // Any worker thread. false when the frame was dropped (tap off, or the ring full).
  bool Put(const TrafficFrame& frame);
  // The reader's thread only: hands every frame waiting, oldest first, to `take`; returns how
  // many.
  std::size_t Drain(const std::function<void(const TrafficFrame&)>& take);
  // Frames dropped because the ring was full.
  std::uint64_t Dropped() const { return dropped_.load(std::memory_order_relaxed); }

 private:
  struct Slot;
  std::size_t mask_;
  std::unique_ptr<Slot[]> slots_;
  std::atomic<std::size_t> putAt_{0};
  std::size_t takeAt_ = 0;  // the reader's
  std::atomic<bool> enabled_{false};
  std::atomic<std::uint64_t> dropped_{0};
};

}  // namespace quillon

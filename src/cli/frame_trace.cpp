#include "cli/frame_trace.h"

#include <chrono>
#include <cstdio>

#include "link/traffic_text.h"

namespace quillon::cli {

namespace {

// Often enough that the lines keep pace with a polling session, seldom enough to cost nothing.
constexpr std::chrono::milliseconds kPrintInterval{5};

}  // namespace

FrameTrace::FrameTrace(TrafficTap& tap, bool on) : tap_(tap), on_(on) {
  if (!on_) return;
  tap_.SetEnabled(true);
  printer_ = std::thread([this] {
    std::unique_lock lock(mutex_);
    while (!stop_.wait_for(lock, kPrintInterval, [this] { return stopping_; })) Print();
  });
}

FrameTrace::~FrameTrace() {
  if (!on_) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stop_.notify_all();
  printer_.join();
  Print();
  tap_.SetEnabled(false);
  Print();
}

void FrameTrace::Print() {
  const std::size_t printed =
      tap_.Drain([](const TrafficFrame& frame) { std::fprintf(stderr, "%s\n", TraceLine(frame).c_str()); });
  if (printed > 0) std::fflush(stderr);
}

}  // namespace quillon::cli

#pragma once
// --trace: every frame the command's link exchanges, printed on standard error as it passes, one
// TraceLine each. A thread of its own drains the hub's traffic tap, so the workers never wait
// for the terminal; what is still in the tap when the trace ends is printed then.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "link/traffic_tap.h"

namespace quillon::cli {

class FrameTrace {
 public:
  // Does nothing unless `on`. The tap must outlive the trace.
  FrameTrace(TrafficTap& tap, bool on);
  ~FrameTrace();
  FrameTrace(const FrameTrace&) = delete;
  FrameTrace& operator=(const FrameTrace&) = delete;

 private:
  void Print();

  TrafficTap& tap_;
  bool on_;
  std::mutex mutex_;
  std::condition_variable stop_;
  bool stopping_ = false;
  std::thread printer_;
};

}  // namespace quillon::cli

#pragma once
// A line for the worker tests that answers every request at once with one byte (0x42), or after
// a set exchange time. It notes the first byte of each request in the order sent, how long after
// the line fell quiet each request went out, and how often the worker looked at it.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "link/serial_port.h"

namespace quillon::testing {

class InstantLine final : public SerialLine {
 public:
  using Clock = std::chrono::steady_clock;

  explicit InstantLine(std::chrono::microseconds exchange = std::chrono::microseconds(0)) : exchange_(exchange) {}

  void Purge() override {}
  bool Send(const std::uint8_t* data, std::size_t length) override {
    std::lock_guard lock(mutex_);
    if (length > 0) sent_.push_back(data[0]);
    if (quietSince_ != Clock::time_point{}) gaps_.push_back(Clock::now() - quietSince_);
    return true;
  }
  std::uint32_t ReceiveAnswer(std::uint8_t* buffer, std::size_t capacity, const AnswerEnd&) override {
    if (exchange_.count() > 0) std::this_thread::sleep_for(exchange_);
    std::lock_guard lock(mutex_);
    quietSince_ = Clock::now();
    if (capacity == 0) return 0;
    buffer[0] = 0x42;
    return 1;
  }
  void Interrupt() override {}
  bool Configure(unsigned, unsigned) override { return true; }
  bool Lost() override {
    ++looks;
    return false;
  }
  Clock::time_point QuietSince() const override {
    std::lock_guard lock(mutex_);
    return quietSince_;
  }

  std::vector<std::uint8_t> Sent() const {
    std::lock_guard lock(mutex_);
    return sent_;
  }
  // From the end of each answer to the next request, shortest first.
  std::vector<Clock::duration> Gaps() const {
    std::lock_guard lock(mutex_);
    std::vector<Clock::duration> gaps = gaps_;
    std::sort(gaps.begin(), gaps.end());
    return gaps;
  }
  Clock::duration MedianGap() const {
    const auto gaps = Gaps();
    return gaps.empty() ? Clock::duration::max() : gaps[gaps.size() / 2];
  }

  std::atomic<long> looks{0};

 private:
  const std::chrono::microseconds exchange_;
  mutable std::mutex mutex_;
  Clock::time_point quietSince_;
  std::vector<std::uint8_t> sent_;
  std::vector<Clock::duration> gaps_;
};

}  // namespace quillon::testing

#pragma once
// What a port worker needs from its line, whatever the line is (a serial port, a TCP
// connection, or a fake in a test), and the one service step both workers perform.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "link/link_request.h"

namespace quillon {

class LinkChannel {
 public:
  virtual ~LinkChannel() = default;
  // Drops whatever is pending in both directions, so a late answer to an earlier request is
  // never taken for the answer to the next one.
  virtual void Purge() = 0;
  virtual bool Send(const std::uint8_t* data, std::size_t length) = 0;
  // Collects one answer into `buffer` (at most `capacity` bytes) and returns the count the
  // record's AnswerLen reports; each line kind has its own rules for that count.
  virtual std::uint32_t ReceiveAnswer(std::uint8_t* buffer, std::size_t capacity) = 0;
  // Makes every wait of the channel, running or to come, end at once (worker shutdown).
  virtual void Interrupt() = 0;
};

// The stop flag of a worker with a sleep that ends as soon as the flag is set.
class StopSignal {
 public:
  void Set();
  bool IsSet() const { return stop_.load(); }
  // false when stopped before the time was up.
  bool SleepFor(std::chrono::milliseconds duration);

 private:
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
};

enum class ServiceOutcome {
  Skipped,        // the record was Busy
  Served,
  SendFailed,     // Busy set, nothing received, OnAnswer not called
  HandlerFailed,  // OnAnswer threw; the exception is swallowed
  Stopped,        // the worker is stopping; the record is left Busy without an answer
};

// One exchange: set Busy, purge, send, wait DelayMs, receive, store AnswerLen, call OnAnswer.
// With `stopOnSendFailure` a failed send ends the service without receiving.
ServiceOutcome ServeRequest(LinkChannel& channel, TLinkRequest& request, StopSignal& stop, bool stopOnSendFailure);

}  // namespace quillon

#include "link/link_channel.h"

#include <sys/prctl.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "link/traffic_capture.h"

namespace quillon {

void DiscardedBytes::Add(const std::uint8_t* data, std::size_t count) {
  const std::size_t taken = std::min(count, bytes_.size() - count_);
  if (taken > 0) std::memcpy(bytes_.data() + count_, data, taken);
  count_ += taken;
}

void SleepPrecisely() {
  constexpr unsigned long kSlackNs = 1000;
  ::prctl(PR_SET_TIMERSLACK, kSlackNs);
}

void WorkerSignal::Stop() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
}

bool WorkerSignal::SleepFor(std::chrono::milliseconds duration) {
  std::unique_lock lock(mutex_);
  return !changed_.wait_for(lock, duration, [&] { return stop_.load(); });
}

bool WorkerSignal::SleepUntil(std::chrono::steady_clock::time_point moment) {
  std::unique_lock lock(mutex_);
  return !changed_.wait_until(lock, moment, [&] { return stop_.load(); });
}

bool WorkerSignal::SleepPreciselyUntil(std::chrono::steady_clock::time_point moment) {
  constexpr std::chrono::microseconds kWatched{150};
  if (!SleepUntil(moment - kWatched)) return false;
  while (std::chrono::steady_clock::now() < moment) {
    if (stop_.load()) return false;
    std::this_thread::yield();  // whatever else wants this core meanwhile goes first
  }
  return true;
}

void WorkerSignal::Wake() {
  {
    std::lock_guard lock(mutex_);
    woken_ = true;
  }
  changed_.notify_all();
}

void WorkerSignal::ClearWake() {
  std::lock_guard lock(mutex_);
  woken_ = false;
}

void WorkerSignal::RestFor(std::chrono::milliseconds duration) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, duration, [&] { return woken_ || stop_.load(); });
  woken_ = false;
}

void RestAfter(PassOutcome outcome, WorkerSignal& signal) {
  if (outcome == PassOutcome::Served) return;
  signal.RestFor(outcome == PassOutcome::OnlyBusy ? kBusyRecheck : kIdleRecheck);
}

ServiceOutcome ServeRequest(LinkChannel& channel, TLinkRequest& request, WorkerSignal& signal,
                            const ServiceRules& rules) {
  if (request.Busy.load()) return ServiceOutcome::Skipped;
  request.Busy = true;
  const AnswerEnd shape = AnswerEnd::ForRequest(request.RequestBuf, request.RequestLen);
  const ExchangeCapture capture{rules, channel, shape.IsMODBUS()};
  channel.Purge();
  capture.Discarded();
  const bool sent = request.RequestBuf != nullptr && channel.Send(request.RequestBuf, request.RequestLen);
  if (sent) capture.Request(request);
  if (!sent && rules.stopOnSendFailure) return ServiceOutcome::SendFailed;
  const AnswerEnd end = rules.endAtKnownLength ? shape : AnswerEnd();
  if (!signal.SleepFor(std::chrono::milliseconds(request.DelayMs))) return ServiceOutcome::Stopped;
  const std::size_t capacity = request.AnswerBuf != nullptr ? request.AnswerCapacity : 0;
  const std::uint32_t count = channel.ReceiveAnswer(request.AnswerBuf, capacity, end);
  request.AnswerLen = count;
  if (signal.Stopped()) return ServiceOutcome::Stopped;
  // Judged here only by what the request's shape tells; the owner judges the rest. Copied
  // before the owner may reuse its buffer.
  const std::size_t stored = std::min<std::size_t>(count, capacity);
  if (sent) capture.Answer(request, stored, channel.Silence(count));
  const bool whole =
      !channel.Silence(count) &&
      (!shape.ExpectedLength() || (request.AnswerBuf != nullptr && shape.Complete(request.AnswerBuf, stored)));
  ServiceOutcome outcome = ServiceOutcome::Served;
  if (request.OnAnswer) {
    try {
      request.OnAnswer(request);
    } catch (...) {
      outcome = ServiceOutcome::HandlerFailed;
    }
  }
  // The owner has its answer; the line is made quiet before anyone's next request goes out.
  if (!whole) {
    channel.Settle();
    capture.Discarded();
  }
  return outcome;
}

}  // namespace quillon

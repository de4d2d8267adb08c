#include "link/link_channel.h"

#include <sys/prctl.h>

namespace quillon {

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
  channel.Purge();
  const bool sent = request.RequestBuf != nullptr && channel.Send(request.RequestBuf, request.RequestLen);
  if (!sent && rules.stopOnSendFailure) return ServiceOutcome::SendFailed;
  const AnswerEnd end =
      rules.endAtKnownLength ? AnswerEnd::ForRequest(request.RequestBuf, request.RequestLen) : AnswerEnd();
  if (!signal.SleepFor(std::chrono::milliseconds(request.DelayMs))) return ServiceOutcome::Stopped;
  const std::size_t capacity = request.AnswerBuf != nullptr ? request.AnswerCapacity : 0;
  request.AnswerLen = channel.ReceiveAnswer(request.AnswerBuf, capacity, end);
  if (signal.Stopped()) return ServiceOutcome::Stopped;
  if (request.OnAnswer) {
    try {
      request.OnAnswer(request);
    } catch (...) {
      return ServiceOutcome::HandlerFailed;
    }
  }
  return ServiceOutcome::Served;
}

}  // namespace quillon

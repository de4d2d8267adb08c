#include "link/link_channel.h"

namespace quillon {

void StopSignal::Set() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
}

bool StopSignal::SleepFor(std::chrono::milliseconds duration) {
  std::unique_lock lock(mutex_);
  return !changed_.wait_for(lock, duration, [&] { return stop_.load(); });
}

ServiceOutcome ServeRequest(LinkChannel& channel, TLinkRequest& request, StopSignal& stop, bool stopOnSendFailure) {
  if (request.Busy.load()) return ServiceOutcome::Skipped;
  request.Busy = true;
  channel.Purge();
  const bool sent = request.RequestBuf != nullptr && channel.Send(request.RequestBuf, request.RequestLen);
  if (!sent && stopOnSendFailure) return ServiceOutcome::SendFailed;
  if (!stop.SleepFor(std::chrono::milliseconds(request.DelayMs))) return ServiceOutcome::Stopped;
  const std::size_t capacity = request.AnswerBuf != nullptr ? request.AnswerCapacity : 0;
  request.AnswerLen = channel.ReceiveAnswer(request.AnswerBuf, capacity);
  if (stop.IsSet()) return ServiceOutcome::Stopped;
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

#include "alarm/alarm_link.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <utility>

#include "link/buses.h"

namespace quillon {

namespace {

// How long a closing tool waits for its writes to finish their exchanges.
constexpr auto kWriteGrace = std::chrono::seconds(3);

void BuildXramRead(std::uint16_t address, int count, std::array<std::uint8_t, kQuBUSReadFrameLength>& frame) {
  int length = 0;
  BuildQuBUSRead(1, "XRAM", address, static_cast<std::uint16_t>(address + count), frame.data(), length);
}

void PreparePoll(TLinkRequest& request, const std::uint8_t* frame, std::uint8_t* answer, std::size_t capacity,
                 int expected) {
  request.AnswerBuf = answer;
  request.AnswerCapacity = capacity;
  request.RequestBuf = frame;
  request.RequestLen = kQuBUSReadFrameLength;
  request.OneShot = false;
  request.Busy = false;
  request.ExpectedLen = expected;
  request.DelayMs = kPollDelayMs;
}

}  // namespace

AlarmLink::AlarmLink(LinkHub& hub, LogProgress progress, PageLoaded loaded)
    : progress_(std::move(progress)), loaded_(std::move(loaded)), attachment_(hub) {
  BuildXramRead(kClockBlockAddress, kClockBlockLength, clockFrame_);
  BuildXramRead(kCounterBlockAddress, kCounterBlockLength, counterFrame_);
  PreparePoll(clockRequest_, clockFrame_.data(), pollAnswer_.data(), pollAnswer_.size(), kClockBlockLength);
  PreparePoll(counterRequest_, counterFrame_.data(), pollAnswer_.data(), pollAnswer_.size(), kCounterBlockLength);
  clockRequest_.OnAnswer = [this](TLinkRequest& request) { ClockAnswered(request); };
  counterRequest_.OnAnswer = [this](TLinkRequest& request) { CountersAnswered(request); };

  logRequest_.AnswerBuf = logAnswer_.data();
  logRequest_.AnswerCapacity = logAnswer_.size();
  logRequest_.RequestBuf = logFrame_.data();
  logRequest_.RequestLen = kLogReadFrameLength;
  logRequest_.ExpectedLen = kLogRecordLength;
  logRequest_.DelayMs = kLogDelayMs;
  logRequest_.OnAnswer = [this](TLinkRequest& request) { LogAnswered(request); };
}

void AlarmLink::ClockAnswered(TLinkRequest& request) {
  const std::uint32_t length = request.AnswerLen.load();
  std::lock_guard lock(mutex_);
  if (length == 0 || length != static_cast<std::uint32_t>(kClockBlockLength)) {
    status_.failed = true;
    return;
  }
  ++status_.goodReplies;
  snapshot_.hasClock = true;
  snapshot_.calibration = pollAnswer_[0];
  std::copy_n(pollAnswer_.begin() + 1, snapshot_.clock.size(), snapshot_.clock.begin());
}

void AlarmLink::CountersAnswered(TLinkRequest& request) {
  const std::uint32_t length = request.AnswerLen.load();
  std::lock_guard lock(mutex_);
  if (length == 0 || length != static_cast<std::uint32_t>(kCounterBlockLength)) {
    status_.failed = true;
    return;
  }
  ++status_.goodReplies;
  snapshot_.hasCounters = true;
  std::copy_n(pollAnswer_.begin(), snapshot_.counters.size(), snapshot_.counters.begin());
}

// The reply is not judged: a missing one leaves the last record's bytes, which count again.
void AlarmLink::LogAnswered(TLinkRequest& request) {
  std::uint64_t generation = 0;
  int decoded = 0;
  bool complete = false;
  LogPage page;
  {
    std::lock_guard lock(mutex_);
    generation = generation_;
    page_.records[static_cast<std::size_t>(nextRecord_)] = DecodeLogRecord(logAnswer_, nextRecord_);
    decoded = nextRecord_ + 1;
    nextRecord_ = (nextRecord_ + 1) % kLogPageRecords;
    complete = nextRecord_ == 0;
    if (complete) {
      page = page_;
    } else {
      logFrame_ = BuildLogReadFrame(page_.number, nextRecord_);
    }
  }
  if (complete) {
    request.OneShot = true;
    if (loaded_) loaded_(generation, page);
    return;
  }
  if (progress_) progress_(generation, decoded);
  request.Busy = false;
}

bool AlarmLink::Attach(const Endpoint& endpoint) {
  const bool samePlace = attachment_.Place() && attachment_.Place()->SamePlace(endpoint);
  if (!samePlace) {
    FinishWrites();
    attachment_.Leave();
    pollsRegistered_ = false;
  }
  if (attachment_.Open(endpoint)) {
    pollsRegistered_ = false;
    writesHeld_ = false;
    return false;
  }
  if (!pollsRegistered_) {
    {
      // What another port's controller said is not this one's.
      std::lock_guard lock(mutex_);
      snapshot_ = PollSnapshot{};
    }
    attachment_.Add(clockRequest_, [this] {
      clockRequest_.Busy = false;
      counterRequest_.Busy = false;
    });
    attachment_.Add(counterRequest_);
    pollsRegistered_ = true;
  }
  return true;
}

bool AlarmLink::StartPageLoad(int page, std::uint64_t generation) {
  if (!pollsRegistered_) return false;
  // Out of the worker before it changes: a load in progress restarts with the new page.
  attachment_.Withdraw(logRequest_);
  {
    std::lock_guard lock(mutex_);
    generation_ = generation;
    nextRecord_ = 0;
    page_.number = static_cast<std::uint8_t>(page);
    logFrame_ = BuildLogReadFrame(page, 0);
  }
  logRequest_.OneShot = false;
  logRequest_.Busy = false;
  attachment_.Add(logRequest_);
  return true;
}

bool AlarmLink::Send(XramWrites::Kind kind, std::vector<std::uint8_t> frame) {
  if (!pollsRegistered_) return false;
  if (!writes_.Push(kind, frame)) return true;
  // The record may still be on its way out of the worker that served the last write.
  attachment_.Withdraw(writes_.Request());
  writes_.Arm();
  attachment_.Add(writes_.Request());
  writesHeld_ = true;
  return true;
}

void AlarmLink::FinishWrites() {
  if (!writesHeld_) return;
  const auto deadline = std::chrono::steady_clock::now() + kWriteGrace;
  while (!writes_.Idle() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  attachment_.Withdraw(writes_.Request());
  writes_.Clear();
  writesHeld_ = false;
}

void AlarmLink::Detach() {
  attachment_.Withdraw(logRequest_);
  attachment_.Withdraw(clockRequest_);
  attachment_.Withdraw(counterRequest_);
  pollsRegistered_ = false;
  FinishWrites();
  attachment_.Leave();
}

PollSnapshot AlarmLink::Snapshot() const {
  std::lock_guard lock(mutex_);
  return snapshot_;
}

ReplyStatus AlarmLink::TakeReplyStatus() {
  std::lock_guard lock(mutex_);
  return std::exchange(status_, ReplyStatus{});
}

bool AlarmLink::RearmPolls() {
  if (!clockRequest_.Busy.load() || !counterRequest_.Busy.load()) return false;
  clockRequest_.Busy = false;
  counterRequest_.Busy = false;
  return true;
}

void AlarmLink::HoldCalibration(std::uint8_t calibration) {
  std::lock_guard lock(mutex_);
  snapshot_.calibration = calibration;
}

}  // namespace quillon

#include "sim/line_pacing.h"

#include <algorithm>
#include <utility>

namespace quillon::sim {

LineTimePoint ReceiveClock::Arrive(LineTimePoint seen, std::chrono::nanoseconds character) {
  busyUntil_ = std::max(seen, busyUntil_) + character;
  return busyUntil_;
}

void AnswerQueue::Add(std::vector<std::uint8_t> bytes, LineTimePoint start, std::chrono::nanoseconds character) {
  if (bytes.empty()) return;
  if (!answers_.empty()) start = std::max(start, answers_.back().End());
  answers_.push_back(Answer{std::move(bytes), start, character, 0});
}

std::optional<LineTimePoint> AnswerQueue::NextDue() const {
  if (answers_.empty()) return std::nullopt;
  const Answer& front = answers_.front();
  return AnswerByteDue(front.start, front.sent, front.character);
}

AnswerQueue::Due AnswerQueue::TakeDue(LineTimePoint now) {
  Due due;
  while (!answers_.empty()) {
    Answer& front = answers_.front();
    while (front.sent < front.bytes.size() && AnswerByteDue(front.start, front.sent, front.character) <= now) {
      due.bytes.push_back(front.bytes[front.sent++]);
      due.answerEnded = false;
    }
    if (front.sent < front.bytes.size()) break;
    due.answerEnded = true;
    answers_.pop_front();
  }
  return due;
}

bool AnswerQueue::Sending(LineTimePoint at) const { return !answers_.empty() && answers_.front().start <= at; }

RequestStart LineHistory::StartAt(LineTimePoint seen, bool collision, std::chrono::nanoseconds interval) const {
  RequestStart start{seen, lastRequestEnd_, collision, interval};
  if (lastAnswerEnd_ && (!start.previousEnd || *lastAnswerEnd_ > *start.previousEnd))
    start.previousEnd = lastAnswerEnd_;
  return start;
}

bool BreaksSilentInterval(const RequestStart& start) {
  if (start.collision) return true;
  return start.previousEnd && start.seen - *start.previousEnd < start.interval;
}

}  // namespace quillon::sim

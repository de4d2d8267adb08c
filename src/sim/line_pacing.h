#pragma once
// The timing of a paced serial line as plain arithmetic on time points, so that it can be
// checked without a terminal: when a request has fully arrived, when each byte of an answer has
// gone out, and whether a MODBUS request kept the silent interval before it. The objects here
// belong to one paced line and are used by its thread alone; none of them is thread-safe.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace quillon::sim {

using LineClock = std::chrono::steady_clock;
using LineTimePoint = LineClock::time_point;

// The receive side of the line. A byte begins when the simulator sees it or when the byte
// before it has finished, whichever is later, and takes one character time: a program that
// writes a whole frame at once still has to wait for the line to carry it.
class ReceiveClock {
 public:
  // When a byte seen at `seen` has fully arrived.
  LineTimePoint Arrive(LineTimePoint seen, std::chrono::nanoseconds character);

 private:
  LineTimePoint busyUntil_{};
};

// When byte `index` (from 0) of an answer whose sending begins at `start` has gone out.
inline LineTimePoint AnswerByteDue(LineTimePoint start, std::size_t index, std::chrono::nanoseconds character) {
  return start + character * static_cast<std::int64_t>(index + 1);
}

// The answers waiting to go out, in order. The line carries one at a time, so an answer begins
// no earlier than the one before it has ended. Each byte has a fixed deadline: a wake-up that
// comes late sends what has fallen due and leaves the deadlines after it where they were.
class AnswerQueue {
 public:
  void Add(std::vector<std::uint8_t> bytes, LineTimePoint start, std::chrono::nanoseconds character);
  // When the next byte is due; nothing when every answer has gone.
  std::optional<LineTimePoint> NextDue() const;

  struct Due {
    std::vector<std::uint8_t> bytes;
    bool answerEnded = false;  // the last of these bytes ended an answer
  };
  // Takes out every byte due by `now`.
  Due TakeDue(LineTimePoint now);
  // An answer is on the line at `at`: its sending has begun and not all of its bytes have gone.
  bool Sending(LineTimePoint at) const;

 private:
  struct Answer {
    std::vector<std::uint8_t> bytes;
    LineTimePoint start;
    std::chrono::nanoseconds character{0};
    std::size_t sent = 0;
    LineTimePoint End() const { return AnswerByteDue(start, bytes.size() - 1, character); }
  };
  std::deque<Answer> answers_;
};

// What the line held when a request began.
struct RequestStart {
  LineTimePoint seen;                        // when its first byte was seen
  std::optional<LineTimePoint> previousEnd;  // the end of whatever frame was on the line before
  bool collision = false;                    // an answer was being sent at the time
  std::chrono::nanoseconds interval{0};      // 3.5 characters at the framing of the time
};

// The last frames the line carried, for the silent interval a MODBUS request must keep.
class LineHistory {
 public:
  void RequestEnded(LineTimePoint end) { lastRequestEnd_ = end; }
  void AnswerEnded(LineTimePoint end) { lastAnswerEnd_ = end; }
  // The previous frame is the later of the last request and the last answer: an answer still
  // to come (a turnaround, a late answer) leaves the request as the last thing on the line.
  RequestStart StartAt(LineTimePoint seen, bool collision, std::chrono::nanoseconds interval) const;

 private:
  std::optional<LineTimePoint> lastRequestEnd_;
  std::optional<LineTimePoint> lastAnswerEnd_;
};

// A MODBUS request breaks the framing when it collides with an answer or begins less than 3.5
// characters after the previous frame; the first frame on the line breaks nothing.
bool BreaksSilentInterval(const RequestStart& start);

}  // namespace quillon::sim

#include "sim/paced_line.h"

#include <poll.h>
#include <sched.h>
#include <sys/prctl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "link/line_timing.h"
#include "sim/controller.h"
#include "sim/frame_scanner.h"
#include "sim/terminal_settings.h"

namespace quillon::sim {
namespace {

using std::chrono::nanoseconds;

// Sleeping ends this long before a deadline and the rest is spun: wake-ups from a sleep come
// tens of microseconds late, more on a loaded machine.
constexpr auto kSpin = std::chrono::microseconds(150);
// After an answer the next request is near: a controller's receiver sees its first byte at
// once, while a wake-up from a sleep on a pseudo-terminal comes tens of microseconds later and
// would count as line time. For this long after an answer the line is watched without sleeping
// (longer than the silent interval a master keeps at 19,200 Bd and above).
constexpr auto kWatchAfterAnswer = std::chrono::microseconds(2500);
// The default timer slack (50 us) would let the kernel wake the line later still.
constexpr unsigned long kTimerSlackNs = 1000;
// Often enough to notice a stop without a deadline of its own.
constexpr auto kIdleWake = std::chrono::milliseconds(100);
// While nobody holds the terminal its master reports a hang-up for ever; wait rather than spin.
constexpr auto kHangUpPause = std::chrono::milliseconds(5);
// Longer than any frame either protocol has: whatever is collected beyond this is noise.
constexpr std::size_t kMaxPending = 1024;
// A verbose line shows a request's head only; a card frame can be 260 bytes long.
constexpr std::size_t kLoggedBytes = 16;

timespec ToTimespec(nanoseconds span) {
  const auto count = std::max<std::int64_t>(span.count(), 0);
  return timespec{static_cast<time_t>(count / 1'000'000'000), static_cast<long>(count % 1'000'000'000)};
}

timespec ToTimespec(LineTimePoint at) { return ToTimespec(at.time_since_epoch()); }

// Returns when `fd` has bytes to read or `deadline` has come. Until `watchUntil` the
// descriptor is watched without sleeping.
void WaitFor(int fd, LineTimePoint deadline, LineTimePoint watchUntil) {
  while (true) {
    const LineTimePoint now = LineClock::now();
    if (now >= deadline) return;
    pollfd wait{fd, POLLIN, 0};
    // ppoll's clock is CLOCK_MONOTONIC, the steady clock's; the span is taken anew each turn,
    // so an interrupted or early wake-up does not move the deadline.
    const timespec timeout = ToTimespec(now < watchUntil ? nanoseconds(0) : deadline - now - kSpin);
    const int ready = ::ppoll(&wait, 1, &timeout, nullptr);
    if (ready > 0 && (wait.revents & POLLIN) != 0) return;
    // A thread woken on this core (the master reading the answer) must not wait for the spin.
    if (ready == 0) ::sched_yield();
    if (ready > 0) {
      const timespec until = ToTimespec(std::min(deadline, now + kHangUpPause));
      ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr);
      return;
    }
  }
}

double Milliseconds(nanoseconds span) { return static_cast<double>(span.count()) / 1e6; }

std::string Head(const std::vector<std::uint8_t>& frame) {
  if (frame.size() <= kLoggedBytes) return HexBytes(frame);
  return HexBytes(std::span(frame).first(kLoggedBytes)) + " ...";
}

}  // namespace

void PacedLine::Run(const std::atomic<bool>& stop, std::stop_token token, SimBus& bus) {
  try {
    Serve(stop, token, bus);
  } catch (...) {
    failure_ = std::current_exception();
    failed_.store(true);
  }
}

void PacedLine::Serve(const std::atomic<bool>& stop, const std::stop_token& token, SimBus& bus) {
  ::prctl(PR_SET_TIMERSLACK, kTimerSlackNs, 0UL, 0UL, 0UL);
  while (!stop.load() && !token.stop_requested()) {
    WaitFor(masterFd_, NextDeadline(LineClock::now()), watchUntil_);
    // Due answer bytes first: they are what a late wake-up would delay.
    Release();
    Read();
    HandOver(LineClock::now(), bus);
  }
}

LineTimePoint PacedLine::NextDeadline(LineTimePoint now) const {
  LineTimePoint deadline = now + kIdleWake;
  if (const auto due = answers_.NextDue()) deadline = std::min(deadline, *due);
  if (const auto frame = PendingFrame()) deadline = std::min(deadline, frame->at);
  return deadline;
}

std::optional<PacedLine::Handover> PacedLine::PendingFrame() const {
  if (pending_.empty()) return std::nullopt;
  std::vector<std::uint8_t> bytes(pending_.size());
  std::transform(pending_.begin(), pending_.end(), bytes.begin(), [](const PendingByte& byte) { return byte.value; });
  const ScanResult scan = ScanFrame(bytes, true);
  if (scan.status == ScanStatus::Complete) {
    const LineTimePoint end = pending_[scan.length - 1].arrived;
    return Handover{scan.length, end, end};
  }
  return Handover{pending_.size(), pending_.back().arrived, pending_.back().arrived + kQuietGap};
}

void PacedLine::Read() {
  std::uint8_t buffer[512];
  while (true) {
    const ssize_t count = ::read(masterFd_, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    // Nothing more (EAGAIN), or EIO on a terminal nobody holds, which the server's own
    // descriptor of the terminal side makes rare.
    if (count <= 0) return;
    const LineTimePoint seen = LineClock::now();
    watchUntil_ = LineTimePoint{};  // the request has begun: what is left is waiting for deadlines
    const TerminalSettings settings = ReadTerminalSettings(pacing_.terminalFd);
    const nanoseconds character = LineTime(1, settings.baud, settings.format);
    for (ssize_t i = 0; i < count; ++i) {
      if (pending_.empty()) {
        start_ =
            history_.StartAt(seen, answers_.Sending(seen), ThreeAndAHalfCharacters(settings.baud, settings.format));
      }
      pending_.push_back(PendingByte{buffer[i], seen, receive_.Arrive(seen, character)});
    }
    if (pending_.size() > kMaxPending) pending_.clear();
  }
}

void PacedLine::HandOver(LineTimePoint now, SimBus& bus) {
  for (auto frame = PendingFrame(); frame && frame->at <= now; frame = PendingFrame()) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < frame->length; ++i) bytes.push_back(pending_[i].value);
    const RequestStart start = start_;
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(frame->length));
    // The next frame came behind this one without waiting for it to end.
    if (!pending_.empty()) start_ = RequestStart{pending_.front().seen, frame->end, false, start.interval};
    history_.RequestEnded(frame->end);
    if (!LooksLikeQuBUS(bytes) && BreaksSilentInterval(start)) Report(bytes, start);
    Answer(std::move(bytes), frame->at, bus);
  }
}

void PacedLine::Answer(std::vector<std::uint8_t> frame, LineTimePoint taken, SimBus& bus) {
  const Response response = bus.Handle(frame, true);
  if (response.bytes.empty()) return;
  std::vector<std::uint8_t> bytes;
  // A repeated answer goes back to back with itself, as one transmission.
  for (int i = 0; i < response.repeats; ++i) bytes.insert(bytes.end(), response.bytes.begin(), response.bytes.end());
  const TerminalSettings settings = ReadTerminalSettings(pacing_.terminalFd);
  const LineTimePoint start = taken + pacing_.turnaround + std::chrono::milliseconds(response.delayMs);
  answers_.Add(std::move(bytes), start, LineTime(1, settings.baud, settings.format));
}

void PacedLine::Release() {
  const LineTimePoint now = LineClock::now();
  AnswerQueue::Due due = answers_.TakeDue(now);
  if (due.bytes.empty()) return;
  // Bytes the terminal does not take are lost, as on a line that nobody listens to.
  const ssize_t written = ::write(masterFd_, due.bytes.data(), due.bytes.size());
  static_cast<void>(written);
  // The line's end is taken from before the write: the master may read the last byte and start
  // counting its silence before this thread runs again, and a later mark would charge it with
  // the time this thread waited for a core.
  if (due.answerEnded) {
    history_.AnswerEnded(now);
    watchUntil_ = now + kWatchAfterAnswer;
  }
}

void PacedLine::Report(const std::vector<std::uint8_t>& frame, const RequestStart& start) {
  violations_.fetch_add(1);
  if (!pacing_.Log) return;
  std::string text = "framing violation: request " + Head(frame);
  char timing[160];
  if (start.collision) {
    std::snprintf(timing, sizeof timing, " started while an answer was being sent");
  } else {
    const nanoseconds gap = start.seen - *start.previousEnd;
    std::snprintf(timing, sizeof timing, " started %.3f ms %s the previous frame (3.5 characters: %.3f ms)",
                  Milliseconds(gap < nanoseconds(0) ? -gap : gap), gap < nanoseconds(0) ? "before the end of" : "after",
                  Milliseconds(start.interval));
  }
  pacing_.Log(text + timing);
}

}  // namespace quillon::sim

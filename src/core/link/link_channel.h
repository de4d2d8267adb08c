#pragma once
// What a port worker needs from its line, whatever the line is (a serial port, a TCP
// connection, or a fake in a test), and the one service step both workers perform.
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>

#include "link/answer_end.h"
#include "link/link_request.h"
#include "link/traffic_tap.h"

namespace quillon {

class LinkChannel {
 public:
  virtual ~LinkChannel() = default;
  // Drops whatever is pending in both directions, so a late answer to an earlier request is
  // never taken for the answer to the next one.
  virtual void Purge() = 0;
  virtual bool Send(const std::uint8_t* data, std::size_t length) = 0;
  // Collects one answer into `buffer` (at most `capacity` bytes) and returns the count the
  // record's AnswerLen reports; each line kind has its own rules for that count. A line that
  // waits for the end of a frame may stop as soon as `end` finds the answer complete.
  virtual std::uint32_t ReceiveAnswer(std::uint8_t* buffer, std::size_t capacity, const AnswerEnd& end) = 0;
  // Makes every wait of the channel, running or to come, end at once (worker shutdown).
  virtual void Interrupt() = 0;
  // After a time-out or an answer that did not come whole: reads and discards until nothing has
  // arrived for the line's guard time, so an answer that comes late is never taken for the
  // answer to the next request. Bounded, and ended by Interrupt.
  virtual void Settle() {}
  // Whether a count ReceiveAnswer gave means that nothing came.
  virtual bool Silence(std::uint32_t count) const { return count == 0; }

  // For the traffic monitor: what the last Send put on the wire and the last ReceiveAnswer took
  // off it, when the channel frames requests itself (an MBAP header); empty when those are the
  // request and the answer as the worker sees them.
  virtual std::span<const std::uint8_t> SentOnWire() const { return {}; }
  virtual std::span<const std::uint8_t> ReceivedOnWire() const { return {}; }
  // The channel's own framing refused the last answer (an MBAP answer to another transaction):
  // ReceiveAnswer then reported silence, and ReceivedOnWire holds what came.
  virtual bool AnswerRefused() const { return false; }
  // What the last Settle read and threw away (an answer that came late), at most a frame's worth.
  virtual std::span<const std::uint8_t> SettledBytes() const { return {}; }
  // How frames on this channel are laid out when the traffic monitor decodes them: true for
  // MBAP framing on the wire.
  virtual bool FramesWithMBAP() const { return false; }
};

// The bytes a channel's purge or settle threw away, kept for the traffic monitor: the first
// frame's worth of them. The worker's thread only.
class DiscardedBytes {
 public:
  void Clear() { count_ = 0; }
  void Add(const std::uint8_t* data, std::size_t count);
  std::span<const std::uint8_t> View() const { return {bytes_.data(), count_}; }

 private:
  std::array<std::uint8_t, kTrafficFrameBytes> bytes_{};
  std::size_t count_ = 0;
};

// The longest a settle goes on while bytes keep coming (a line full of noise).
inline constexpr std::chrono::milliseconds kSettleLimit{2000};

// A worker's stop flag and its wake-up event. Every wait of a worker is bounded and ends at the
// stop; a worker that found nothing to serve rests until new work wakes it.
class WorkerSignal {
 public:
  void Stop();
  bool Stopped() const { return stop_.load(); }
  // false when stopped before the time was up; a wake-up does not shorten it.
  bool SleepFor(std::chrono::milliseconds duration);
  bool SleepUntil(std::chrono::steady_clock::time_point moment);
  // As SleepUntil, but on time to within microseconds: a timed wake-up comes tens of
  // microseconds late, which would lengthen every exchange that waits for the line's silent
  // interval, so the last stretch is spent watching the clock instead.
  bool SleepPreciselyUntil(std::chrono::steady_clock::time_point moment);

  // New work (a record added): ends the rest in progress, or the next one.
  void Wake();
  // Forgets the wake-ups given so far, at the start of a pass that will see their work.
  void ClearWake();
  // Rests until woken, stopped or the time is up.
  void RestFor(std::chrono::milliseconds duration);

 private:
  std::atomic<bool> stop_{false};
  bool woken_ = false;
  std::mutex mutex_;
  std::condition_variable changed_;
};

// What a pass over the records came to. Only a pass that served nothing lets the worker rest.
enum class PassOutcome {
  Served,
  OnlyBusy,  // every record waits for its owner to clear Busy
  Nothing,   // no records, or the line failed before anything was sent
};

// Owners clear Busy without telling the worker, so records waiting for that are looked at
// again this soon; a worker without records looks at its line this often.
inline constexpr std::chrono::milliseconds kBusyRecheck{1};
inline constexpr std::chrono::milliseconds kIdleRecheck{50};

// Makes the calling worker's short sleeps end on time. A request's 1 ms delay would otherwise
// run late by the default timer slack of 50 us, a twentieth of every exchange of a fast poll.
void SleepPrecisely();

// The rest after a pass: none after serving, bounded otherwise.
void RestAfter(PassOutcome outcome, WorkerSignal& signal);

enum class ServiceOutcome {
  Skipped,  // the record was Busy
  Served,
  SendFailed,     // Busy set, nothing received, OnAnswer not called
  HandlerFailed,  // OnAnswer threw; the exception is swallowed
  Stopped,        // the worker is stopping; the record is left Busy without an answer
};

struct ServiceRules {
  // A failed send ends the service without receiving.
  bool stopOnSendFailure = false;
  // The answer may end as soon as its request's shape says it is complete (see AnswerEnd).
  bool endAtKnownLength = false;
  // Where the frames of the exchange are handed over while someone watches, and the link's name
  // there. The tap outlives the worker.
  TrafficTap* tap = nullptr;
  const char* linkName = "";
};

// One exchange: set Busy, purge, send, wait DelayMs, receive, store AnswerLen, call OnAnswer.
ServiceOutcome ServeRequest(LinkChannel& channel, TLinkRequest& request, WorkerSignal& signal,
                            const ServiceRules& rules);

}  // namespace quillon

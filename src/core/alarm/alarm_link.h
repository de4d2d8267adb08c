#pragma once
// The alarm buffer tool's side of the link: its request records and what their answers leave
// behind. The clock and counter polls stay registered while the tool is attached to a port and
// are sent again only after both were served; the log request walks one page record by record;
// writes come and go with their own records.
//
// The registry work (Attach, StartPageLoad, Send, Detach) runs on the link task queue's thread,
// never the window's. The answer handlers run on the worker's thread and only copy bytes into
// this object (under its mutex) or hand a finished page on; the window reads the copies from
// its timers. The window shares the object with its queued tasks, so the records outlive a
// window that closes while a worker still holds them.
#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "alarm/controller_clock.h"
#include "alarm/counter_block.h"
#include "alarm/log_page.h"
#include "alarm/xram_write.h"
#include "link/attachment.h"
#include "link/link_request.h"

namespace quillon {

class LinkHub;

inline constexpr std::uint32_t kPollDelayMs = 10;
inline constexpr std::uint32_t kLogDelayMs = 200;

// What the polls have brought so far.
struct PollSnapshot {
  bool hasClock = false;
  bool hasCounters = false;
  std::uint8_t calibration = 0;
  ClockFields clock{};
  std::array<std::uint8_t, kCounterBlockLength> counters{};
};

// Good replies since the last look, and whether a reply had the wrong length.
struct ReplyStatus {
  int goodReplies = 0;
  bool failed = false;
};

class AlarmLink {
 public:
  // Called on the worker's thread; they must hand on and return without blocking.
  using LogProgress = std::function<void(std::uint64_t generation, int decoded)>;
  using PageLoaded = std::function<void(std::uint64_t generation, const LogPage& page)>;

  // `hub` outlives the link.
  AlarmLink(LinkHub& hub, LogProgress progress, PageLoaded loaded);
  AlarmLink(const AlarmLink&) = delete;
  AlarmLink& operator=(const AlarmLink&) = delete;

  // Task queue thread. Moves the polls to the endpoint (withdrawing them, the log request and,
  // after they had their moment, the writes from another place first) and takes its line. False
  // when the line cannot be had: then nothing is registered.
  bool Attach(const Endpoint& endpoint);
  // Task queue thread. Starts (or restarts) the load of `page` from its record 0. False when
  // no port is attached.
  bool StartPageLoad(int page, std::uint64_t generation);
  // Task queue thread. Hands a write to the attached port, after every write made before it;
  // false when no port is attached.
  bool Send(XramWrites::Kind kind, std::vector<std::uint8_t> frame);
  // Task queue thread. Withdraws every record; writes on their way are given a moment to end
  // first so that no change loses its commit.
  void Detach();

  // Any thread.
  PollSnapshot Snapshot() const;
  ReplyStatus TakeReplyStatus();
  // When both polls have been served, clears their Busy so the worker sends them again; true
  // then.
  bool RearmPolls();
  // The calibration a clock set sends: the last one read, or the last one stepped to.
  void HoldCalibration(std::uint8_t calibration);

 private:
  void ClockAnswered(TLinkRequest& request);
  void CountersAnswered(TLinkRequest& request);
  void LogAnswered(TLinkRequest& request);
  // Lets the writes on their way end (for a moment at most), then takes the record back.
  void FinishWrites();

  LogProgress progress_;
  PageLoaded loaded_;

  mutable std::mutex mutex_;
  PollSnapshot snapshot_;
  ReplyStatus status_;
  LogPage page_;
  int nextRecord_ = 0;
  std::uint64_t generation_ = 0;

  // The two polls answer into one buffer: the worker serves one record at a time.
  std::array<std::uint8_t, 256> pollAnswer_{};
  std::array<std::uint8_t, kQuBUSReadFrameLength> clockFrame_{};
  std::array<std::uint8_t, kQuBUSReadFrameLength> counterFrame_{};
  std::array<std::uint8_t, kLogReadFrameLength> logFrame_{};
  std::array<std::uint8_t, 256> logAnswer_{};
  TLinkRequest clockRequest_;
  TLinkRequest counterRequest_;
  TLinkRequest logRequest_;

  // Task queue thread only.
  bool pollsRegistered_ = false;
  XramWrites writes_;
  bool writesHeld_ = false;
  // Last, so that it withdraws the records before they go.
  Attachment attachment_;
};

}  // namespace quillon

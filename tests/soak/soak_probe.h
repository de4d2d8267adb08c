#pragma once
// What the fault soak measures on the window's thread: a 10 ms heartbeat keeps the longest
// stretch the thread spent away from its event loop (split into running, waiting for a core
// and blocked, from the thread's scheduler statistics), and notes every scope window's answers
// as they arrive; once a second it reads each window's rate panel. The control thread reads
// the figures through atomics only, so it never needs the window's thread to answer.
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace quillon {
class TLinkWindowFm;
}

namespace quillon::soak {

inline constexpr std::size_t kMaxWindows = 8;

// One window's figures; times are milliseconds on the probe's clock.
struct WindowFigures {
  std::atomic<std::uint64_t> answers{0};
  std::atomic<std::int64_t> lastAnswerMs{-1};
  // Longest stretch without an answer since the control thread last reset it.
  std::atomic<std::int64_t> longestSilenceMs{0};
  std::atomic<std::uint32_t> numericSeconds{0};
  std::atomic<std::uint32_t> crcSeconds{0};
  std::atomic<std::uint32_t> dnrSeconds{0};
  std::atomic<std::uint32_t> otherSeconds{0};
  // A second whose panel showed a rate of 0, or that had no answer at all.
  std::atomic<std::uint32_t> silentSeconds{0};
};

// The longest stall since the last reset and how the thread spent it. A stall's own part is
// what is left once the time spent waiting for a core is taken off: on a machine busy with
// other work that wait is the machine's, not the program's.
struct StallFigures {
  std::atomic<std::int64_t> gapMs{0};
  std::atomic<std::int64_t> ownMs{0};
  std::atomic<std::int64_t> runMs{0};
  std::atomic<std::int64_t> queuedMs{0};
  std::atomic<std::int64_t> atMs{0};
};

class SoakProbe {
 public:
  // Starts on the calling (window's) thread.
  SoakProbe();
  ~SoakProbe();
  SoakProbe(const SoakProbe&) = delete;
  SoakProbe& operator=(const SoakProbe&) = delete;

  // On the window's thread; at most kMaxWindows.
  void Watch(TLinkWindowFm* window);
  std::size_t WindowCount() const { return watchedCount_.load(); }

  // From any thread.
  std::int64_t NowMs() const;
  std::int64_t LastBeatMs() const { return lastBeatMs_.load(); }
  WindowFigures& Window(std::size_t index) { return figures_[index]; }
  // The phase's longest stall, and its stall with the longest own part.
  StallFigures& Stall() { return phaseStall_; }
  StallFigures& OwnStall() { return phaseOwnStall_; }
  // Starts a new phase: the phase's longest stalls and every window's longest silence.
  void ResetPhase();
  // How many windows have had an answer after `sinceMs`.
  std::size_t WindowsAnsweredSince(std::int64_t sinceMs) const;
  std::uint64_t Beats() const { return beats_.load(); }

 private:
  void Beat();
  void EverySecond();
  static void Note(StallFigures& stall, bool byOwnPart, std::int64_t gap, std::int64_t run, std::int64_t queued,
                   std::int64_t at);

  // The window's thread's scheduler statistics (opened on that thread).
  int schedStat_ = -1;
  QElapsedTimer clock_;
  QTimer heartbeat_;
  QTimer second_;
  std::int64_t previousBeatMs_ = 0;
  std::int64_t previousRunNs_ = 0;
  std::int64_t previousQueuedNs_ = 0;
  std::vector<QPointer<TLinkWindowFm>> windows_;
  std::vector<int> heads_;
  std::vector<std::uint64_t> answersAtSecond_;
  std::array<WindowFigures, kMaxWindows> figures_;
  std::atomic<std::size_t> watchedCount_{0};
  StallFigures phaseStall_;
  StallFigures phaseOwnStall_;
  std::atomic<std::int64_t> lastBeatMs_{0};
  std::atomic<std::uint64_t> beats_{0};
};

}  // namespace quillon::soak

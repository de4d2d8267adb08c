#include "soak_probe.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "app/scope/link_window.h"
#include "variables/view.h"
#include "variables/view_list.h"

namespace quillon::soak {

namespace {

// Nanoseconds this thread has run and has waited for a core, from its scheduler statistics;
// what is left of a stall beyond both the thread spent blocked.
bool ReadSchedStat(int fd, std::int64_t& runNs, std::int64_t& queuedNs) {
  if (fd < 0) return false;
  char text[128];
  const ssize_t length = ::pread(fd, text, sizeof text - 1, 0);
  if (length <= 0) return false;
  text[length] = '\0';
  long long run = 0;
  long long queued = 0;
  if (std::sscanf(text, "%lld %lld", &run, &queued) != 2) return false;
  runNs = run;
  queuedNs = queued;
  return true;
}

void StoreMax(std::atomic<std::int64_t>& target, std::int64_t value) {
  std::int64_t seen = target.load();
  while (value > seen && !target.compare_exchange_weak(seen, value)) {
  }
}

}  // namespace

SoakProbe::SoakProbe() : schedStat_(::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC)) {
  clock_.start();
  ReadSchedStat(schedStat_, previousRunNs_, previousQueuedNs_);
  heartbeat_.setTimerType(Qt::PreciseTimer);
  heartbeat_.setInterval(10);
  QObject::connect(&heartbeat_, &QTimer::timeout, [this] { Beat(); });
  heartbeat_.start();
  second_.setTimerType(Qt::PreciseTimer);
  second_.setInterval(1000);
  QObject::connect(&second_, &QTimer::timeout, [this] { EverySecond(); });
  second_.start();
}

SoakProbe::~SoakProbe() {
  if (schedStat_ >= 0) ::close(schedStat_);
}

std::int64_t SoakProbe::NowMs() const { return clock_.elapsed(); }

void SoakProbe::Watch(TLinkWindowFm* window) {
  if (windows_.size() >= kMaxWindows) return;
  windows_.emplace_back(window);
  heads_.push_back(window->List().Variables.empty() ? 0 : static_cast<int>(window->List().Item(0).History.Head()));
  answersAtSecond_.push_back(0);
  watchedCount_.store(windows_.size());
}

void SoakProbe::Note(StallFigures& stall, bool byOwnPart, std::int64_t gap, std::int64_t run, std::int64_t queued,
                     std::int64_t at) {
  const std::int64_t own = std::max<std::int64_t>(0, gap - queued);
  if (byOwnPart ? own <= stall.ownMs.load() : gap <= stall.gapMs.load()) return;
  stall.gapMs.store(gap);
  stall.ownMs.store(own);
  stall.runMs.store(run);
  stall.queuedMs.store(queued);
  stall.atMs.store(at);
}

void SoakProbe::Beat() {
  const std::int64_t now = NowMs();
  std::int64_t runNs = previousRunNs_;
  std::int64_t queuedNs = previousQueuedNs_;
  ReadSchedStat(schedStat_, runNs, queuedNs);
  const std::int64_t gap = now - previousBeatMs_;
  const std::int64_t runMs = (runNs - previousRunNs_) / 1000000;
  const std::int64_t queuedMs = (queuedNs - previousQueuedNs_) / 1000000;
  previousBeatMs_ = now;
  previousRunNs_ = runNs;
  previousQueuedNs_ = queuedNs;
  Note(phaseStall_, false, gap, runMs, queuedMs, now);
  Note(phaseOwnStall_, true, gap, runMs, queuedMs, now);
  lastBeatMs_.store(now);
  beats_.fetch_add(1);

  for (std::size_t i = 0; i < windows_.size(); ++i) {
    TLinkWindowFm* window = windows_[i];
    if (window == nullptr || window->List().Variables.empty()) continue;
    const int head = window->List().Item(0).History.Head();
    const int fresh = (head - heads_[i] + kHistoryLength) % kHistoryLength;
    heads_[i] = head;
    if (fresh == 0) continue;
    WindowFigures& figures = figures_[i];
    const std::int64_t last = figures.lastAnswerMs.load();
    // The silence ended somewhere within the last beat; its start is the previous answer seen.
    if (last >= 0) StoreMax(figures.longestSilenceMs, now - last);
    figures.answers.fetch_add(static_cast<std::uint64_t>(fresh));
    figures.lastAnswerMs.store(now);
  }
}

void SoakProbe::EverySecond() {
  for (std::size_t i = 0; i < windows_.size(); ++i) {
    TLinkWindowFm* window = windows_[i];
    if (window == nullptr) continue;
    WindowFigures& figures = figures_[i];
    const std::uint64_t answers = figures.answers.load();
    const bool silent = answers == answersAtSecond_[i];
    answersAtSecond_[i] = answers;
    const QString text = window->StatusText(StatusPanel::Rate);
    bool numeric = false;
    const int rate = text.toInt(&numeric);
    if (numeric) {
      figures.numericSeconds.fetch_add(1);
    } else if (text == QStringLiteral("CRC!")) {
      figures.crcSeconds.fetch_add(1);
    } else if (text == QStringLiteral("DNR!")) {
      figures.dnrSeconds.fetch_add(1);
    } else {
      figures.otherSeconds.fetch_add(1);
    }
    if (silent || (numeric && rate == 0)) figures.silentSeconds.fetch_add(1);
  }
}

void SoakProbe::ResetPhase() {
  for (StallFigures* stall : {&phaseStall_, &phaseOwnStall_}) {
    stall->gapMs.store(0);
    stall->ownMs.store(0);
    stall->runMs.store(0);
    stall->queuedMs.store(0);
    stall->atMs.store(0);
  }
  for (WindowFigures& figures : figures_) figures.longestSilenceMs.store(0);
}

std::size_t SoakProbe::WindowsAnsweredSince(std::int64_t sinceMs) const {
  std::size_t answered = 0;
  for (std::size_t i = 0; i < watchedCount_.load(); ++i) {
    if (figures_[i].lastAnswerMs.load() > sinceMs) ++answered;
  }
  return answered;
}

}  // namespace quillon::soak

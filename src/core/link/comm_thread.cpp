#include "link/comm_thread.h"

#include <algorithm>
#include <vector>

#include "link/line_timing.h"

namespace quillon {

std::string PortSettingsWarning(bool configured, unsigned oldBaud, unsigned oldFrameEndMs, unsigned newBaud,
                                unsigned newFrameEndMs) {
  if (!configured) return {};
  std::vector<std::string> blocks;
  if (newFrameEndMs > oldFrameEndMs)
    blocks.push_back("Длинный интервал ожидания конца фрейма приводит\nк снижению частоты обмена с устройством!");
  else if (newFrameEndMs < oldFrameEndMs)
    blocks.push_back(
        "Уменьшение интервала ожидания конца фрейма, может привести\nк сбою протокола при приёме больших пакетов!");
  if (newBaud != oldBaud)
    blocks.push_back(
        "Изменение скорости порта повлечёт сбой протокола в других окнах\n"
        "использующих этот порт, данные получаемые ими будут некорректны!");
  if (blocks.empty()) return {};
  std::string text;
  for (const std::string& block : blocks) text += block + "\n\n";
  return text + "Изменить настройку порта?";
}

TComm::TComm(std::string name, std::unique_ptr<SerialLine> line, const SerialTimings& timings, LineOpener reopen)
    : name_(std::move(name)), reopen_(std::move(reopen)), line_(std::move(line)), timings_(timings) {
  thread_ = std::thread([this] { Run(); });
}

void TComm::Stop() {
  signal_.Stop();
  std::lock_guard lock(lineGuard_);
  if (line_) line_->Interrupt();
}

TComm::~TComm() {
  Stop();
  {
    std::lock_guard lock(lineGuard_);
    if (line_) line_->Purge();
  }
  if (thread_.joinable()) thread_.join();
}

bool TComm::LineUp() const {
  std::lock_guard lock(lineGuard_);
  return line_ != nullptr && !line_->Lost();
}

void TComm::AddRequest(TLinkRequest* request) {
  WorkerLock lock(mutex_, kPortLockTimeout);
  if (!lock.OwnsLock()) return;
  requestCount_ = static_cast<int>(requests_.Add(request));
  signal_.Wake();
}

void TComm::RemoveRequest(TLinkRequest* request) {
  WorkerLock lock(mutex_, kPortLockTimeout);
  requestCount_ = static_cast<int>(requests_.Remove(request));
}

std::string TComm::SettingsWarning(unsigned baud, unsigned frameEndMs) const {
  return PortSettingsWarning(configured_.load(), baud_.load(), frameEndMs_.load(), baud, frameEndMs);
}

bool TComm::ConfigurePort(unsigned baud, unsigned frameEndMs) {
  // The worker ends its opening pauses early when stopped, so this wait is bounded too.
  opened_.wait();
  WorkerLock lock(mutex_, kPortLockTimeout);
  bool wasConfigured = false;
  bool accepted = true;
  {
    // Under the guard, so a line the worker opens again meanwhile gets these settings.
    std::lock_guard guard(lineGuard_);
    wasConfigured = configured_.exchange(true);
    baud_ = baud;
    frameEndMs_ = frameEndMs;
    if (line_) {
      line_->Purge();
      accepted = line_->Configure(baud, frameEndMs);
    }
  }
  std::this_thread::sleep_for(wasConfigured ? timings_.laterConfigurePause : timings_.firstConfigurePause);
  std::this_thread::sleep_for(timings_.settingsPause);
  return accepted;
}

void TComm::TakeOpeningPauses() {
  if (signal_.SleepFor(timings_.openingPause)) {
    if (line_) line_->Purge();
    signal_.SleepFor(timings_.openingPause);
  }
  opened_.count_down();
}

void TComm::KeepSilentInterval(const SerialLine& line, const TLinkRequest& request) {
  if (!silentInterval_.load() || request.RequestBuf == nullptr) return;
  if (!AnswerEnd::ForRequest(request.RequestBuf, request.RequestLen).IsMODBUS()) return;
  signal_.SleepPreciselyUntil(line.QuietSince() + MODBUSSilentInterval(baud_.load()));
}

PassOutcome TComm::ServeNext(SerialLine& line) {
  // A line that hung up while nothing was asked is opened again before it serves anyone.
  if (line.Lost()) return PassOutcome::Nothing;
  TLinkRequest* request = requests_.FetchDue();
  if (request == nullptr) return requests_.Count() > 0 ? PassOutcome::OnlyBusy : PassOutcome::Nothing;
  KeepSilentInterval(line, *request);
  const ServiceRules rules{.stopOnSendFailure = false,
                           .endAtKnownLength = fastFrameEnd_.load(),
                           .tap = tap_.load(),
                           .linkName = name_.c_str()};
  // A write that fails still ends in a read, which then gives AnswerLen 0 and lets the owner
  // report the missing answer.
  const ServiceOutcome service =
      signal_.Stopped() ? ServiceOutcome::Stopped : ServeRequest(line, *request, signal_, rules);
  const bool serviceDone = service == ServiceOutcome::Served || service == ServiceOutcome::HandlerFailed;
  requests_.Release(request, serviceDone && request->OneShot.load());
  return PassOutcome::Served;
}

void TComm::AnswerWithoutLine() {
  for (std::size_t index = requests_.Count(); index-- > 0 && !signal_.Stopped();) {
    TLinkRequest* request = requests_.Fetch(index);
    if (request == nullptr) break;
    if (request->Busy.load()) {
      requests_.Release(request, false);
      continue;
    }
    request->Busy = true;
    request->AnswerLen = 0;
    bool handlerFailed = false;
    if (request->OnAnswer) {
      try {
        request->OnAnswer(*request);
      } catch (...) {
        handlerFailed = true;
      }
    }
    const bool drop = request->OneShot.load();
    requests_.Release(request, drop);
    if (handlerFailed || drop) break;
  }
}

void TComm::DropLostLine() {
  std::unique_ptr<SerialLine> lost;
  {
    std::lock_guard lock(lineGuard_);
    lost = std::move(line_);
  }
  lost.reset();  // closes the dead descriptor, outside the guard
}

void TComm::TryReopen() {
  const auto now = std::chrono::steady_clock::now();
  if (now < nextReopen_) return;
  nextReopen_ = now + kReopenInterval;
  std::unique_ptr<SerialLine> line = reopen_ ? reopen_() : nullptr;
  if (!line) return;
  {
    std::lock_guard lock(lineGuard_);
    if (configured_.load()) line->Configure(baud_.load(), frameEndMs_.load());
    line_ = std::move(line);
    if (signal_.Stopped()) line_->Interrupt();
  }
  signal_.SleepFor(timings_.settingsPause);
}

void TComm::Run() {
  requests_.SetWorkerThread(std::this_thread::get_id());
  SleepPrecisely();
  TakeOpeningPauses();
  while (!signal_.Stopped()) {
    if (line_ && line_->Lost()) DropLostLine();
    if (!line_) TryReopen();
    if (line_) {
      signal_.ClearWake();
      const PassOutcome outcome = ServeNext(*line_);
      if (!line_->Lost()) RestAfter(outcome, signal_);
      continue;
    }
    // No wake-up shortens this rest: records added meanwhile are answered at the next attempt,
    // and a polling owner would otherwise be answered with nothing in a loop.
    AnswerWithoutLine();
    const auto left = nextReopen_ - std::chrono::steady_clock::now();
    signal_.SleepFor(
        std::max(std::chrono::milliseconds(1), std::chrono::duration_cast<std::chrono::milliseconds>(left)));
  }
}

}  // namespace quillon

#include "link/comm_thread.h"

#include <algorithm>
#include <vector>

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
  stop_.Set();
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
  if (stop_.SleepFor(timings_.openingPause)) {
    if (line_) line_->Purge();
    stop_.SleepFor(timings_.openingPause);
  }
  opened_.count_down();
}

void TComm::ServePass(SerialLine& line) {
  for (std::size_t index = requests_.Count(); index-- > 0 && !stop_.IsSet();) {
    // A line that hung up while nothing was asked is opened again before it serves anyone.
    if (line.Lost()) break;
    TLinkRequest* request = requests_.Fetch(index);
    if (request == nullptr) break;  // the list became shorter under us: start a new pass
    // A write that fails still ends in a read, which then gives AnswerLen 0 and lets the owner
    // report the missing answer.
    const ServiceOutcome outcome = ServeRequest(line, *request, stop_, false);
    const bool serviceDone = outcome == ServiceOutcome::Served || outcome == ServiceOutcome::HandlerFailed;
    const bool drop = serviceDone && request->OneShot.load();
    requests_.Release(request, drop);
    if (outcome == ServiceOutcome::Stopped || outcome == ServiceOutcome::HandlerFailed || drop) break;
    std::this_thread::yield();
  }
}

void TComm::AnswerWithoutLine() {
  for (std::size_t index = requests_.Count(); index-- > 0 && !stop_.IsSet();) {
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
    if (stop_.IsSet()) line_->Interrupt();
  }
  stop_.SleepFor(timings_.settingsPause);
}

void TComm::Run() {
  requests_.SetWorkerThread(std::this_thread::get_id());
  TakeOpeningPauses();
  while (!stop_.IsSet()) {
    if (line_ && line_->Lost()) DropLostLine();
    if (!line_) TryReopen();
    if (line_) {
      ServePass(*line_);
      stop_.SleepFor(std::chrono::milliseconds(1));
      continue;
    }
    AnswerWithoutLine();
    const auto left = nextReopen_ - std::chrono::steady_clock::now();
    stop_.SleepFor(std::max(std::chrono::milliseconds(1), std::chrono::duration_cast<std::chrono::milliseconds>(left)));
  }
}

}  // namespace quillon

#include "link/comm_thread.h"

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

TComm::TComm(std::string name, std::unique_ptr<SerialLine> line, const SerialTimings& timings)
    : name_(std::move(name)), line_(std::move(line)), timings_(timings) {
  std::this_thread::sleep_for(timings_.openingPause);
  line_->Purge();
  std::this_thread::sleep_for(timings_.openingPause);
  thread_ = std::thread([this] { Run(); });
}

void TComm::Stop() {
  stop_.Set();
  line_->Interrupt();
}

TComm::~TComm() {
  Stop();
  line_->Purge();
  if (thread_.joinable()) thread_.join();
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
  WorkerLock lock(mutex_, kPortLockTimeout);
  line_->Purge();
  const bool wasConfigured = configured_.load();
  const bool accepted = line_->Configure(baud, frameEndMs);
  std::this_thread::sleep_for(wasConfigured ? timings_.laterConfigurePause : timings_.firstConfigurePause);
  std::this_thread::sleep_for(timings_.settingsPause);
  baud_ = baud;
  frameEndMs_ = frameEndMs;
  configured_ = true;
  return accepted;
}

void TComm::Run() {
  requests_.SetWorkerThread(std::this_thread::get_id());
  while (!stop_.IsSet()) {
    for (std::size_t index = requests_.Count(); index-- > 0 && !stop_.IsSet();) {
      TLinkRequest* request = requests_.Fetch(index);
      if (request == nullptr) break;  // the list became shorter under us: start a new pass
      // A write that fails (an adapter pulled out) still ends in a read, which then gives
      // AnswerLen 0 and lets the owner report the missing answer.
      const ServiceOutcome outcome = ServeRequest(*line_, *request, stop_, false);
      const bool serviceDone = outcome == ServiceOutcome::Served || outcome == ServiceOutcome::HandlerFailed;
      const bool drop = serviceDone && request->OneShot.load();
      requests_.Release(request, drop);
      if (outcome == ServiceOutcome::Stopped || outcome == ServiceOutcome::HandlerFailed || drop) break;
      std::this_thread::yield();
    }
    stop_.SleepFor(std::chrono::milliseconds(1));
  }
}

}  // namespace quillon

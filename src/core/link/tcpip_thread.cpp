#include "link/tcpip_thread.h"

namespace quillon {

TTCPIPThread::TTCPIPThread(std::uint32_t ip, std::uint16_t port)
    : ip_(ip), port_(port), connection_(TcpConnection::Create(ip, port)) {
  if (!connection_) return;
  requestCount_ = 1;
  connection_->BindLocal();
  if (connection_->Connect()) {
    std::this_thread::sleep_for(kAfterConnectPause);
    StartThread();
  }
}

void TTCPIPThread::Stop() {
  signal_.Stop();
  if (connection_) connection_->Interrupt();
}

TTCPIPThread::~TTCPIPThread() {
  Stop();
  if (thread_.joinable()) thread_.join();
}

void TTCPIPThread::StartThread() {
  if (!thread_.joinable() && !signal_.Stopped()) thread_ = std::thread([this] { Run(); });
}

bool TTCPIPThread::Probe() { return connection_ && connection_->Alive(); }

void TTCPIPThread::AddRequest(TLinkRequest* request) {
  WorkerLock lock(mutex_, kTCPLockTimeout);
  if (!lock.OwnsLock() || !connection_) return;
  if (connection_->Alive()) {
    requestCount_ = static_cast<int>(requests_.Add(request));
    signal_.Wake();
  } else {
    connection_->Close();
  }
}

void TTCPIPThread::RemoveRequest(TLinkRequest* request) {
  WorkerLock lock(mutex_, kTCPLockTimeout);
  requestCount_ = static_cast<int>(requests_.Remove(request));
}

void TTCPIPThread::Reconnect() {
  WorkerLock lock(mutex_, kTCPLockTimeout);
  if (!lock.OwnsLock() || !connection_) return;
  if (connection_->Alive()) {
    std::this_thread::sleep_for(kAfterConnectPause);
    return;
  }
  connection_->Close();
  if (connection_->Connect()) StartThread();
}

bool TTCPIPThread::LockForPass() {
  // The pass waits up to 3000 ms for owners holding the lock, in slices so a stop is seen.
  const auto deadline = std::chrono::steady_clock::now() + kTCPPassLockTimeout;
  while (!signal_.Stopped()) {
    if (mutex_.LockAfterOthers(std::chrono::milliseconds(50))) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
  }
  return false;
}

PassOutcome TTCPIPThread::ServePass() {
  PassOutcome outcome = PassOutcome::Nothing;
  const ServiceRules rules{true, false};
  for (std::size_t index = requests_.Count(); index-- > 0 && !signal_.Stopped();) {
    TLinkRequest* request = requests_.Fetch(index);
    if (request == nullptr) break;
    const ServiceOutcome service = ServeRequest(*connection_, *request, signal_, rules);
    const bool serviceDone = service == ServiceOutcome::Served || service == ServiceOutcome::HandlerFailed;
    const bool drop = serviceDone && request->OneShot.load();
    requests_.Release(request, drop);
    // A failed send served no one: a dead connection must not keep the worker from resting.
    if (serviceDone) outcome = PassOutcome::Served;
    if (service == ServiceOutcome::Skipped && outcome == PassOutcome::Nothing) outcome = PassOutcome::OnlyBusy;
    if (service != ServiceOutcome::Served && service != ServiceOutcome::Skipped) break;
    if (drop) break;
  }
  return outcome;
}

void TTCPIPThread::Run() {
  requests_.SetWorkerThread(std::this_thread::get_id());
  SleepPrecisely();
  while (!signal_.Stopped()) {
    PassOutcome outcome = PassOutcome::Nothing;
    signal_.ClearWake();
    if (LockForPass()) {
      outcome = ServePass();
      mutex_.Unlock();
    }
    RestAfter(outcome, signal_);
  }
}

}  // namespace quillon

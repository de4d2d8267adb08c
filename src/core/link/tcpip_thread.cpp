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
  stop_.Set();
  if (connection_) connection_->Interrupt();
}

TTCPIPThread::~TTCPIPThread() {
  Stop();
  if (thread_.joinable()) thread_.join();
}

void TTCPIPThread::StartThread() {
  if (!thread_.joinable() && !stop_.IsSet()) thread_ = std::thread([this] { Run(); });
}

bool TTCPIPThread::Probe() { return connection_ && connection_->Alive(); }

void TTCPIPThread::AddRequest(TLinkRequest* request) {
  WorkerLock lock(mutex_, kTCPLockTimeout);
  if (!lock.OwnsLock() || !connection_) return;
  if (connection_->Alive())
    requestCount_ = static_cast<int>(requests_.Add(request));
  else
    connection_->Close();
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
  while (!stop_.IsSet()) {
    if (mutex_.LockFor(std::chrono::milliseconds(50))) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
  }
  return false;
}

void TTCPIPThread::ServePass() {
  for (std::size_t index = requests_.Count(); index-- > 0 && !stop_.IsSet();) {
    TLinkRequest* request = requests_.Fetch(index);
    if (request == nullptr) break;
    const ServiceOutcome outcome = ServeRequest(*connection_, *request, stop_, true);
    const bool serviceDone = outcome == ServiceOutcome::Served || outcome == ServiceOutcome::HandlerFailed;
    const bool drop = serviceDone && request->OneShot.load();
    requests_.Release(request, drop);
    if (outcome != ServiceOutcome::Served && outcome != ServiceOutcome::Skipped) break;
    if (drop) break;
    std::this_thread::yield();
  }
}

void TTCPIPThread::Run() {
  requests_.SetWorkerThread(std::this_thread::get_id());
  while (!stop_.IsSet()) {
    if (LockForPass()) {
      ServePass();
      mutex_.Unlock();
    }
    stop_.SleepFor(std::chrono::milliseconds(1));
  }
}

}  // namespace quillon

#include "link/tcpip_thread.h"

#include "link/mbap_connection.h"

namespace quillon {

namespace {

std::unique_ptr<TcpConnection> ConnectionFor(const TcpPeer& peer) {
  if (peer.mbap) return MbapConnection::Create(peer.ip, peer.port);
  return TcpConnection::Create(peer.ip, peer.port);
}

}  // namespace

TTCPIPThread::TTCPIPThread(TcpPeer peer) : peer_(peer), connection_(ConnectionFor(peer)) {
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
  if (linkName_.empty()) linkName_ = TcpPeerName(peer_.ip, peer_.port) + (peer_.mbap ? " MBAP" : "");
  const ServiceRules rules{
      .stopOnSendFailure = true, .endAtKnownLength = false, .tap = tap_.load(), .linkName = linkName_.c_str()};
  // One round: as many services as there are records, each to the record whose turn it is
  // (see RequestList::FetchDue), then the owners waiting for the lock get it.
  for (std::size_t round = requests_.Count(); round-- > 0 && !signal_.Stopped();) {
    TLinkRequest* request = requests_.FetchDue();
    if (request == nullptr) {
      if (outcome == PassOutcome::Nothing && requests_.Count() > 0) outcome = PassOutcome::OnlyBusy;
      break;
    }
    const ServiceOutcome service = ServeRequest(*connection_, *request, signal_, rules);
    // Answered with nothing rather than left busy: a busy record is never served again, so its
    // owner would stay silent after the peer is back.
    const bool sendFailed = service == ServiceOutcome::SendFailed;
    if (sendFailed) AnswerWithNothing(*request);
    const bool serviceDone = service == ServiceOutcome::Served || service == ServiceOutcome::HandlerFailed;
    const bool drop = (serviceDone || sendFailed) && request->OneShot.load();
    requests_.Release(request, drop);
    // A failed send served no one: a dead connection must not keep the worker from resting.
    if (serviceDone) outcome = PassOutcome::Served;
    if (service != ServiceOutcome::Served) break;
  }
  return outcome;
}

// A peer that went away (restarted, reset, cable pulled) is connected again here, a few times a
// second at most, so the records registered with this worker are served again once it is back.
// Meanwhile every record is answered with nothing once per attempt, so its owner reports the
// silent device, as the serial worker does for a lost port.
bool TTCPIPThread::ReconnectLost() {
  if (std::chrono::steady_clock::now() < nextReconnect_) return false;
  connection_->Close();
  const bool connected = connection_->Connect();
  // Counted from the attempt's end: a connect to a vanished remote address takes its full 2 s,
  // and the owners must get the mutex between two attempts.
  nextReconnect_ = std::chrono::steady_clock::now() + kTCPReconnectInterval;
  if (connected) return true;
  for (std::size_t index = requests_.Count(); index-- > 0 && !signal_.Stopped();) {
    TLinkRequest* request = requests_.Fetch(index);
    if (request == nullptr) break;
    const bool idle = !request->Busy.load();
    if (idle) {
      request->Busy = true;
      AnswerWithNothing(*request);
    }
    requests_.Release(request, idle && request->OneShot.load());
  }
  return false;
}

void TTCPIPThread::AnswerWithNothing(TLinkRequest& request) {
  request.AnswerLen = 0;
  if (!request.OnAnswer) return;
  try {
    request.OnAnswer(request);
  } catch (...) {
    // The owner's trouble: the worker goes on serving the others.
  }
}

void TTCPIPThread::Run() {
  requests_.SetWorkerThread(std::this_thread::get_id());
  SleepPrecisely();
  while (!signal_.Stopped()) {
    PassOutcome outcome = PassOutcome::Nothing;
    signal_.ClearWake();
    if (LockForPass()) {
      if (connection_->Connected() || ReconnectLost()) outcome = ServePass();
      mutex_.Unlock();
    }
    RestAfter(outcome, signal_);
  }
}

}  // namespace quillon

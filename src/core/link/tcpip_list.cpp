#include "link/tcpip_list.h"

#include <atomic>
#include <stdexcept>

namespace quillon {

TTCPIPList::~TTCPIPList() {
  std::vector<std::unique_ptr<TTCPIPThread>> workers;
  {
    std::lock_guard lock(guard_);
    workers.swap(workers_);
  }
  for (const auto& worker : workers) worker->Stop();
  workers.clear();
}

TTCPIPThread* TTCPIPList::Registered(TcpPeer peer) {
  std::lock_guard lock(guard_);
  for (auto it = workers_.rbegin(); it != workers_.rend(); ++it)
    if ((*it)->Peer() == peer) return it->get();
  return nullptr;
}

TTCPIPThread* TTCPIPList::FindWorker(TcpPeer peer) {
  TTCPIPThread* worker = Registered(peer);
  if (worker == nullptr || worker->Probe()) return worker;
  std::unique_ptr<TTCPIPThread> dead;
  {
    std::lock_guard lock(guard_);
    for (auto it = workers_.begin(); it != workers_.end(); ++it) {
      if (it->get() != worker) continue;
      dead = std::move(*it);
      workers_.erase(it);
      break;
    }
  }
  return nullptr;  // `dead` stops its thread and closes its socket here
}

int TTCPIPList::OpenWorker(TcpPeer peer) {
  if (FindWorker(peer) != nullptr) return 1;
  auto worker = std::make_unique<TTCPIPThread>(peer);
  if (!worker->SocketMade()) return -1;
  std::lock_guard lock(guard_);
  worker->SetTrafficTap(tap_);
  workers_.push_back(std::move(worker));
  return 0;
}

void TTCPIPList::Lock(TcpPeer peer) {
  if (TTCPIPThread* worker = Registered(peer)) worker->Lock();
}

void TTCPIPList::Unlock(TcpPeer peer) {
  if (TTCPIPThread* worker = Registered(peer)) worker->Unlock();
}

void TTCPIPList::AddRequest(TcpPeer peer, TLinkRequest* request) {
  if (TTCPIPThread* worker = Registered(peer)) worker->AddRequest(request);
}

void TTCPIPList::RemoveRequest(TcpPeer peer, TLinkRequest* request) {
  if (TTCPIPThread* worker = Registered(peer)) worker->RemoveRequest(request);
}

void TTCPIPList::Reconnect(TcpPeer peer) {
  if (TTCPIPThread* worker = Registered(peer)) worker->Reconnect();
}

void TTCPIPList::SetTrafficTap(TrafficTap* tap) {
  std::lock_guard lock(guard_);
  tap_ = tap;
  for (const auto& worker : workers_) worker->SetTrafficTap(tap);
}

std::size_t TTCPIPList::Count() const {
  std::lock_guard lock(guard_);
  return workers_.size();
}

}  // namespace quillon

#include "link/attachment.h"

#include <algorithm>

#include "link/link_hub.h"
#include "link/port_names.h"
#include "link/request_drop.h"

namespace quillon {

Attachment::~Attachment() { Leave(); }

std::optional<LinkError> Attachment::Open(const Endpoint& endpoint) {
  if (place_ && !place_->SamePlace(endpoint)) Leave();
  place_ = endpoint;
  if (endpoint.Tcp()) {
    TTCPIPList& workers = hub_.Tcp();
    if (endpoint.peer.ip == kNoIPv4Address) {
      Leave();
      return LinkError{LinkErrorKind::Unreachable, endpoint.ip, 0};
    }
    if (workers.OpenWorker(endpoint.peer) < 0) {
      Leave();
      return LinkError{LinkErrorKind::PortUnavailable, endpoint.ip, 0};
    }
    // A worker that could not connect would never serve a record: its owner would wait for ever.
    TTCPIPThread* worker = workers.FindWorker(endpoint.peer);
    if (worker == nullptr || !worker->Connected()) {
      Leave();
      return LinkError{LinkErrorKind::Unreachable, endpoint.ip, 0};
    }
    return std::nullopt;
  }
  if (!hub_.Serial().OpenLine(endpoint.port, endpoint.baud, endpoint.frameEndMs, hub_.TimingsFor(endpoint.port))) {
    Leave();
    const bool denied = PortAccessDenied(endpoint.port, hub_.ProgramDirectory());
    return LinkError{denied ? LinkErrorKind::PortDenied : LinkErrorKind::PortUnavailable, endpoint.port, 0};
  }
  return std::nullopt;
}

void Attachment::Add(TLinkRequest& request, const std::function<void()>& prepare) {
  if (!place_) return;
  if (place_->Tcp()) {
    TTCPIPList& workers = hub_.Tcp();
    workers.Lock(place_->peer);
    if (prepare) prepare();
    workers.AddRequest(place_->peer, &request);
    workers.Unlock(place_->peer);
  } else {
    TCommList& ports = hub_.Serial();
    ports.LockPort(place_->port);
    if (prepare) prepare();
    ports.AddRequest(place_->port, &request);
    ports.UnlockPort(place_->port);
  }
  if (std::find(held_.begin(), held_.end(), &request) == held_.end()) held_.push_back(&request);
}

void Attachment::Withdraw(TLinkRequest& request) {
  held_.erase(std::remove(held_.begin(), held_.end(), &request), held_.end());
  if (!place_) return;
  if (place_->Tcp()) {
    hub_.Tcp().RemoveRequest(place_->peer, &request);
  } else {
    hub_.Serial().RemoveRequest(place_->port, &request);
  }
}

void Attachment::WithdrawAll() {
  const std::vector<TLinkRequest*> held = held_;
  for (TLinkRequest* request : held) Withdraw(*request);
}

void Attachment::Leave() {
  WithdrawAll();
  place_.reset();
}

bool Attachment::WorkerHolds(const TLinkRequest& request) {
  if (!place_) return false;
  if (place_->Tcp()) {
    const TTCPIPThread* worker = hub_.Tcp().FindWorker(place_->peer);
    return worker != nullptr && worker->HasRequest(&request);
  }
  const TComm* worker = hub_.Serial().FindPortWorker(place_->port);
  return worker != nullptr && worker->HasRequest(&request);
}

void Attachment::WaitUntilDropped(const TLinkRequest& request, std::chrono::milliseconds limit) {
  if (!place_) return;
  if (place_->Tcp()) {
    quillon::WaitUntilDropped(hub_.Tcp().FindWorker(place_->peer), &request, limit);
  } else {
    quillon::WaitUntilDropped(hub_.Serial().FindPortWorker(place_->port), &request, limit);
  }
}

}  // namespace quillon

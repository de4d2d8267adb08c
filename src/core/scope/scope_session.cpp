#include "scope/scope_session.h"

#include <utility>

#include "link/buses.h"
#include "link/comm_list.h"
#include "link/link_hub.h"
#include "link/tcp_connection.h"
#include "link/tcpip_list.h"
#include "text/numbers.h"

namespace quillon {

ScopeSession::ScopeSession(LinkHub& hub) : image(kImageSize, 0), poll(list, image), hub_(hub) {
  poll.AfterSample = [this] {
    if (trace && trace->IsOpen()) {
      if (const TraceResult written = trace->Append(ScopeTraceLine(list)); !written) {
        std::lock_guard lock(traceFailureGuard_);
        traceFailure_ = written.message;
      }
    }
    fresh.store(true, std::memory_order_release);
  };
}

ScopeSession::~ScopeSession() {
  try {
    Withdraw(true);
  } catch (...) {
    // No registry any more: the workers went with it, and the records with them.
  }
}

std::string ScopeSession::TakeTraceFailure() {
  std::lock_guard lock(traceFailureGuard_);
  return std::exchange(traceFailure_, std::string());
}

void ScopeSession::Withdraw(bool write) {
  if (!port_.empty()) {
    hub_.Serial().RemoveRequest(port_, &poll.PollRecord());
    if (write) hub_.Serial().RemoveRequest(port_, &poll.WriteRecord());
  }
  if (ipUsed_) {
    hub_.Tcp().RemoveRequest(ip_, &poll.PollRecord());
    if (write) hub_.Tcp().RemoveRequest(ip_, &poll.WriteRecord());
  }
  if (write) {
    port_.clear();
    ipUsed_ = false;
  }
}

ScopeRegistration ScopeSession::RegisterPoll(const TBaseProperty& settings, const SerialTimings& timings) {
  return Register(poll.PollRecord(), settings, timings);
}

ScopeRegistration ScopeSession::RegisterWrite(const TBaseProperty& settings, const SerialTimings& timings,
                                              const LinkFrame& frame) {
  if (!port_.empty()) hub_.Serial().RemoveRequest(port_, &poll.WriteRecord());
  if (ipUsed_) hub_.Tcp().RemoveRequest(ip_, &poll.WriteRecord());
  poll.PrepareWrite(frame);
  return Register(poll.WriteRecord(), settings, timings);
}

ScopeRegistration ScopeSession::Register(TLinkRequest& request, const TBaseProperty& settings,
                                         const SerialTimings& timings) {
  if (settings.PortName == kViewRecordPort) return ScopeRegistration::NotPolled;
  if (settings.Protocol == kProtocolMODBUSTCP) {
    const std::uint32_t ip = ParseIPv4(settings.IPAddress);
    if (ip == 0xFFFFFFFFu) return ScopeRegistration::Unreachable;
    const auto port = TryReadInteger(settings.IPPort);
    if (!port || *port < 0 || *port > 0xFFFF) return ScopeRegistration::BadSettings;
    const TcpPeer peer{ip, static_cast<std::uint16_t>(*port)};
    if (ipUsed_ && peer != ip_) Withdraw(true);
    ip_ = peer;
    ipUsed_ = true;
    TTCPIPList& workers = hub_.Tcp();
    TTCPIPThread* worker = workers.OpenWorker(peer) < 0 ? nullptr : workers.FindWorker(peer);
    if (worker == nullptr || !worker->Connected()) return ScopeRegistration::Unreachable;
    workers.Lock(peer);
    workers.AddRequest(peer, &request);
    workers.Unlock(peer);
    return ScopeRegistration::Polling;
  }
  if (settings.Protocol != kProtocolQuBUS && settings.Protocol != kProtocolMODBUSRTU) {
    return ScopeRegistration::NotPolled;
  }
  const auto baudText = TryReadInteger(settings.Baud);
  const auto frameEndText = TryReadInteger(settings.FrameEnd);
  if (!baudText || !frameEndText || *baudText <= 0 || *frameEndText < 0) return ScopeRegistration::BadSettings;
  const auto baud = static_cast<unsigned>(*baudText);
  const auto frameEnd = static_cast<unsigned>(*frameEndText);
  TCommList& ports = hub_.Serial();
  if (settings.PortName != port_) {
    Withdraw(true);
    port_ = settings.PortName;
  }
  if (!ports.OpenLine(settings.PortName, baud, frameEnd, timings)) {
    port_.clear();
    return ScopeRegistration::PortFailed;
  }
  ports.LockPort(settings.PortName);
  ports.AddRequest(settings.PortName, &request);
  ports.UnlockPort(settings.PortName);
  return ScopeRegistration::Polling;
}

}  // namespace quillon

#include "scope/scope_session.h"

#include <utility>

#include "link/endpoint.h"

namespace quillon {

ScopeSession::ScopeSession(LinkHub& hub) : image(kImageSize, 0), poll(list, image), attachment_(hub) {
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

ScopeSession::~ScopeSession() { Withdraw(true); }

std::string ScopeSession::TakeTraceFailure() {
  std::lock_guard lock(traceFailureGuard_);
  return std::exchange(traceFailure_, std::string());
}

void ScopeSession::Withdraw(bool write) {
  attachment_.Withdraw(poll.PollRecord());
  if (write) attachment_.Leave();
}

ScopeRegistration ScopeSession::RegisterPoll(const TBaseProperty& settings) {
  return Register(poll.PollRecord(), settings);
}

ScopeRegistration ScopeSession::RegisterWrite(const TBaseProperty& settings, const LinkFrame& frame) {
  attachment_.Withdraw(poll.WriteRecord());
  poll.PrepareWrite(frame);
  return Register(poll.WriteRecord(), settings);
}

ScopeRegistration ScopeSession::Register(TLinkRequest& request, const TBaseProperty& settings) {
  if (settings.PortName == kViewRecordPort || !ProtocolNamed(settings.Protocol)) return ScopeRegistration::NotPolled;
  const auto endpoint = EndpointOf(LinkFieldsOf(settings));
  if (!endpoint) return ScopeRegistration::BadSettings;
  if (const auto failure = attachment_.Open(*endpoint)) {
    return endpoint->Tcp() ? ScopeRegistration::Unreachable : ScopeRegistration::PortFailed;
  }
  attachment_.Add(request);
  return ScopeRegistration::Polling;
}

}  // namespace quillon

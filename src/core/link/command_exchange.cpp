#include "link/command_exchange.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "link/buses.h"
#include "link/comm_list.h"
#include "link/command_line.h"
#include "link/link_hub.h"
#include "link/port_names.h"
#include "link/tcp_connection.h"
#include "link/tcpip_list.h"

namespace quillon {

namespace {

constexpr std::uint32_t kNoAddress = 0xFFFFFFFFu;

}  // namespace

bool CommandTarget::Tcp() const { return protocol == kProtocolMODBUSTCP; }

CommandExchange::CommandExchange(LinkHub& hub, AnswerHandler onAnswer) : hub_(hub), onAnswer_(std::move(onAnswer)) {
  request_.AnswerBuf = answer_.data();
  request_.AnswerCapacity = answer_.size();
  request_.OnAnswer = [this](TLinkRequest& request) {
    const std::size_t stored = ShownAnswerLength(request.AnswerLen.load(), answer_.size(), tcp_.load());
    if (onAnswer_) onAnswer_(generation_.load(), std::vector<std::uint8_t>(answer_.begin(), answer_.begin() + stored));
  };
}

CommandRegistration CommandExchange::Send(const CommandTarget& target, std::vector<std::uint8_t> frame,
                                          std::uint64_t generation) {
  // The record may be changed only while no worker holds it.
  Withdraw();
  frame_ = std::move(frame);
  answer_.fill(0);
  request_.AnswerLen = 0;
  request_.RequestBuf = frame_.data();
  request_.RequestLen = static_cast<std::uint32_t>(frame_.size());
  request_.OneShot = true;
  request_.DelayMs = kCommandDelayMs;
  request_.ExpectedLen = 0;
  request_.Busy = false;
  generation_ = generation;
  tcp_ = target.Tcp();
  return target.Tcp() ? SendTcp(target) : SendSerial(target);
}

CommandRegistration CommandExchange::SendSerial(const CommandTarget& target) {
  TCommList& ports = hub_.Serial();
  if (!ports.OpenLine(
          target.port, target.baud, target.frameEndMs,
          IsPseudoTerminal(target.port, target.programDirectory) ? SerialTimings::None() : SerialTimings{})) {
    return CommandRegistration::PortFailed;
  }
  port_ = target.port;
  ports.LockPort(target.port);
  ports.AddRequest(target.port, &request_);
  ports.UnlockPort(target.port);
  return CommandRegistration::Registered;
}

CommandRegistration CommandExchange::SendTcp(const CommandTarget& target) {
  const TcpPeer peer{ParseIPv4(target.ip), target.tcpPort};
  if (peer.ip == kNoAddress) return CommandRegistration::NotRegistered;
  TTCPIPList& workers = hub_.Tcp();
  if (workers.OpenWorker(peer) < 0) return CommandRegistration::PortFailed;
  ip_ = peer;
  workers.Reconnect(peer);
  workers.AddRequest(peer, &request_);
  return CommandRegistration::Registered;
}

void CommandExchange::Withdraw() {
  if (!port_.empty()) {
    hub_.Serial().RemoveRequest(port_, &request_);
    port_.clear();
  }
  if (ip_) {
    hub_.Tcp().RemoveRequest(*ip_, &request_);
    ip_.reset();
  }
}

}  // namespace quillon

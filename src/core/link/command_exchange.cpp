#include "link/command_exchange.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "link/command_line.h"

namespace quillon {

CommandExchange::CommandExchange(LinkHub& hub, AnswerHandler onAnswer)
    : onAnswer_(std::move(onAnswer)), attachment_(hub) {
  request_.AnswerBuf = answer_.data();
  request_.AnswerCapacity = answer_.size();
  request_.OnAnswer = [this](TLinkRequest& request) {
    const std::size_t stored = ShownAnswerLength(request.AnswerLen.load(), answer_.size(), tcp_.load());
    if (onAnswer_) onAnswer_(generation_.load(), std::vector<std::uint8_t>(answer_.begin(), answer_.begin() + stored));
  };
}

CommandRegistration CommandExchange::Send(const Endpoint& target, std::vector<std::uint8_t> frame,
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
  if (const auto failure = attachment_.Open(target)) {
    // Nobody to connect to: the time-out tells, as for a silent device.
    return failure->kind == LinkErrorKind::Unreachable ? CommandRegistration::NotRegistered
                                                       : CommandRegistration::PortFailed;
  }
  attachment_.Add(request_);
  return CommandRegistration::Registered;
}

void CommandExchange::Withdraw() { attachment_.Withdraw(request_); }

}  // namespace quillon

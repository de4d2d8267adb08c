#include "card/card_link.h"

#include <algorithm>
#include <utility>

#include "link/comm_list.h"
#include "link/port_names.h"
#include "link/tcp_connection.h"
#include "link/tcpip_list.h"

namespace quillon {

namespace {

constexpr std::size_t kSerialAnswerCapacity = 256;
constexpr std::uint32_t kNoAddress = 0xFFFFFFFFu;

}  // namespace

CardLink::CardLink(StepHandler onStep) : onStep_(std::move(onStep)) {
  request_.AnswerBuf = answerBuf_.data();
  request_.RequestBuf = requestBuf_.data();
  request_.OneShot = false;
  request_.Busy = true;
  request_.OnAnswer = [this](TLinkRequest& request) { HandleAnswer(request); };
}

CardAttach CardLink::Start(const CardRegistries& registries, const CardTarget& target,
                           std::shared_ptr<CardOperation> operation, std::uint64_t generation) {
  // A record in service cannot be re-armed under the worker's hands, and one registered
  // elsewhere has to leave first.
  const bool elsewhere = target.tcp ? (!port_.empty() || (ip_ && *ip_ != TcpPeer{ParseIPv4(target.ip), target.tcpPort}))
                                    : (ip_.has_value() || (!port_.empty() && port_ != target.port));
  if (running_.load() || elsewhere) Withdraw(registries);
  // A card request to address 0 would be carried out by every controller of the line, and
  // answered by none: it never goes out.
  if (const CardFrame& frame = operation->Request(); !frame.empty() && frame[0] == 0) {
    CardStep refused = MakeCardStep(operation->Kind(), CardOutcome::BadAnswer, kCardBroadcastMessage);
    refused.generation = generation;
    if (onStep_) onStep_(std::move(refused));
    return CardAttach::Attached;
  }
  request_.AnswerCapacity = target.tcp ? answerBuf_.size() : kSerialAnswerCapacity;
  Arm(std::move(operation), generation);
  CardAttach attached = CardAttach::PortFailed;
  if (target.tcp && registries.tcp != nullptr) attached = AttachTcp(*registries.tcp, target);
  if (!target.tcp && registries.serial != nullptr) attached = AttachSerial(*registries.serial, target);
  if (attached == CardAttach::PortFailed) {
    std::lock_guard lock(mutex_);
    request_.Busy = true;
    running_ = false;
    operation_.reset();
  }
  return attached;
}

void CardLink::Arm(std::shared_ptr<CardOperation> operation, std::uint64_t generation) {
  std::lock_guard lock(mutex_);
  operation_ = std::move(operation);
  generation_ = generation;
  const CardFrame& frame = operation_->Request();
  const std::size_t length = std::min(frame.size(), requestBuf_.size());
  std::copy_n(frame.begin(), length, requestBuf_.begin());
  request_.RequestLen = static_cast<std::uint32_t>(length);
  request_.DelayMs = operation_->DelayMs();
  request_.AnswerLen = 0;
  running_ = true;
  // Last: a record still registered with its worker is served from here on.
  request_.Busy = false;
}

CardAttach CardLink::AttachSerial(TCommList& ports, const CardTarget& target) {
  if (!ports.OpenLine(
          target.port, target.baud, target.frameEndMs,
          IsPseudoTerminal(target.port, target.programDirectory) ? SerialTimings::None() : SerialTimings{})) {
    return CardAttach::PortFailed;
  }
  ports.LockPort(target.port);
  ports.AddRequest(target.port, &request_);
  ports.UnlockPort(target.port);
  port_ = target.port;
  return CardAttach::Attached;
}

CardAttach CardLink::AttachTcp(TTCPIPList& workers, const CardTarget& target) {
  const TcpPeer peer{ParseIPv4(target.ip), target.tcpPort};
  if (peer.ip == kNoAddress || workers.OpenWorker(peer) < 0) return CardAttach::PortFailed;
  // A worker that could not connect never calls the handler: the operation would wait for ever.
  if (workers.FindWorker(peer) == nullptr) return CardAttach::PortFailed;
  workers.AddRequest(peer, &request_);
  ip_ = peer;
  return CardAttach::Attached;
}

void CardLink::Withdraw(const CardRegistries& registries) {
  if (!port_.empty() && registries.serial != nullptr) registries.serial->RemoveRequest(port_, &request_);
  if (ip_ && registries.tcp != nullptr) registries.tcp->RemoveRequest(*ip_, &request_);
  port_.clear();
  ip_.reset();
  std::lock_guard lock(mutex_);
  request_.Busy = true;
  running_ = false;
  operation_.reset();
}

void CardLink::HandleAnswer(TLinkRequest& request) {
  CardStep step;
  {
    std::lock_guard lock(mutex_);
    if (!operation_ || !running_.load()) return;
    const std::size_t received = std::min<std::size_t>(request.AnswerLen.load(), request.AnswerCapacity);
    step = operation_->Answer(std::span<const std::uint8_t>(answerBuf_.data(), received));
    step.generation = generation_;
    ++served_;
    if (step.Finished()) {
      // Busy stays set: the record waits with its worker for the next operation.
      running_ = false;
      operation_.reset();
    } else {
      const CardFrame& frame = operation_->Request();
      const std::size_t length = std::min(frame.size(), requestBuf_.size());
      std::copy_n(frame.begin(), length, requestBuf_.begin());
      request.RequestLen = static_cast<std::uint32_t>(length);
      request.DelayMs = operation_->DelayMs();
      request.Busy = false;
    }
  }
  if (onStep_ && (step.Finished() || step.fileName)) onStep_(std::move(step));
}

}  // namespace quillon

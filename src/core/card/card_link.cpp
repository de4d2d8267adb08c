#include "card/card_link.h"

#include <algorithm>
#include <utility>

namespace quillon {

namespace {

constexpr std::size_t kSerialAnswerCapacity = 256;

}  // namespace

CardLink::CardLink(LinkHub& hub, StepHandler onStep) : onStep_(std::move(onStep)), attachment_(hub) {
  request_.AnswerBuf = answerBuf_.data();
  request_.RequestBuf = requestBuf_.data();
  request_.OneShot = false;
  request_.Busy = true;
  request_.OnAnswer = [this](TLinkRequest& request) { HandleAnswer(request); };
}

CardAttach CardLink::Start(const Endpoint& endpoint, std::shared_ptr<CardOperation> operation,
                           std::uint64_t generation) {
  // A record in service cannot be re-armed under the worker's hands (one registered elsewhere
  // leaves as the line is taken).
  if (running_.load()) Withdraw();
  // A card request to address 0 would be carried out by every controller of the line, and
  // answered by none: it never goes out.
  if (const CardFrame& frame = operation->Request(); !frame.empty() && frame[0] == 0) {
    CardStep refused = MakeCardStep(operation->Kind(), CardOutcome::BadAnswer, kCardBroadcastMessage);
    refused.generation = generation;
    if (onStep_) onStep_(std::move(refused));
    return CardAttach::Attached;
  }
  // Without a live connection no answer would ever come: the operation would wait for ever.
  if (attachment_.Open(endpoint)) return CardAttach::PortFailed;
  request_.AnswerCapacity = endpoint.Tcp() ? answerBuf_.size() : kSerialAnswerCapacity;
  Arm(std::move(operation), generation);
  attachment_.Add(request_);
  return CardAttach::Attached;
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

void CardLink::Withdraw() {
  attachment_.Leave();
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

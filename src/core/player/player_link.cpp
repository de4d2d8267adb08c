#include "player/player_link.h"

#include <algorithm>
#include <utility>

#include "link/answers.h"

namespace quillon {

PlayerLink::PlayerLink(LinkHub& hub, GoodAnswer onGoodAnswer)
    : onGoodAnswer_(std::move(onGoodAnswer)), attachment_(hub) {
  poll_.AnswerBuf = pollAnswer_.data();
  poll_.AnswerCapacity = pollAnswer_.size();
  poll_.OneShot = false;
  poll_.DelayMs = 0;
  poll_.OnAnswer = [this](TLinkRequest& request) { PollAnswered(request); };

  write_.AnswerBuf = writeAnswer_.data();
  write_.AnswerCapacity = writeAnswer_.size();
  write_.OneShot = true;
  write_.DelayMs = kPlayerWriteDelayMs;
}

void PlayerLink::PollAnswered(TLinkRequest& request) {
  const std::size_t received = std::min<std::size_t>(request.AnswerLen.load(), pollAnswer_.size());
  bool good = false;
  {
    std::lock_guard lock(mutex_);
    message_ = JudgePlayerPoll(pollFrame_, pollAnswer_.data(), received);
    good = message_.empty();
    if (good) {
      DecodeMODBUSRead(pollAnswer_.data(), received, oddStart_, image_.data(), image_.size(), 0);
      // The low byte of the first register, which the image leaves out (second on the wire).
      if (oddStart_ != 0 && received >= 7) byteBeforeImage_ = pollAnswer_[4];
    }
  }
  if (good && onGoodAnswer_) onGoodAnswer_();
}

bool PlayerLink::Attach(const Endpoint& endpoint, std::optional<PlayerPollFrame> poll) {
  // Out of the worker before its frame changes (a new place takes both records out anyway).
  if (poll) attachment_.Withdraw(poll_);
  if (attachment_.Open(endpoint)) return false;
  if (!poll) return true;
  {
    std::lock_guard lock(mutex_);
    pollFrame_ = std::move(poll->bytes);
    oddStart_ = poll->oddStart;
    byteBeforeImage_.reset();
    message_.clear();
  }
  poll_.RequestBuf = pollFrame_.data();
  poll_.RequestLen = static_cast<std::uint32_t>(pollFrame_.size());
  poll_.AnswerLen = 0;
  poll_.Busy = false;
  attachment_.Add(poll_);
  return true;
}

bool PlayerLink::Send(std::vector<std::uint8_t> frame) {
  if (!attachment_.Place()) return false;
  // The last write may not have been served yet; this one replaces it.
  attachment_.Withdraw(write_);
  writeFrame_ = std::move(frame);
  write_.RequestBuf = writeFrame_.data();
  write_.RequestLen = static_cast<std::uint32_t>(writeFrame_.size());
  write_.AnswerLen = 0;
  write_.OneShot = true;
  write_.Busy = false;
  attachment_.Add(write_);
  return true;
}

void PlayerLink::Detach() { attachment_.Leave(); }

void PlayerLink::Rearm() { poll_.Busy = false; }

std::string PlayerLink::Message() const {
  std::lock_guard lock(mutex_);
  return message_;
}

}  // namespace quillon

#include "player/player_link.h"

#include <algorithm>
#include <utility>

#include "link/answers.h"
#include "link/comm_list.h"
#include "link/port_names.h"

namespace quillon {

PlayerLink::PlayerLink(GoodAnswer onGoodAnswer) : onGoodAnswer_(std::move(onGoodAnswer)) {
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

bool PlayerLink::Attach(TCommList& ports, const PlayerPort& port, std::optional<PlayerPollFrame> poll) {
  if (port_ != port.name) {
    Withdraw(ports, poll_);
    Withdraw(ports, write_);
    pollRegistered_ = false;
    writeRegistered_ = false;
  } else if (poll && pollRegistered_) {
    // Out of the worker before its frame changes.
    Withdraw(ports, poll_);
    pollRegistered_ = false;
  }
  port_ = port.name;
  if (!ports.OpenLine(port.name, port.baud, port.frameEndMs,
                      IsPseudoTerminal(port.name, port.programDirectory) ? SerialTimings::None() : SerialTimings{})) {
    port_.clear();
    return false;
  }
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
  ports.LockPort(port.name);
  ports.AddRequest(port.name, &poll_);
  ports.UnlockPort(port.name);
  pollRegistered_ = true;
  return true;
}

bool PlayerLink::Send(TCommList& ports, std::vector<std::uint8_t> frame) {
  if (port_.empty()) return false;
  // The last write may not have been served yet; this one replaces it.
  Withdraw(ports, write_);
  writeFrame_ = std::move(frame);
  write_.RequestBuf = writeFrame_.data();
  write_.RequestLen = static_cast<std::uint32_t>(writeFrame_.size());
  write_.AnswerLen = 0;
  write_.OneShot = true;
  write_.Busy = false;
  ports.LockPort(port_);
  ports.AddRequest(port_, &write_);
  ports.UnlockPort(port_);
  writeRegistered_ = true;
  return true;
}

void PlayerLink::Detach(TCommList& ports) {
  Withdraw(ports, poll_);
  Withdraw(ports, write_);
  pollRegistered_ = false;
  writeRegistered_ = false;
  port_.clear();
}

void PlayerLink::Withdraw(TCommList& ports, TLinkRequest& request) {
  const bool registered = &request == &poll_ ? pollRegistered_ : writeRegistered_;
  if (!port_.empty() && registered) ports.RemoveRequest(port_, &request);
}

void PlayerLink::Rearm() { poll_.Busy = false; }

std::string PlayerLink::Message() const {
  std::lock_guard lock(mutex_);
  return message_;
}

}  // namespace quillon

#include "alarm/xram_write.h"

#include <algorithm>
#include <stdexcept>

#include "text/numbers.h"

namespace quillon {

namespace {

std::vector<std::uint8_t> XramWriteFrame(std::uint16_t address, std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> frame(data.size() + 7);
  int length = 0;
  BuildQuBUSWrite("XRAM", address, data.data(), static_cast<int>(data.size()), frame.data(), length);
  frame.resize(static_cast<std::size_t>(length));
  return frame;
}

}  // namespace

std::vector<std::uint8_t> BuildCounterClearFrame() {
  const std::array<std::uint8_t, kCounterClearLength> zeros{};
  return XramWriteFrame(kCounterClearAddress, zeros);
}

std::vector<std::uint8_t> BuildMotorTimeResetFrame() {
  const std::array<std::uint8_t, 4> zeros{};
  return XramWriteFrame(kMotorTimeAddress, zeros);
}

MaintenanceHoursInput ReadMaintenanceHours(std::string_view text) {
  std::int64_t hours = 0;
  try {
    hours = ReadInteger(text);
  } catch (const ConversionError& error) {
    return {std::nullopt, error.what()};
  }
  if (hours < 0 || hours > kMaxMaintenanceHours) {
    return {std::nullopt, "Уставка должна быть от 0 до " + std::to_string(kMaxMaintenanceHours) + " часов"};
  }
  return {static_cast<std::uint32_t>(hours), {}};
}

std::vector<std::uint8_t> BuildMaintenanceFrame(std::uint32_t hours) {
  if (hours > kMaxMaintenanceHours) throw std::out_of_range("maintenance hours beyond the 32-bit count of seconds");
  const std::uint32_t seconds = hours * 3600u;
  const std::array<std::uint8_t, 4> data{static_cast<std::uint8_t>(seconds), static_cast<std::uint8_t>(seconds >> 8),
                                         static_cast<std::uint8_t>(seconds >> 16),
                                         static_cast<std::uint8_t>(seconds >> 24)};
  return XramWriteFrame(kMaintenanceAddress, data);
}

std::vector<std::uint8_t> BuildCommitFrame() {
  const std::array<std::uint8_t, 1> commit{kCommitByte};
  return XramWriteFrame(kCommitAddress, commit);
}

XramWrites::XramWrites() {
  request_.AnswerBuf = answer_.data();
  request_.AnswerCapacity = answer_.size();
  request_.RequestBuf = frame_.data();
  request_.DelayMs = 0;
  request_.OnAnswer = [this](TLinkRequest& request) { Answered(request); };
}

bool XramWrites::Push(Kind kind, std::span<const std::uint8_t> frame) {
  if (frame.size() > frame_.size()) throw std::invalid_argument("write frame too long");
  std::lock_guard lock(mutex_);
  queue_.push_back({kind, std::vector<std::uint8_t>(frame.begin(), frame.end())});
  if (registered_) return false;
  registered_ = true;
  return true;
}

void XramWrites::Arm() {
  std::lock_guard lock(mutex_);
  if (queue_.empty()) return;
  Load(queue_.front().frame);
  committing_ = false;
  request_.OneShot = false;
  request_.Busy = false;
}

bool XramWrites::Idle() const {
  std::lock_guard lock(mutex_);
  return queue_.empty();
}

void XramWrites::Clear() {
  std::lock_guard lock(mutex_);
  queue_.clear();
  committing_ = false;
  registered_ = false;
}

void XramWrites::Load(const std::vector<std::uint8_t>& frame) {
  std::copy(frame.begin(), frame.end(), frame_.begin());
  request_.RequestLen = static_cast<std::uint32_t>(frame.size());
}

void XramWrites::Answered(TLinkRequest& request) {
  std::lock_guard lock(mutex_);
  if (queue_.empty()) {
    request.OneShot = true;
    registered_ = false;
    return;
  }
  if (queue_.front().kind == Kind::WithCommit && !committing_) {
    Load(BuildCommitFrame());
    committing_ = true;
    request.Busy = false;
    return;
  }
  queue_.pop_front();
  committing_ = false;
  if (queue_.empty()) {
    request.OneShot = true;
    registered_ = false;
    return;
  }
  Load(queue_.front().frame);
  request.Busy = false;
}

}  // namespace quillon

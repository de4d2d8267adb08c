#include "link/traffic_log.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "link/traffic_text.h"

namespace quillon {

bool TrafficFilter::Matches(const TrafficFrame& frame) const {
  if (!link.empty() && frame.Link() != link) return false;
  if (verdict && (frame.direction != FrameDirection::RX || frame.verdict != *verdict)) return false;
  if (address && FrameAddress(frame) != address) return false;
  return true;
}

TrafficLog::TrafficLog(std::size_t capacity) : capacity_(capacity) {
  if (capacity_ == 0) throw std::invalid_argument("TrafficLog: capacity 0");
  blocks_.resize((capacity_ + kBlock - 1) / kBlock);
}

const TrafficFrame& TrafficLog::Slot(std::uint64_t number) const {
  const std::size_t slot = static_cast<std::size_t>(number % capacity_);
  return blocks_[slot / kBlock][slot % kBlock];
}

TrafficFrame& TrafficLog::SlotForWrite(std::uint64_t number) {
  const std::size_t slot = static_cast<std::size_t>(number % capacity_);
  std::unique_ptr<TrafficFrame[]>& block = blocks_[slot / kBlock];
  if (!block) block = std::make_unique<TrafficFrame[]>(kBlock);
  return block[slot % kBlock];
}

void TrafficLog::Append(const TrafficFrame& frame) {
  if (Size() == capacity_) DropOldest(1);
  SlotForWrite(next_) = frame;
  NoteChoices(frame);
  if (filter_.Matches(frame)) rows_.push_back(next_);
  ++next_;
}

void TrafficLog::DropOldest(std::size_t count) {
  first_ += std::min<std::uint64_t>(count, Size());
  while (!rows_.empty() && rows_.front() < first_) rows_.pop_front();
}

void TrafficLog::Clear() {
  first_ = next_;
  rows_.clear();
}

std::size_t TrafficLog::Overflow(std::size_t incoming) const {
  const std::size_t after = Size() + incoming;
  return std::min(after > capacity_ ? after - capacity_ : 0, Size());
}

std::size_t TrafficLog::RowsAmongOldest(std::size_t frames) const {
  const std::uint64_t end = first_ + std::min(frames, Size());
  return static_cast<std::size_t>(std::lower_bound(rows_.begin(), rows_.end(), end) - rows_.begin());
}

void TrafficLog::SetFilter(TrafficFilter filter) {
  filter_ = std::move(filter);
  rows_.clear();
  for (std::uint64_t number = first_; number < next_; ++number) {
    if (filter_.Matches(Slot(number))) rows_.push_back(number);
  }
}

std::vector<std::uint8_t> TrafficLog::Addresses() const {
  std::vector<std::uint8_t> seen;
  for (std::size_t address = 0; address < addresses_.size(); ++address) {
    if (addresses_.test(address)) seen.push_back(static_cast<std::uint8_t>(address));
  }
  return seen;
}

void TrafficLog::NoteChoices(const TrafficFrame& frame) {
  if (const auto address = FrameAddress(frame)) addresses_.set(*address);
  const std::string_view link = frame.Link();
  const auto at = std::lower_bound(links_.begin(), links_.end(), link,
                                   [](const std::string& held, std::string_view name) { return held < name; });
  if (at == links_.end() || *at != link) links_.insert(at, std::string(link));
}

}  // namespace quillon

#include "events/osc_search.h"

namespace quillon {

namespace {

// Every position of the wrapped space is visited at most once.
constexpr std::uint64_t kMaxSteps = kOscWrap / kOscSearchStep + 1;

std::uint64_t StepBack(std::uint64_t position) {
  return position >= kOscSearchStep ? position - kOscSearchStep : kOscWrap - (kOscSearchStep - position);
}

std::uint64_t StepForward(std::uint64_t position) {
  const std::uint64_t next = position + kOscSearchStep;
  return next >= kOscWrap ? next - kOscWrap : next;
}

}  // namespace

std::uint64_t OscEventOffset(std::uint32_t position) {
  const std::uint64_t offset = static_cast<std::uint64_t>(position) * kOscRecordSize;
  return offset >= kOscWrap - kOscRecordSize ? 0 : offset;
}

OscSpan FindOscSpan(OscFile& file, std::uint32_t position, std::uint32_t secondsBefore, std::uint32_t secondsAfter) {
  OscSpan span;
  const std::uint64_t eventOffset = OscEventOffset(position);
  if (const auto record = file.ReadAt(eventOffset)) span.eventSeconds = OscRecordSeconds(*record);
  const std::uint32_t eventSeconds = span.eventSeconds;

  std::uint64_t back = eventOffset;
  for (std::uint64_t taken = 0; taken < kMaxSteps;) {
    back = StepBack(back);
    ++taken;
    ++span.steps;
    const auto record = file.ReadAt(back);
    if (!record) break;
    const std::uint32_t seconds = OscRecordSeconds(*record);
    if (seconds > eventSeconds || eventSeconds - seconds >= secondsBefore) break;
  }
  span.start = back;

  std::uint64_t forward = eventOffset;
  for (std::uint64_t taken = 0; taken < kMaxSteps;) {
    forward = StepForward(forward);
    ++taken;
    ++span.steps;
    const auto record = file.ReadAt(forward);
    if (!record) break;
    const std::uint32_t seconds = OscRecordSeconds(*record);
    if (seconds < eventSeconds || seconds - eventSeconds >= secondsAfter) break;
  }
  span.end = forward;
  return span;
}

}  // namespace quillon

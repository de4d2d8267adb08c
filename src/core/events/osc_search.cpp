#include "events/osc_search.h"

#include <algorithm>

namespace quillon {

namespace {

// The file is circular: the record before its first is its last. A file of whole records
// shorter than the position space wraps at its end, so an event near the file's start still
// gets the seconds before it from the file's tail; otherwise the space wraps after its last
// whole record below 0x80000000, as the controller, which cannot fit another record there,
// goes on at record 0. Either way the wrap is a record boundary, so a search that wraps keeps
// reading whole records and never the two halves of neighbouring ones.
std::uint64_t WrapOf(const OscFile& file) {
  const std::uint64_t space = kOscWrapRecords * kOscRecordSize;
  const std::uint64_t whole = file.Size() / kOscRecordSize * kOscRecordSize;
  return whole >= kOscSearchStep && whole < space ? whole : space;
}

std::uint64_t StepBack(std::uint64_t position, std::uint64_t wrap) {
  return position >= kOscSearchStep ? position - kOscSearchStep : wrap - (kOscSearchStep - position);
}

std::uint64_t StepForward(std::uint64_t position, std::uint64_t wrap) {
  const std::uint64_t next = position + kOscSearchStep;
  return next >= wrap ? next - wrap : next;
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
  const std::uint64_t wrap = WrapOf(file);
  // Every position of the wrapped space is visited at most once.
  const std::uint64_t maxSteps = wrap / kOscSearchStep + 1;

  std::uint64_t back = eventOffset;
  for (std::uint64_t taken = 0; taken < maxSteps;) {
    back = StepBack(back, wrap);
    ++taken;
    ++span.steps;
    const auto record = file.ReadAt(back);
    if (!record) break;
    const std::uint32_t seconds = OscRecordSeconds(*record);
    if (seconds > eventSeconds || eventSeconds - seconds >= secondsBefore) break;
  }
  span.start = back;

  std::uint64_t forward = eventOffset;
  for (std::uint64_t taken = 0; taken < maxSteps;) {
    forward = StepForward(forward, wrap);
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

OscDecodeRange OscRangeAround(OscFile& file, std::uint32_t position, std::uint32_t secondsBefore,
                              std::uint32_t secondsAfter) {
  const std::uint64_t event = OscEventOffset(position);
  if (!file.ReadAt(event)) return OscDecodeRange(0, 0);
  const OscSpan span = FindOscSpan(file, position, secondsBefore, secondsAfter);
  return OscDecodeRange(span.start, span.Records(), event, secondsBefore, secondsAfter);
}

}  // namespace quillon

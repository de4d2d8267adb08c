#pragma once
// The stretch of a local oscillogram file around an event: from the event's record the search
// steps 30 records at a time backwards until the seconds before the event are covered, and
// forwards until the seconds after it are, wrapping at the file's end (a file of whole records),
// else after the last whole record below 0x80000000, both ways: always at a record boundary.
#include <cstdint>

#include "events/osc_decode.h"
#include "events/osc_record.h"

namespace quillon {

inline constexpr std::uint64_t kOscSearchRecords = 30;
inline constexpr std::uint64_t kOscSearchStep = kOscSearchRecords * kOscRecordSize;

struct OscSpan {
  std::uint64_t start = 0;  // byte position of the first record
  std::uint64_t end = 0;    // byte position the forward search reached
  std::uint64_t steps = 0;  // both searches together
  std::uint32_t eventSeconds = 0;

  std::uint64_t Records() const { return steps * kOscSearchRecords; }
};

// The byte position of the event's record: position × 140, or 0 when that lies at or beyond
// 0x80000000 − 140.
std::uint64_t OscEventOffset(std::uint32_t position);

// An event record that cannot be read counts as time 0.
OscSpan FindOscSpan(OscFile& file, std::uint32_t position, std::uint32_t secondsBefore, std::uint32_t secondsAfter);

// What "from a file" decodes around an event: the span FindOscSpan finds, with the event marked
// so that a span too long for one record keeps the records nearest the event. An event whose
// record is not in the file gives an empty range.
OscDecodeRange OscRangeAround(OscFile& file, std::uint32_t position, std::uint32_t secondsBefore,
                              std::uint32_t secondsAfter);

}  // namespace quillon

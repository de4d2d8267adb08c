#pragma once
// Finds where a request frame ends in the bytes a line has delivered so far. A frame's own
// structure tells its length (QuBUS: its length byte; MODBUS: the function code and, for the
// card functions, the zero after a file name and the counts), so an answer goes out as soon as
// the frame is complete; a frame whose length cannot be told is taken whole once the line falls
// quiet.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>

namespace quillon::sim {

// How long a line must stay quiet before bytes that form no known frame are taken as one.
inline constexpr std::chrono::milliseconds kQuietGap{30};

enum class ScanStatus {
  NeedMore,  // a frame has begun and is not complete yet
  Complete,  // the first `length` bytes are one frame
  Unknown,   // no structure known: wait for the line to fall quiet, then take everything
};

struct ScanResult {
  ScanStatus status = ScanStatus::NeedMore;
  std::size_t length = 0;
};

// `acceptQuBUS` is false on TCP, which carries MODBUS frames only.
ScanResult ScanFrame(std::span<const std::uint8_t> bytes, bool acceptQuBUS);

// A whole frame that reads as QuBUS: its start and end bytes, and a length byte that matches.
bool LooksLikeQuBUS(std::span<const std::uint8_t> frame);

}  // namespace quillon::sim

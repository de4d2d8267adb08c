#pragma once
// Frames as text: the decoded summary, the verdict, and the one-line form that the command-line
// trace prints and the traffic monitor saves:
//   HH:MM:SS.ffffff<TAB>TX|RX<TAB>hex bytes separated by blanks<TAB>summary<TAB>verdict
// (local time; the verdict empty on a request).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "link/traffic_frame.h"

namespace quillon {

// "OK", "CRC", "EXC 04", "TIMEOUT", "MISMATCH", "LATE"; empty for a request.
std::string VerdictText(const TrafficFrame& frame);
// Protocol, address, function or QuBUS command, area or register and count, as far as the
// bytes tell: "MODBUS RTU 1 03 read reg 0x0100 n=12", "QuBUS read RAM 0x0100 n=16".
std::string FrameSummary(const TrafficFrame& frame);
// "01 03 00 00"; the bytes kept, with " …" when the frame was longer.
std::string FrameHex(const TrafficFrame& frame);
// "18:42:07.123456", local time.
std::string FrameTime(std::int64_t timeUs);
std::string TraceLine(const TrafficFrame& frame);
// The device address the frame names (MODBUS slave or MBAP unit); nothing for QuBUS, which
// has none, or a frame too short to tell.
std::optional<std::uint8_t> FrameAddress(const TrafficFrame& frame);

// The judge's verdict on an answer to `request` (RTU or QuBUS form, as the owner sees it):
// MODBUS answers by JudgeMODBUSAnswer (the card service's by its own codes), QuBUS reads by
// their byte count, other QuBUS answers by having come at all. `exceptionCode` receives the
// code of an EXC verdict.
FrameVerdict JudgeFrame(bool modbus, const std::uint8_t* request, std::size_t requestLen, std::uint32_t expectedLen,
                        const std::uint8_t* answer, std::size_t answerLen, std::uint8_t& exceptionCode);

}  // namespace quillon

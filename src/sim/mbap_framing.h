#pragma once
// The simulator's side of MODBUS TCP/IP: requests come as MBAP ADUs and are handed to the
// controllers as the RTU frames they answer, and each answer goes back as an ADU under its
// request's transaction id. The faults that spoil the wire are applied to the ADU, which has no
// CRC: a corrupted answer has its last data byte changed, a cut one loses the second half of
// the ADU.
#include <cstdint>
#include <span>
#include <vector>

#include "sim/controller.h"
#include "sim/frame_scanner.h"

namespace quillon::sim {

// Where the ADU at the start of `bytes` ends: NeedMore until its length field and then its
// bytes have come; Unknown for a header no request can have (a protocol id other than 0, a
// length out of range), after which nothing on the stream can be told apart any more.
ScanResult ScanMbap(std::span<const std::uint8_t> bytes);

// The request ADU as the RTU frame the controllers take: the unit id as the slave address, a
// CRC that checks out. Empty for an ADU that ScanMbap would not have completed.
std::vector<std::uint8_t> RtuRequestOf(std::span<const std::uint8_t> adu);

// The controller's answer as an ADU under `transaction`, with the response's fault on the wire
// applied to it; empty when there is no answer.
std::vector<std::uint8_t> MbapAnswerOf(const Response& response, std::uint16_t transaction);

}  // namespace quillon::sim

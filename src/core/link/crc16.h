#pragma once
// CRC-16/MODBUS (reflected polynomial 0xA001, start 0xFFFF, no final XOR), appended low byte
// first. An answer checks out when the CRC over it, its two CRC bytes included, is 0.
#include <cstddef>
#include <cstdint>

namespace quillon {

// Only `length` modulo 256 bytes are covered: one call never spans more than 255 bytes, and a
// 256-byte call covers nothing and returns 0xFFFF. Frames never exceed 255 bytes, so a longer
// length can only be a caller's mistake, and this keeps it from reading past a frame buffer.
std::uint16_t CRC16(const std::uint8_t* data, std::size_t length);

// The same CRC over all `length` bytes, for the memory card's frames: an upload block with a
// long file name is longer than 255 bytes.
std::uint16_t CRC16Long(const std::uint8_t* data, std::size_t length);

}  // namespace quillon

#pragma once
// Request frames of the link kinds. "MODBUS TCP" sends the very same RTU frames, CRC included,
// and "MODBUS TCP/IP" hands them to a TCP channel that puts the MBAP header on (see
// mbap_connection.h), so there is no separate TCP builder. Builders write into the caller's buffer and
// return the frame length through `length`; they never allocate.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "workspace/protocol.h"

namespace quillon {

// The MODBUS functions the program sends.
inline constexpr std::uint8_t kMODBUSReadHoldingRegisters = 0x03;
inline constexpr std::uint8_t kMODBUSWriteMultipleRegisters = 0x10;

// Largest frames and payloads: a QuBUS length byte and a MODBUS byte count must fit a byte
// and the whole frame must stay within 255 bytes so one CRC16 call covers it.
inline constexpr std::size_t kQuBUSReadFrameLength = 7;
inline constexpr std::size_t kQuBUSIdentificationFrameLength = 4;
inline constexpr int kMaxQuBUSWriteBytes = 248;
inline constexpr int kMaxMODBUSWriteBytes = 246;
inline constexpr std::size_t kMaxFrameLength = kMaxMODBUSWriteBytes + 9;

// Area codes by case-sensitive whole name ("RAM", "XRAM", "FLASH"; "ID" reads as 0 and has
// no write code). Unknown names give nothing.
std::optional<std::uint8_t> QuBUSReadCode(std::string_view area);
std::optional<std::uint8_t> QuBUSWriteCode(std::string_view area);

// Identification frame for "ID", else a read of ((end - start) * addressUnit) mod 256 bytes
// from `start`. An unknown area throws std::invalid_argument. `frame` holds at least 7 bytes.
void BuildQuBUSRead(int addressUnit, std::string_view area, std::uint16_t start, std::uint16_t end, std::uint8_t* frame,
                    int& length);

// Writes `count` (1..248) bytes in memory order; `frame` holds count + 7 bytes. A count out of
// range or an area without a write code throws std::invalid_argument.
void BuildQuBUSWrite(std::string_view area, std::uint16_t address, const std::uint8_t* data, int count,
                     std::uint8_t* frame, int& length);

// Read holding registers [start, end), or report slave ID when (end - start) mod 65536 is 0.
// The slave address text is read as an integer (ConversionError when it is none) and sent as
// its low byte. `frame` holds at least 8 bytes.
void BuildMODBUSRead(std::string_view slaveAddress, std::uint16_t startRegister, std::uint16_t endRegister,
                     std::uint8_t* frame, int& length);

// Write multiple registers. `data` holds register values least significant byte first, as a
// memory image does; it is byte-swapped IN PLACE to wire order. `count` is even, 2..246;
// `frame` holds count + 9 bytes. Bad counts throw std::invalid_argument.
void BuildMODBUSWrite(std::string_view slaveAddress, std::uint16_t firstRegister, std::uint8_t* data, int count,
                      std::uint8_t* frame, int& length);

// Swaps the bytes of each of `wordCount` 16-bit words in place; a count below 1 swaps nothing.
void SwapWordBytes(std::uint8_t* buffer, int wordCount);

void CopyBytes(const std::uint8_t* source, std::uint8_t* destination, std::size_t count);

// A one-byte variable is written through MODBUS as its whole register: the new byte and its
// neighbour from the memory image, in memory order (low byte first). With `highByte` the new
// byte is the high half and the image byte before it the low half; otherwise the image byte
// after it is the high half. A neighbour outside the image counts as 0.
std::array<std::uint8_t, 2> RegisterBytesForByte(std::uint8_t newByte, const std::uint8_t* image, std::size_t imageSize,
                                                 std::size_t address, bool highByte);

}  // namespace quillon

#pragma once
// MODBUS TCP/IP framing: the MBAP header (transaction id, protocol id 0, the count of the bytes
// after it, unit id) before the PDU, and no CRC. Every window builds and judges RTU frames
// (address, PDU, CRC); these turn one into the other at the TCP channel, in both directions, so
// a master and the simulator's server use the same rules. No input or output here.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillon {

// Transaction id, protocol id and length take two bytes each, big-endian; the unit id follows.
inline constexpr std::size_t kMbapHeaderLength = 7;
// The length field counts what follows it: the unit id and the PDU.
inline constexpr std::size_t kMbapLengthFieldEnd = 6;
// A PDU holds at most 253 bytes (the 256 of an RTU frame less its address and CRC).
inline constexpr std::size_t kMbapLongestPdu = 253;
inline constexpr std::size_t kMbapLongestAdu = kMbapHeaderLength + kMbapLongestPdu;

// Why an ADU was refused.
enum class MbapRefusal {
  None,
  Short,        // fewer bytes than a header and a function code
  Protocol,     // a protocol id other than 0 (MODBUS)
  Length,       // a length field that disagrees with the bytes that came, or is out of range
  Transaction,  // the answer to another request
};

// An English note for the simulator's log and the tests' messages.
std::string MbapRefusalText(MbapRefusal refusal);

// The RTU frame (address, function, data, CRC) as an MBAP ADU under the transaction id: the
// address becomes the unit id, the CRC is dropped unchecked. Nothing for a frame without a
// function code or with a PDU longer than 253 bytes.
std::optional<std::vector<std::uint8_t>> MbapFromRtu(std::span<const std::uint8_t> rtu, std::uint16_t transaction);

// The transaction id of an ADU's header; 0 when fewer than two bytes came.
std::uint16_t MbapTransaction(std::span<const std::uint8_t> adu);

// How many bytes the ADU that begins `bytes` has in all, read from its length field once six
// bytes have come; nothing before that. A stream reader reads until it has that many.
std::optional<std::size_t> MbapAduLength(std::span<const std::uint8_t> bytes);

// What the header already tells about an ADU whose first bytes came: Protocol for a protocol
// id other than 0, Length for a length field no ADU can have; None while it may still be good.
MbapRefusal MbapHeaderRefusal(std::span<const std::uint8_t> bytes);

struct RtuFromMbapResult {
  std::vector<std::uint8_t> rtu;  // unit id, PDU and a freshly computed CRC; empty when refused
  MbapRefusal refusal = MbapRefusal::None;
};

// The ADU that came, as an RTU frame. Refused when it is shorter than a header and a function
// code, its protocol id is not 0, its length field disagrees with its size, or (when one is
// expected) its transaction id is another. A different unit id passes: the RTU judge refuses an
// answer from another slave as it does on a serial line.
RtuFromMbapResult RtuFromMbap(std::span<const std::uint8_t> adu, std::optional<std::uint16_t> transaction);

}  // namespace quillon

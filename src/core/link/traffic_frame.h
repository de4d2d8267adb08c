#pragma once
// One frame of the traffic on a link, as the traffic monitor and the command-line trace show it:
// when it passed, on which link, which way, its bytes as they went over the wire, and for an
// answer the verdict the judge gave it. A plain value of fixed size, so a worker can hand it over
// without allocating.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillon {

enum class FrameDirection : std::uint8_t { TX, RX };

// How the frame's bytes are laid out, which the summary needs to decode them.
enum class FrameFraming : std::uint8_t {
  QuBUS,
  MODBUSRTU,  // slave address, function, data, CRC (serial, or RTU frames over TCP)
  MBAP,       // MODBUS TCP/IP: the 7-byte MBAP header, then function and data
};

// The verdict of an answer. None on a request. Timeout: nothing came. Mismatch: something came
// that does not answer this request (another slave, function, length or transaction). Late: bytes
// that came after the wait for their answer was over and were thrown away.
enum class FrameVerdict : std::uint8_t { None, OK, CRC, EXC, Timeout, Mismatch, Late };

// Bytes kept of one frame; longer frames keep their head, and wireLength tells their size.
inline constexpr std::size_t kTrafficFrameBytes = 264;
// The request's first bytes, kept with its answer so the answer's summary can name the
// register or area asked for.
inline constexpr std::size_t kTrafficRequestHead = 16;
inline constexpr std::size_t kTrafficLinkName = 48;

struct TrafficFrame {
  std::int64_t timeUs = 0;                    // wall clock, microseconds since the epoch
  std::array<char, kTrafficLinkName> link{};  // NUL-terminated, cut to fit
  FrameDirection direction = FrameDirection::TX;
  FrameFraming framing = FrameFraming::QuBUS;
  FrameVerdict verdict = FrameVerdict::None;
  std::uint8_t exceptionCode = 0;  // with FrameVerdict::EXC
  std::uint16_t length = 0;        // bytes kept
  std::uint32_t wireLength = 0;    // bytes the frame had
  std::uint8_t requestLength = 0;  // RX: bytes kept of the request's head
  std::array<std::uint8_t, kTrafficRequestHead> request{};
  std::array<std::uint8_t, kTrafficFrameBytes> bytes{};

  std::string_view Link() const;
  void SetLink(std::string_view name);
  // Keeps at most kTrafficFrameBytes of them.
  void SetBytes(const std::uint8_t* data, std::size_t count);
  void SetRequestHead(const std::uint8_t* data, std::size_t count);
};

}  // namespace quillon

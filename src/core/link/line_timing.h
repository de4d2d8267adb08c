#pragma once
// The time bytes take on a serial line: a character is a start bit, the data bits, the parity
// bit when there is one and the stop bits. MODBUS RTU frames are separated by a silent interval
// of 3.5 character times; above 19,200 Bd the MODBUS serial line rules fix it at 1.75 ms, since
// a receiver's timer cannot resolve shorter gaps reliably.
#include <chrono>
#include <cstddef>

namespace quillon {

struct CharacterFormat {
  unsigned dataBits = 8;
  bool parity = false;
  unsigned stopBits = 1;

  unsigned Bits() const { return 1 + dataBits + (parity ? 1 : 0) + stopBits; }
};

// The time `bytes` characters take at `baud`; zero for a baud rate of zero.
std::chrono::nanoseconds LineTime(std::size_t bytes, unsigned baud, const CharacterFormat& format = {});

// 3.5 character times.
std::chrono::nanoseconds ThreeAndAHalfCharacters(unsigned baud, const CharacterFormat& format = {});

// The silence a MODBUS master keeps between the end of an answer (or a time-out) and its next
// request: 3.5 character times, and 1.75 ms above 19,200 Bd.
std::chrono::nanoseconds MODBUSSilentInterval(unsigned baud, const CharacterFormat& format = {});

}  // namespace quillon

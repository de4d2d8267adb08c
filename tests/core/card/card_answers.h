#pragma once
// Scripted controller answers for the card operations.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "card/card_frames.h"
#include "link/crc16.h"

namespace quillon::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes WithCrc(Bytes frame) {
  const std::uint16_t crc = CRC16(frame.data(), frame.size());
  frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<std::uint8_t>(crc >> 8));
  return frame;
}

inline Bytes CountedAnswer(std::uint8_t function, const Bytes& data, std::uint8_t address = 1) {
  Bytes frame{address, function, static_cast<std::uint8_t>(data.size())};
  frame.insert(frame.end(), data.begin(), data.end());
  return WithCrc(frame);
}

inline Bytes CodeAnswer(std::uint8_t function, std::uint8_t address = 1) { return WithCrc({address, function}); }

inline Bytes Corrupted(Bytes frame) {
  frame.back() ^= 0x55;
  return frame;
}

inline Bytes Pattern(std::size_t size, std::uint8_t seed = 1) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 13);
  return bytes;
}

// The offset a download or upload request asks for (bytes 2..5, little-endian).
inline std::uint32_t RequestOffset(const Bytes& frame) {
  return frame[2] | frame[3] << 8 | frame[4] << 16 | static_cast<std::uint32_t>(frame[5]) << 24;
}

inline Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

}  // namespace quillon::testing

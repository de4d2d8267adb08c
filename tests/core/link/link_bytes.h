#pragma once
// Frames and ports shared by the link tests: a frame with its CRC, the read requests the
// windows build, and a Ports/ link that names a pseudo-terminal as the workspace does.
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "link/buses.h"
#include "link/crc16.h"
#include "pty_peer.h"

namespace quillon::testing {

inline Bytes WithCrc(Bytes frame) {
  const std::uint16_t crc = CRC16(frame.data(), frame.size());
  frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<std::uint8_t>(crc >> 8));
  return frame;
}

inline Bytes QuBUSRead(const char* area, std::uint16_t start, std::uint16_t end) {
  std::uint8_t frame[kMaxFrameLength];
  int length = 0;
  BuildQuBUSRead(1, area, start, end, frame, length);
  return Bytes(frame, frame + length);
}

inline Bytes MODBUSRead(std::uint16_t start, std::uint16_t end, const char* slave = "1") {
  std::uint8_t frame[kMaxFrameLength];
  int length = 0;
  BuildMODBUSRead(slave, start, end, frame, length);
  return Bytes(frame, frame + length);
}

// Points <directory>Ports/<name> at `target` in one step, as the simulator publishes its line.
inline void LinkPort(const std::string& directory, const std::string& name, const std::string& target) {
  std::filesystem::create_directories(directory + "Ports");
  const std::string link = directory + "Ports/" + name;
  const std::string temporary = link + ".new";
  if (::symlink(target.c_str(), temporary.c_str()) != 0 || ::rename(temporary.c_str(), link.c_str()) != 0)
    throw std::runtime_error("cannot link " + link);
}

}  // namespace quillon::testing

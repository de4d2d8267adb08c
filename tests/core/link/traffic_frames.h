#pragma once
// Frames as a worker hands them to the traffic tap, for the tests of what shows and keeps them.
#include <cstdint>
#include <vector>

#include "link/crc16.h"
#include "link/traffic_frame.h"

namespace quillon::testing {

// A MODBUS RTU read of one register from `slave` (with `extraBytes` more before the CRC), or its
// answer when `verdict` is not None; `timeUs` tells frames apart.
inline TrafficFrame ModbusTrafficFrame(std::int64_t timeUs, const char* link, std::uint8_t slave,
                                       FrameVerdict verdict = FrameVerdict::None, std::size_t extraBytes = 0) {
  std::vector<std::uint8_t> bytes{slave, 0x03, 0x01, 0x00, 0x00, 0x01};
  for (std::size_t i = 0; i < extraBytes; ++i) bytes.push_back(static_cast<std::uint8_t>(i));
  const std::uint16_t crc = CRC16(bytes.data(), bytes.size());
  bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
  TrafficFrame frame;
  frame.timeUs = timeUs;
  frame.SetLink(link);
  frame.direction = verdict == FrameVerdict::None ? FrameDirection::TX : FrameDirection::RX;
  frame.framing = FrameFraming::MODBUSRTU;
  frame.verdict = verdict;
  frame.SetBytes(bytes.data(), bytes.size());
  return frame;
}

// A QuBUS read of RAM, or its answer when `verdict` is not None: QuBUS names no device address.
inline TrafficFrame QuBUSTrafficFrame(std::int64_t timeUs, const char* link,
                                      FrameVerdict verdict = FrameVerdict::None) {
  const std::uint8_t read[] = {0xA5, 0x04, 0x03, 0x01, 0x00, 0x10, 0x5A};
  TrafficFrame frame = ModbusTrafficFrame(timeUs, link, 0, verdict);
  frame.framing = FrameFraming::QuBUS;
  frame.SetBytes(read, sizeof read);
  return frame;
}

}  // namespace quillon::testing

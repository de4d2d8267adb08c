#include "events/event_frames.h"

#include <array>

#include "link/answers.h"
#include "link/buses.h"
#include "link/crc16.h"

namespace quillon {

std::vector<std::uint8_t> BuildCounterChange(std::string_view slaveAddress, std::uint32_t value) {
  // Most significant byte first; the builder swaps each register's pair on the way out.
  std::array<std::uint8_t, 4> data{static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
                                   static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
  std::vector<std::uint8_t> frame(kCounterFrameLength);
  int length = 0;
  BuildMODBUSWrite(slaveAddress, kCounterRegister, data.data(), static_cast<int>(data.size()), frame.data(), length);
  frame.resize(static_cast<std::size_t>(length));
  return frame;
}

std::vector<std::uint8_t> BuildOscRateRequest(std::uint8_t address) {
  std::vector<std::uint8_t> frame{address, kOscRateFunction};
  const std::uint16_t crc = CRC16(frame.data(), frame.size());
  frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<std::uint8_t>(crc >> 8));
  return frame;
}

std::optional<std::uint8_t> OscRateFromAnswer(std::span<const std::uint8_t> request,
                                              std::span<const std::uint8_t> answer) {
  if (answer.size() != kOscRateAnswerLength ||
      !JudgeMODBUSAnswer(request.data(), request.size(), answer.data(), answer.size()).Valid()) {
    return std::nullopt;
  }
  return answer[2];
}

}  // namespace quillon

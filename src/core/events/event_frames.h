#pragma once
// The two exchanges of the event tool: the new value of a counter (MODBUS write of two
// registers at 0x3000) and the oscillogram rate request (address, 0x13, CRC16).
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace quillon {

inline constexpr std::uint16_t kCounterRegister = 0x3000;
inline constexpr std::uint8_t kOscRateFunction = 0x13;
inline constexpr std::size_t kOscRateRequestLength = 4;
inline constexpr std::size_t kOscRateAnswerLength = 5;
inline constexpr std::size_t kCounterFrameLength = 4 + 9;

// The value goes out as its bits 16-23, 24-31, 0-7, 8-15. A slave address text that is no
// number throws ConversionError.
std::vector<std::uint8_t> BuildCounterChange(std::string_view slaveAddress, std::uint32_t value);

std::vector<std::uint8_t> BuildOscRateRequest(std::uint8_t address);
// The rate in records per second from an answer whose CRC16 over all its bytes is 0.
// The rate of a well-formed answer to `request`: slave, 0x13, rate, CRC. An exception or any
// other answer gives none.
std::optional<std::uint8_t> OscRateFromAnswer(std::span<const std::uint8_t> request,
                                              std::span<const std::uint8_t> answer);

inline constexpr const char* kOscRateCrcErrorText = "ошибка CRC";

}  // namespace quillon

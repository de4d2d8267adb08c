#include "alarm/counter_block.h"

#include <cstdio>

#include "text/numbers.h"

namespace quillon {

namespace {

std::uint32_t Field(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t width) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < width; ++i) value |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
  return value;
}

std::uint16_t Word(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(Field(bytes, offset, 2));
}

}  // namespace

CounterBlock DecodeCounterBlock(std::span<const std::uint8_t> bytes) {
  CounterBlock block;
  if (bytes.size() < static_cast<std::size_t>(kCounterBlockLength)) return block;
  block.starts = Word(bytes, 0);
  block.trips = Word(bytes, 2);
  for (std::size_t i = 0; i < block.causes.size(); ++i) block.causes[i] = Word(bytes, 4 + 2 * i);
  block.lastRecord = Word(bytes, 30);
  block.motorSeconds = Field(bytes, 32, 4);
  block.maintenanceSeconds = Field(bytes, 36, 4);
  block.unitSeconds = Field(bytes, 40, 4);
  return block;
}

std::string WorkTimeText(std::uint32_t seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%u:%02u:%02u", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return text;
}

std::array<int, kTripCauses> TripBarWidths(const std::array<std::uint16_t, kTripCauses>& causes, std::uint16_t total) {
  std::array<int, kTripCauses> widths{};
  if (total == 0) return widths;
  for (std::size_t i = 0; i < causes.size(); ++i) {
    widths[i] = static_cast<int>(RoundHalfEven(static_cast<double>(causes[i]) * kFullBarWidth / total));
  }
  return widths;
}

}  // namespace quillon

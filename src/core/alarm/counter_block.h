#pragma once
// The controller's trip counters and work-time counters: 44 little-endian bytes in XRAM, shown
// as numbers, as a bar chart of trips by cause and as three work times.
#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace quillon {

inline constexpr std::uint16_t kCounterBlockAddress = 0x0660;  // XRAM
inline constexpr int kCounterBlockLength = 44;
inline constexpr int kTripCauses = 9;
// The bar of a cause that caused every trip.
inline constexpr int kFullBarWidth = 117;

struct CounterBlock {
  std::uint16_t starts = 0;
  std::uint16_t trips = 0;
  // Asynchronous run, overcurrent, field loss, rotor earth fault, power direction change,
  // breaker auxiliary contact fault, CPU, emergency stop button, technological protection.
  std::array<std::uint16_t, kTripCauses> causes{};
  std::uint16_t lastRecord = 0;
  std::uint32_t motorSeconds = 0;
  std::uint32_t maintenanceSeconds = 0;
  std::uint32_t unitSeconds = 0;
};

// `bytes` holds at least kCounterBlockLength bytes; fewer give an empty block.
CounterBlock DecodeCounterBlock(std::span<const std::uint8_t> bytes);

// Hours without limit or leading zeros, then two-digit minutes and seconds: "1234:05:09".
std::string WorkTimeText(std::uint32_t seconds);

// Each cause's share of `total` trips in pixels, 117 standing for all; all zero without trips.
std::array<int, kTripCauses> TripBarWidths(const std::array<std::uint16_t, kTripCauses>& causes, std::uint16_t total);

}  // namespace quillon

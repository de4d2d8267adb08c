#include "link/line_timing.h"

namespace quillon {

namespace {

constexpr unsigned kFixedIntervalAbove = 19200;
constexpr std::chrono::nanoseconds kFixedSilentInterval{1'750'000};

}  // namespace

std::chrono::nanoseconds LineTime(std::size_t bytes, unsigned baud, const CharacterFormat& format) {
  if (baud == 0) return std::chrono::nanoseconds(0);
  const unsigned long long bits = static_cast<unsigned long long>(bytes) * format.Bits();
  return std::chrono::nanoseconds((bits * 1'000'000'000ULL + baud - 1) / baud);
}

std::chrono::nanoseconds ThreeAndAHalfCharacters(unsigned baud, const CharacterFormat& format) {
  if (baud == 0) return std::chrono::nanoseconds(0);
  const unsigned long long halfBits = 7ULL * format.Bits();  // 3.5 characters in half bits
  return std::chrono::nanoseconds((halfBits * 500'000'000ULL + baud - 1) / baud);
}

std::chrono::nanoseconds MODBUSSilentInterval(unsigned baud, const CharacterFormat& format) {
  if (baud > kFixedIntervalAbove) return kFixedSilentInterval;
  return ThreeAndAHalfCharacters(baud, format);
}

}  // namespace quillon

#include "text/service_code.h"

#include <array>
#include <cstdint>
#include <span>

namespace quillon {
namespace {

// Each byte is XORed with a key that moves on by 7 per position.
std::string Unscramble(std::span<const std::uint8_t> bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    text.push_back(static_cast<char>(bytes[i] ^ static_cast<std::uint8_t>(0x5A + 7 * i)));
  }
  return text;
}

constexpr std::array<std::uint8_t, 5> kCode = {0x6D, 0x53, 0x5C, 0x59, 0x47};
constexpr std::array<std::uint8_t, 7> kProduct = {0x0B, 0x14, 0x01, 0x03, 0x1A, 0x12, 0xEA};
constexpr std::array<std::uint8_t, 44> kPurpose = {0x8A, 0xC1, 0xB8, 0xDF, 0xA6, 0xCC, 0x54, 0x35, 0x43, 0x1E, 0x70,
                                                   0x12, 0x7E, 0x00, 0x9C, 0x13, 0x76, 0x01, 0x6D, 0x0E, 0x67, 0x3C,
                                                   0x76, 0x2B, 0xBC, 0x29, 0xC0, 0xAA, 0xCE, 0x95, 0xFC, 0x88, 0xEA,
                                                   0xF1, 0x98, 0xFB, 0x87, 0xDA, 0xB4, 0xD3, 0xA2, 0xC3, 0x50, 0x37};
constexpr std::array<std::uint8_t, 27> kTitle = {0x8A, 0xC0, 0xB8, 0xD4, 0xA7, 0xFE, 0x54, 0x3D, 0x42,
                                                 0x2C, 0x70, 0x16, 0x7E, 0x08, 0x6C, 0x7D, 0x1A, 0x64,
                                                 0xF8, 0x0F, 0x58, 0x3D, 0x4E, 0x2B, 0xBF, 0xD9, 0xAE};

}  // namespace

bool IsServiceCode(std::string_view addressText) { return addressText == Unscramble(kCode); }

std::vector<std::string> ServiceWindowLines() {
  return {Unscramble(kTitle), Unscramble(kProduct), Unscramble(kPurpose), std::string("Сборка: ") + __DATE__};
}

}  // namespace quillon

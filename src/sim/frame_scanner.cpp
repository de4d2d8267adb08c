#include "sim/frame_scanner.h"

#include <optional>

namespace quillon::sim {
namespace {

constexpr std::uint8_t kQuBUSStart = 0xA5;
constexpr std::uint8_t kQuBUSEnd = 0x5A;

ScanResult Need() { return {ScanStatus::NeedMore, 0}; }

ScanResult CompleteWhen(std::span<const std::uint8_t> bytes, std::size_t length) {
  return bytes.size() >= length ? ScanResult{ScanStatus::Complete, length} : Need();
}

// A card file name ends with a zero byte; it is at most 255 bytes long.
constexpr std::size_t kMaxCardName = 255;

// Where the name that starts at `from` is terminated; nothing while the terminator has not come.
std::optional<std::size_t> NameEnd(std::span<const std::uint8_t> bytes, std::size_t from) {
  for (std::size_t at = from; at < bytes.size(); ++at) {
    if (bytes[at] == 0x00) return at;
  }
  return std::nullopt;
}

// The card service functions: their names and data carry their own lengths.
ScanResult ScanCard(std::span<const std::uint8_t> bytes) {
  switch (bytes[1]) {
    case 0x20:
      return CompleteWhen(bytes, 4);
    case 0x21:
      return CompleteWhen(bytes, 5);
    case 0x22:
    case 0x25: {
      // Download: a 4-byte offset first, whose zeros are no terminator.
      const std::size_t nameStart = bytes[1] == 0x22 ? 6 : 2;
      const auto end = NameEnd(bytes, nameStart);
      if (!end) return bytes.size() > nameStart + kMaxCardName ? ScanResult{ScanStatus::Unknown, 0} : Need();
      return CompleteWhen(bytes, *end + 3);
    }
    case 0x23: {
      const auto end = NameEnd(bytes, 6);
      if (!end) return bytes.size() > 6 + kMaxCardName ? ScanResult{ScanStatus::Unknown, 0} : Need();
      if (bytes.size() < *end + 2) return Need();
      return CompleteWhen(bytes, *end + 4 + static_cast<std::size_t>(bytes[*end + 1]));
    }
    default:  // 0x24, delete: a counted name
      if (bytes.size() < 3) return Need();
      return CompleteWhen(bytes, 5 + static_cast<std::size_t>(bytes[2]));
  }
}

ScanResult ScanMODBUS(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 2) return Need();
  switch (bytes[1]) {
    case 0x01:
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x05:
    case 0x06:
      return CompleteWhen(bytes, 8);
    case 0x07:
    case 0x0B:
    case 0x0C:
    case 0x11:
    case 0x13:
      return CompleteWhen(bytes, 4);
    case 0x0F:
    case 0x10:
      if (bytes.size() < 7) return Need();
      return CompleteWhen(bytes, 9 + static_cast<std::size_t>(bytes[6]));
    case 0x20:
    case 0x21:
    case 0x22:
    case 0x23:
    case 0x24:
    case 0x25:
      return ScanCard(bytes);
    default:
      return {ScanStatus::Unknown, 0};
  }
}

}  // namespace

bool LooksLikeQuBUS(std::span<const std::uint8_t> frame) {
  return frame.size() >= 4 && frame[0] == kQuBUSStart && frame.back() == kQuBUSEnd &&
         static_cast<std::size_t>(frame[1]) + 3 == frame.size();
}

ScanResult ScanFrame(std::span<const std::uint8_t> bytes, bool acceptQuBUS) {
  if (bytes.empty()) return Need();
  if (acceptQuBUS && bytes[0] == kQuBUSStart) {
    if (bytes.size() < 2) return Need();
    const std::size_t length = static_cast<std::size_t>(bytes[1]) + 3;
    // On a serial line 0xA5 opens a QuBUS frame; only a wrong end byte makes it MODBUS.
    if (bytes.size() < length) return Need();
    if (bytes[length - 1] == kQuBUSEnd) return {ScanStatus::Complete, length};
  }
  return ScanMODBUS(bytes);
}

}  // namespace quillon::sim

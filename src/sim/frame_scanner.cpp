#include "sim/frame_scanner.h"

namespace quillon::sim {
namespace {

constexpr std::uint8_t kQuBUSStart = 0xA5;
constexpr std::uint8_t kQuBUSEnd = 0x5A;

ScanResult Need() { return {ScanStatus::NeedMore, 0}; }

ScanResult CompleteWhen(std::span<const std::uint8_t> bytes, std::size_t length) {
  return bytes.size() >= length ? ScanResult{ScanStatus::Complete, length} : Need();
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
      return CompleteWhen(bytes, 4);
    case 0x0F:
    case 0x10:
      if (bytes.size() < 7) return Need();
      return CompleteWhen(bytes, 9 + static_cast<std::size_t>(bytes[6]));
    default:
      return {ScanStatus::Unknown, 0};
  }
}

}  // namespace

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

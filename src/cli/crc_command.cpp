// quillon-cli crc HEXBYTES...: the CRC16 a MODBUS frame carries.
#include <cstdio>
#include <stdexcept>

#include "cli/commands.h"
#include "cli/link_text.h"
#include "link/crc16.h"
#include "text/numbers.h"

namespace quillon::cli {

int RunCrcCommand(const Args& args) {
  std::vector<std::uint8_t> bytes;
  try {
    bytes = ParseHexBytes(args);
  } catch (const std::invalid_argument& error) {
    return UsageError(std::string("crc: ") + error.what());
  }
  if (bytes.empty()) return UsageError("crc: no bytes given");
  // One CRC call covers at most 255 bytes; a longer input is no frame of this system.
  if (bytes.size() > 255) return UsageError("crc: at most 255 bytes (the longest frame)");
  const std::uint16_t crc = CRC16(bytes.data(), bytes.size());
  const std::uint8_t sent[2] = {static_cast<std::uint8_t>(crc & 0xFF), static_cast<std::uint8_t>(crc >> 8)};
  std::printf("%s %s\n", HexDigits(crc, 4).c_str(), FormatHexBytes(sent, 2).c_str());
  return kExitDone;
}

}  // namespace quillon::cli

#pragma once
// An MBAP frame built by hand, with the header fields a test chooses (a wrong protocol id
// included): transaction id, protocol id, length, then the unit id and PDU.
#include <cstdint>
#include <vector>

namespace quillon::testing {

inline std::vector<std::uint8_t> MbapAdu(std::uint16_t transaction, const std::vector<std::uint8_t>& body,
                                         std::uint16_t protocol = 0) {
  std::vector<std::uint8_t> adu{static_cast<std::uint8_t>(transaction >> 8),
                                static_cast<std::uint8_t>(transaction & 0xFF),
                                static_cast<std::uint8_t>(protocol >> 8),
                                static_cast<std::uint8_t>(protocol & 0xFF),
                                static_cast<std::uint8_t>(body.size() >> 8),
                                static_cast<std::uint8_t>(body.size() & 0xFF)};
  adu.insert(adu.end(), body.begin(), body.end());
  return adu;
}

}  // namespace quillon::testing

#pragma once
// The memory card service's function codes and the first judgement of its answers: kept with the
// link, below the card code, because the traffic monitor judges card answers as the card code
// does.
#include <cstdint>
#include <span>

namespace quillon {

inline constexpr std::uint8_t kCardDiskState = 0x20;
inline constexpr std::uint8_t kCardList = 0x21;
inline constexpr std::uint8_t kCardDownload = 0x22;
inline constexpr std::uint8_t kCardUpload = 0x23;
inline constexpr std::uint8_t kCardDelete = 0x24;
inline constexpr std::uint8_t kCardApply = 0x25;
// The function code with bit 7 set: the card is not initialised or absent.
inline constexpr std::uint8_t kCardAbsentBit = 0x80;
// Missing-file codes; download shares delete's.
inline constexpr std::uint8_t kCardUploadMissing = 0xE3;
inline constexpr std::uint8_t kCardDownloadMissing = 0xE4;
inline constexpr std::uint8_t kCardDeleteMissing = 0xE4;
inline constexpr std::uint8_t kCardApplyMissing = 0xE5;

// An answer whose CRC over all its bytes, checksum included, is 0. Fewer than four bytes (address,
// function, CRC) are no answer at all.
bool CardAnswerValid(std::span<const std::uint8_t> answer);
// A valid answer from the address `request` was sent to, to its function (or the card's own
// codes for it: the function with bit 7, or a missing-file code); anything else is no answer
// to this request.
bool CardAnswerFits(std::span<const std::uint8_t> request, std::span<const std::uint8_t> answer);

}  // namespace quillon

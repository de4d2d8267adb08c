#include "link/card_answer.h"

#include "link/crc16.h"

namespace quillon {

bool CardAnswerValid(std::span<const std::uint8_t> answer) {
  return answer.size() >= 4 && CRC16Long(answer.data(), answer.size()) == 0;
}

bool CardAnswerFits(std::span<const std::uint8_t> request, std::span<const std::uint8_t> answer) {
  if (!CardAnswerValid(answer) || request.size() < 2 || answer[0] != request[0]) return false;
  const std::uint8_t function = request[1];
  const std::uint8_t said = answer[1];
  if (said == function || said == (function | kCardAbsentBit)) return true;
  switch (function) {
    case kCardDownload:
      return said == kCardDownloadMissing;
    case kCardUpload:
      return said == kCardUploadMissing;
    case kCardDelete:
      return said == kCardDeleteMissing;
    case kCardApply:
      return said == kCardApplyMissing;
    default:
      return false;
  }
}

}  // namespace quillon

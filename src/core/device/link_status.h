#pragma once
// How a request to the device ended, and what the engineer is told about it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "link/answers.h"
#include "link/link_error.h"

namespace quillon {

inline constexpr std::uint32_t kStatusRequestError = 0x00100000;  // the device refused the request
inline constexpr std::uint32_t kStatusCrcError = 0x01000000;
inline constexpr std::uint32_t kStatusTransferError = 0x10000000;  // the answer was cut or malformed

// The outcome of one answer: taken, silence (nothing came), or an error status.
struct AnswerVerdict {
  bool accepted = false;
  bool silent = false;
  std::uint32_t status = 0;

  static AnswerVerdict Accepted() { return {true, false, 0}; }
  static AnswerVerdict Silent() { return {false, true, 0}; }
  static AnswerVerdict Error(std::uint32_t status) { return {false, false, status}; }
};

// The verdict of a judged answer: a refusal or another function is a request error, a CRC
// error its own, anything else that is no valid answer a transfer error.
AnswerVerdict VerdictOf(AnswerJudgement judgement);

// Nothing came back. A TCP worker reports its empty wait as one byte, which no MODBUS answer
// can be.
bool IsSilence(std::size_t answerLen, bool tcp);

// The message that ends a request: silence first, then the statuses in a fixed order; a status
// of none of these kinds gives no message.
std::optional<std::string> TimeOutMessage(bool silent, std::uint32_t status);

}  // namespace quillon

#include "link/answers.h"

#include <algorithm>
#include <string_view>

#include "link/buses.h"
#include "link/crc16.h"
#include "text/cp1251.h"

namespace quillon {

namespace {

constexpr std::size_t kMODBUSOverhead = 5;  // slave, function, byte count, two CRC bytes

std::string Cp1251Text(const std::uint8_t* bytes, std::size_t count) {
  return Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(bytes), count));
}

}  // namespace

AnswerJudgement JudgeQuBUSRead(std::size_t answerLen, std::uint32_t expectedLen) {
  if (answerLen == 0 || answerLen > 255) return AnswerJudgement::NoValidAnswer;
  return answerLen == (expectedLen & 0xFF) ? AnswerJudgement::Valid : AnswerJudgement::NoValidAnswer;
}

AnswerJudgement JudgeQuBUSIdentification(std::size_t answerLen) {
  return answerLen >= 1 ? AnswerJudgement::Valid : AnswerJudgement::NoValidAnswer;
}

std::string QuBUSIdentificationText(const std::uint8_t* answer, std::size_t answerLen) {
  if (answerLen == 0) return {};
  return Cp1251Text(answer + 1, std::min<std::size_t>(answer[0], answerLen - 1));
}

AnswerJudgement JudgeMODBUSRead(const std::uint8_t* answer, std::size_t answerLen, MODBUSReadChecks checks) {
  if (answerLen < kMODBUSOverhead) return AnswerJudgement::NoValidAnswer;
  if (checks.crc && CRC16(answer, answerLen) != 0) return AnswerJudgement::CrcError;
  if (checks.function && answer[1] != 0x03) return AnswerJudgement::UnexpectedFunction;
  return AnswerJudgement::Valid;
}

std::size_t DecodeMODBUSRead(const std::uint8_t* answer, std::size_t answerLen, int oddStart, std::uint8_t* image,
                             std::size_t imageSize, std::size_t imageOffset) {
  if (answerLen < kMODBUSOverhead || answerLen > 255) return 0;
  const std::size_t dataLen = answerLen - kMODBUSOverhead;
  std::uint8_t data[255];
  CopyBytes(answer + 3, data, dataLen);
  SwapWordBytes(data, static_cast<int>((dataLen / 2) & 0xFF));
  const std::size_t skip = oddStart ? 1 : 0;
  if (dataLen <= skip || imageOffset >= imageSize) return 0;
  const std::size_t count = std::min(dataLen - skip, imageSize - imageOffset);
  CopyBytes(data + skip, image + imageOffset, count);
  return count;
}

AnswerCheck JudgeMODBUSAnswer(const std::uint8_t* request, std::size_t requestLen, const std::uint8_t* answer,
                              std::size_t answerLen, bool checkCrc) {
  constexpr std::uint8_t kExceptionBit = 0x80;
  constexpr std::size_t kExceptionLength = 5;
  AnswerCheck check;
  if (request == nullptr || requestLen < 2 || answer == nullptr || answerLen < kMODBUSOverhead) return check;
  if (checkCrc && CRC16(answer, answerLen) != 0) {
    check.judgement = AnswerJudgement::CrcError;
    return check;
  }
  if (request[0] == 0 || answer[0] != request[0]) {
    check.judgement = AnswerJudgement::WrongSlave;
    return check;
  }
  const std::uint8_t function = request[1];
  if (answer[1] == (function | kExceptionBit) && answerLen == kExceptionLength) {
    check.judgement = AnswerJudgement::Exception;
    check.exceptionCode = answer[2];
    return check;
  }
  if (answer[1] != function) {
    check.judgement = AnswerJudgement::UnexpectedFunction;
    return check;
  }
  bool lengthRight = true;
  switch (function) {
    case 0x03:
    case 0x04:
      if (requestLen >= 6) {
        const std::size_t registers = (static_cast<std::size_t>(request[4]) << 8) | request[5];
        lengthRight = answer[2] == 2 * registers && answerLen == answer[2] + kMODBUSOverhead;
      }
      break;
    case 0x05:
    case 0x06:
    case 0x10:
      lengthRight = answerLen == 8 && requestLen >= 6 && std::equal(request + 2, request + 6, answer + 2);
      break;
    case 0x11:
      lengthRight = answerLen == answer[2] + kMODBUSOverhead;
      break;
    default:
      break;
  }
  check.judgement = lengthRight ? AnswerJudgement::Valid : AnswerJudgement::NoValidAnswer;
  return check;
}

std::string ExceptionText(std::uint8_t code) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return std::string("EXC ") + kDigits[code >> 4] + kDigits[code & 0x0F];
}

AnswerJudgement JudgeMODBUSReportSlaveID(const std::uint8_t* answer, std::size_t answerLen) {
  if (answerLen < kMODBUSOverhead) return AnswerJudgement::NoValidAnswer;
  if (CRC16(answer, answerLen) != 0) return AnswerJudgement::CrcError;
  if (answer[1] != 0x11) return AnswerJudgement::UnexpectedFunction;
  return AnswerJudgement::Valid;
}

std::string MODBUSReportSlaveIDText(const std::uint8_t* answer, std::size_t answerLen) {
  if (answerLen < kMODBUSOverhead) return {};
  return Cp1251Text(answer + 3, std::min<std::size_t>(answer[2], answerLen - kMODBUSOverhead));
}

}  // namespace quillon

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

AnswerJudgement JudgeMODBUSRead(const std::uint8_t* answer, std::size_t answerLen, bool checkCrc, bool checkFunction) {
  if (answerLen < kMODBUSOverhead) return AnswerJudgement::NoValidAnswer;
  if (checkCrc && CRC16(answer, answerLen) != 0) return AnswerJudgement::CrcError;
  if (checkFunction && answer[1] != 0x03) return AnswerJudgement::UnexpectedFunction;
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

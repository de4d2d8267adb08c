#pragma once
// Judging the raw answers the workers deliver. Answers come from a line and are untrusted:
// every count taken from one is checked against the bytes that actually arrived.
#include <cstddef>
#include <cstdint>
#include <string>

namespace quillon {

enum class AnswerJudgement {
  Valid,
  NoValidAnswer,       // nothing, too short or the wrong length ("DNR!")
  CrcError,            // "CRC!"
  UnexpectedFunction,  // a MODBUS answer to another function than the one asked
  Exception,           // the device refused the request with a MODBUS exception code
  WrongSlave,          // a MODBUS answer from another address than the one asked
};

// A judgement with the exception code when the device refused the request.
struct AnswerCheck {
  AnswerJudgement judgement = AnswerJudgement::NoValidAnswer;
  std::uint8_t exceptionCode = 0;
  bool Valid() const { return judgement == AnswerJudgement::Valid; }
};

// Every MODBUS answer judged against the request it answers, in this order: nothing or fewer
// than 5 bytes is no answer; with `checkCrc` a CRC over the whole answer that is not 0 is a CRC
// error; another slave address; the request's function with the exception bit and a code, in
// the five bytes of an exception answer; another function; and, for the functions whose answer
// length the request fixes (reads 0x03/0x04: a byte count of twice the registers asked, writes
// 0x05/0x06/0x10: the echo of address and quantity, report slave ID 0x11: its own byte count),
// any other length. A request to address 0 (broadcast) has no answer to judge.
AnswerCheck JudgeMODBUSAnswer(const std::uint8_t* request, std::size_t requestLen, const std::uint8_t* answer,
                              std::size_t answerLen, bool checkCrc = true);

// The text shown for a refused request: "EXC " and the code as two hex digits ("EXC 02").
std::string ExceptionText(std::uint8_t code);

// A QuBUS read answers with exactly the requested byte count (the low byte of `expectedLen`),
// nothing else. An empty answer never counts, nor one longer than a count byte can ask for.
AnswerJudgement JudgeQuBUSRead(std::size_t answerLen, std::uint32_t expectedLen);

// A QuBUS identification answer is a counted string; any byte at all is accepted.
AnswerJudgement JudgeQuBUSIdentification(std::size_t answerLen);
// The counted string at the start of the answer (Windows-1251 turned into UTF-8), cut at the
// bytes that actually arrived.
std::string QuBUSIdentificationText(const std::uint8_t* answer, std::size_t answerLen);

// What a MODBUS read answer is checked for beyond its length.
struct MODBUSReadChecks {
  // A CRC over the whole answer that is not 0 is a CRC error.
  bool crc = true;
  // A function code other than 3 is an unexpected function.
  bool function = true;
};

// MODBUS read holding registers: slave, 0x03, byte count, data, CRC. Fewer than 5 bytes is no
// valid answer; then the CRC and the function code are judged as `checks` asks.
AnswerJudgement JudgeMODBUSRead(const std::uint8_t* answer, std::size_t answerLen, MODBUSReadChecks checks = {});

// Copies the data of a judged MODBUS read answer into a memory image: the answerLen - 5 bytes
// from offset 3, each word swapped to memory order, skipping the first data byte when
// `oddStart` (the span began one byte into its first register), to `image` + `imageOffset`.
// Bytes that would fall outside the image are dropped. Returns the number of bytes copied.
std::size_t DecodeMODBUSRead(const std::uint8_t* answer, std::size_t answerLen, int oddStart, std::uint8_t* image,
                             std::size_t imageSize, std::size_t imageOffset);

// MODBUS report slave ID: slave, 0x11, byte count n, n bytes of text, CRC.
AnswerJudgement JudgeMODBUSReportSlaveID(const std::uint8_t* answer, std::size_t answerLen);
// The identification text (UTF-8), its count bounded by the bytes that arrived.
std::string MODBUSReportSlaveIDText(const std::uint8_t* answer, std::size_t answerLen);

}  // namespace quillon

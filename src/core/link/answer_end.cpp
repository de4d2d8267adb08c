#include "link/answer_end.h"

#include "link/buses.h"
#include "link/crc16.h"

namespace quillon {

namespace {

constexpr std::uint8_t kQuBUSStart = 0xA5;
constexpr std::uint8_t kQuBUSEnd = 0x5A;
constexpr std::size_t kMODBUSExceptionLength = 5;
constexpr std::size_t kMODBUSWriteAnswerLength = 8;
constexpr std::uint8_t kFirstCardFunction = 0x20;
constexpr std::uint8_t kLastCardFunction = 0x25;
// A card answer that is only a code (card absent, file missing): address, code, CRC.
constexpr std::size_t kCardCodeAnswerLength = 4;

bool CrcHolds(const std::uint8_t* frame, std::size_t length) {
  return length >= 4 && length <= 255 && CRC16(frame, length) == 0;
}

// The QuBUS length byte counts the bytes between it and the closing 0x5A.
bool IsQuBUS(const std::uint8_t* frame, std::size_t length) {
  return length >= 4 && frame[0] == kQuBUSStart && frame[length - 1] == kQuBUSEnd && frame[1] == length - 3;
}

std::uint16_t Word(const std::uint8_t* bytes) { return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]); }

}  // namespace

AnswerEnd AnswerEnd::ForRequest(const std::uint8_t* request, std::size_t length) {
  AnswerEnd end;
  if (request == nullptr) return end;
  // MODBUS first: a frame must pass its CRC and the layout of its function, which no QuBUS
  // frame of the same length can (a QuBUS read is 7 bytes, a MODBUS read 8; a QuBUS write long
  // enough to pass as a MODBUS write would need a register count its count byte contradicts).
  if (CrcHolds(request, length)) {
    const std::uint8_t function = request[1];
    if (function == kMODBUSReadHoldingRegisters && length == 8) {
      const std::uint16_t registers = Word(request + 4);
      if (registers >= 1 && registers <= 125) end.expected_ = 5 + 2 * std::size_t{registers};
    } else if (function == kMODBUSWriteMultipleRegisters && length >= 9 && request[6] == length - 9 &&
               request[6] == 2 * Word(request + 4)) {
      end.expected_ = kMODBUSWriteAnswerLength;
    }
    // Anything else (report slave ID, the service tools' own functions) has an answer whose
    // length only the answer tells: the pause ends it, unless it is an exception or a card
    // answer.
    if (end.expected_ || !IsQuBUS(request, length)) {
      end.modbus_ = true;
      end.card_ = function >= kFirstCardFunction && function <= kLastCardFunction;
      end.slave_ = request[0];
      end.function_ = function;
      return end;
    }
  }
  // A QuBUS read answers with exactly as many bytes as it asks for; the identification and
  // write answers carry no length known in advance.
  if (IsQuBUS(request, length) && length == 7 && request[5] != 0 && request[2] >= 3 && request[2] <= 5)
    end.expected_ = request[5];
  return end;
}

// The length a card answer has by its function, or by the count in its header; a code answer
// (another function byte) is four bytes. Taken only when the CRC over that length holds, so a
// block whose count byte was garbled still ends at the pause.
bool AnswerEnd::CardAnswerComplete(const std::uint8_t* answer, std::size_t count) const {
  if (count < kCardCodeAnswerLength || answer[0] != slave_) return false;
  std::size_t length = kCardCodeAnswerLength;
  if (answer[1] == function_) {
    switch (function_) {
      case 0x20:  // the disk size, a 32-bit number
        length = 8;
        break;
      case 0x21:  // a list entry's name, or a file block, counted in the third byte
      case 0x22:
        length = 5 + std::size_t{answer[2]};
        break;
      case 0x23:  // the upload's status byte
        length = 5;
        break;
      default:
        break;
    }
  }
  return count == length && CRC16(answer, count) == 0;
}

bool AnswerEnd::Complete(const std::uint8_t* answer, std::size_t count) const {
  if (answer == nullptr || count == 0) return false;
  if (expected_ && count == *expected_) return true;
  if (card_ && CardAnswerComplete(answer, count)) return true;
  return modbus_ && count == kMODBUSExceptionLength && answer[0] == slave_ && answer[1] == (function_ | 0x80) &&
         CRC16(answer, count) == 0;
}

}  // namespace quillon

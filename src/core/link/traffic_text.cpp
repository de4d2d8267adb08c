#include "link/traffic_text.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <span>

#include "link/answers.h"
#include "link/card_answer.h"

namespace quillon {

namespace {

constexpr std::size_t kMBAPHeader = 7;
constexpr std::uint8_t kQuBUSStart = 0xA5;

std::string Format(const char* format, auto... values) {
  char text[96];
  const int length = std::snprintf(text, sizeof text, format, values...);
  return std::string(text, length < 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(length), sizeof text - 1));
}

unsigned Word(const std::uint8_t* bytes) { return (static_cast<unsigned>(bytes[0]) << 8) | bytes[1]; }

const char* AreaOf(std::uint8_t code) {
  switch (code) {
    case 3:
    case 0x10:
      return "RAM";
    case 4:
    case 0x11:
      return "XRAM";
    case 5:
    case 0x12:
      return "FLASH";
    default:
      return nullptr;
  }
}

// A QuBUS request: identification, a memory read or write, or another command by its code.
std::string QuBUSRequest(const std::uint8_t* bytes, std::size_t length) {
  if (length < 4 || bytes[0] != kQuBUSStart) return "QuBUS ?";
  if (bytes[1] == 0x01 && bytes[2] == 0x00) return "QuBUS ident";
  const char* area = AreaOf(bytes[2]);
  if (area != nullptr && length >= 7) {
    const char* what = bytes[2] < 0x10 ? "read" : "write";
    return Format("QuBUS %s %s 0x%04X n=%u", what, area, Word(bytes + 3), static_cast<unsigned>(bytes[5]));
  }
  return Format("QuBUS cmd 0x%02X", static_cast<unsigned>(bytes[2]));
}

// A MODBUS request's PDU after its address: function, then register and count as far as the
// function has them.
std::string MODBUSRequest(const char* protocol, std::uint8_t address, const std::uint8_t* pdu, std::size_t length) {
  if (length == 0) return Format("%s %u ?", protocol, static_cast<unsigned>(address));
  const unsigned function = pdu[0];
  const unsigned slave = address;
  if ((function == 0x03 || function == 0x04) && length >= 5)
    return Format("%s %u %02X read reg %u n=%u", protocol, slave, function, Word(pdu + 1), Word(pdu + 3));
  if (function == 0x06 && length >= 5)
    return Format("%s %u %02X write reg %u =0x%04X", protocol, slave, function, Word(pdu + 1), Word(pdu + 3));
  if (function == 0x10 && length >= 5)
    return Format("%s %u %02X write reg %u n=%u", protocol, slave, function, Word(pdu + 1), Word(pdu + 3));
  if (function == 0x11) return Format("%s %u %02X report slave ID", protocol, slave, function);
  if (function >= kCardDiskState && function <= kCardApply) return Format("%s %u %02X card", protocol, slave, function);
  return Format("%s %u %02X", protocol, slave, function);
}

// A MODBUS answer's PDU: an exception, or the function with the register asked for (from the
// request's head) and the byte count of a read.
std::string MODBUSAnswer(const char* protocol, std::uint8_t address, const std::uint8_t* pdu, std::size_t length,
                         const TrafficFrame& frame) {
  if (length == 0) return Format("%s %u ?", protocol, static_cast<unsigned>(address));
  const unsigned function = pdu[0];
  const unsigned slave = address;
  if ((function & 0x80) != 0 && length >= 2)
    return Format("%s %u %02X exception %02X", protocol, slave, function, static_cast<unsigned>(pdu[1]));
  const bool read = function == 0x03 || function == 0x04;
  if (read && frame.requestLength >= 6 && frame.request[1] == function && length >= 2) {
    return Format("%s %u %02X reg %u n=%u bytes=%u", protocol, slave, function, Word(frame.request.data() + 2),
                  Word(frame.request.data() + 4), static_cast<unsigned>(pdu[1]));
  }
  if ((function == 0x06 || function == 0x10) && length >= 5)
    return Format("%s %u %02X write reg %u n=%u", protocol, slave, function, Word(pdu + 1), Word(pdu + 3));
  return MODBUSRequest(protocol, address, pdu, length);
}

std::string QuBUSAnswer(const TrafficFrame& frame) {
  const std::string asked = frame.requestLength > 0 ? QuBUSRequest(frame.request.data(), frame.requestLength) : "QuBUS";
  return asked + Format(": %u bytes", static_cast<unsigned>(frame.wireLength));
}

}  // namespace

std::string VerdictText(const TrafficFrame& frame) {
  switch (frame.verdict) {
    case FrameVerdict::None:
      return {};
    case FrameVerdict::OK:
      return "OK";
    case FrameVerdict::CRC:
      return "CRC";
    case FrameVerdict::EXC:
      return ExceptionText(frame.exceptionCode);
    case FrameVerdict::Timeout:
      return "TIMEOUT";
    case FrameVerdict::Mismatch:
      return "MISMATCH";
    case FrameVerdict::Late:
      return "LATE";
  }
  return {};
}

std::string FrameSummary(const TrafficFrame& frame) {
  const bool tx = frame.direction == FrameDirection::TX;
  const std::uint8_t* bytes = frame.bytes.data();
  const std::size_t length = frame.length;
  switch (frame.framing) {
    case FrameFraming::QuBUS:
      if (!tx) return length == 0 && frame.verdict == FrameVerdict::Timeout ? "QuBUS" : QuBUSAnswer(frame);
      return QuBUSRequest(bytes, length);
    case FrameFraming::MODBUSRTU: {
      if (length == 0) return "MODBUS RTU";
      // The CRC is no part of the summary.
      const std::size_t pdu = length >= 4 ? length - 3 : length - 1;
      return tx ? MODBUSRequest("MODBUS RTU", bytes[0], bytes + 1, pdu)
                : MODBUSAnswer("MODBUS RTU", bytes[0], bytes + 1, pdu, frame);
    }
    case FrameFraming::MBAP: {
      if (length < kMBAPHeader) return "MODBUS TCP/IP";
      const std::string head = Format("MODBUS TCP/IP tid=%u", Word(bytes));
      const std::uint8_t* pdu = bytes + kMBAPHeader;
      const std::size_t pduLength = length - kMBAPHeader;
      return tx ? MODBUSRequest(head.c_str(), bytes[6], pdu, pduLength)
                : MODBUSAnswer(head.c_str(), bytes[6], pdu, pduLength, frame);
    }
  }
  return {};
}

std::string FrameHex(const TrafficFrame& frame) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(frame.length * 3 + 4);
  for (std::size_t i = 0; i < frame.length; ++i) {
    if (i > 0) text += ' ';
    text += kDigits[frame.bytes[i] >> 4];
    text += kDigits[frame.bytes[i] & 0x0F];
  }
  if (frame.wireLength > frame.length) text += " …";
  return text;
}

std::string FrameTime(std::int64_t timeUs) {
  const std::time_t seconds = static_cast<std::time_t>(timeUs / 1000000);
  const long micros = static_cast<long>(timeUs % 1000000);
  std::tm local{};
  ::localtime_r(&seconds, &local);
  return Format("%02d:%02d:%02d.%06ld", local.tm_hour, local.tm_min, local.tm_sec, micros);
}

std::string TraceLine(const TrafficFrame& frame) {
  std::string line = FrameTime(frame.timeUs);
  line += frame.direction == FrameDirection::TX ? "\tTX\t" : "\tRX\t";
  line += FrameHex(frame);
  line += '\t';
  line += FrameSummary(frame);
  line += '\t';
  line += VerdictText(frame);
  return line;
}

std::optional<std::uint8_t> FrameAddress(const TrafficFrame& frame) {
  switch (frame.framing) {
    case FrameFraming::QuBUS:
      return std::nullopt;
    case FrameFraming::MODBUSRTU:
      if (frame.length >= 1) return frame.bytes[0];
      if (frame.requestLength >= 1) return frame.request[0];
      return std::nullopt;
    case FrameFraming::MBAP:
      if (frame.length >= kMBAPHeader) return frame.bytes[6];
      if (frame.requestLength >= 1) return frame.request[0];
      return std::nullopt;
  }
  return std::nullopt;
}

FrameVerdict JudgeFrame(bool modbus, const std::uint8_t* request, std::size_t requestLen, std::uint32_t expectedLen,
                        const std::uint8_t* answer, std::size_t answerLen, std::uint8_t& exceptionCode) {
  exceptionCode = 0;
  if (modbus) {
    // A broadcast asks for no answer, so its silence is right.
    if (requestLen >= 1 && request[0] == 0 && answerLen == 0) return FrameVerdict::OK;
    if (answerLen == 0) return FrameVerdict::Timeout;
    // The card service's answers have codes of their own, judged as the card code judges them.
    if (requestLen >= 2 && request[1] >= kCardDiskState && request[1] <= kCardApply) {
      const std::span<const std::uint8_t> answerBytes(answer, answerLen);
      if (answerLen >= 4 && !CardAnswerValid(answerBytes)) return FrameVerdict::CRC;
      return CardAnswerFits(std::span(request, requestLen), answerBytes) ? FrameVerdict::OK : FrameVerdict::Mismatch;
    }
    const AnswerCheck check = JudgeMODBUSAnswer(request, requestLen, answer, answerLen);
    switch (check.judgement) {
      case AnswerJudgement::Valid:
        return FrameVerdict::OK;
      case AnswerJudgement::CrcError:
        return FrameVerdict::CRC;
      case AnswerJudgement::Exception:
        exceptionCode = check.exceptionCode;
        return FrameVerdict::EXC;
      default:
        return FrameVerdict::Mismatch;
    }
  }
  if (answerLen == 0) return FrameVerdict::Timeout;
  const bool read = requestLen >= 3 && request[0] == kQuBUSStart && request[1] == 0x04;
  if (read)
    return JudgeQuBUSRead(answerLen, expectedLen) == AnswerJudgement::Valid ? FrameVerdict::OK : FrameVerdict::Mismatch;
  // Identification and the tools' own commands: what they answer is judged by their owners.
  return FrameVerdict::OK;
}

}  // namespace quillon

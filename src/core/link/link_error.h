#pragma once
// The one vocabulary for what went wrong on a link, from taking the line to judging an answer,
// and the one function that says it to the engineer. Windows with a short status of their own
// ("DNR!", "CRC!", "EXC 02") map the same kinds.
#include <cstdint>
#include <string>

#include "link/answers.h"

namespace quillon {

inline constexpr const char* kNoAnswerMessage = "Устройство не отвечает";

enum class LinkErrorKind {
  PortUnavailable,  // the serial port does not open (or no socket could be made)
  PortDenied,       // the serial port exists but this user may not open it
  Unreachable,      // no TCP connection to the address
  NoAnswer,         // nothing came back in time
  WrongLength,      // an answer cut short, too long or malformed
  CrcError,         // the answer's check sum is wrong
  Refused,          // the device answered with a MODBUS exception
  OtherAnswer,      // an answer from another address or to another function
};

struct LinkError {
  LinkErrorKind kind = LinkErrorKind::NoAnswer;
  std::string place;               // the port or IP address, for the first two kinds
  std::uint8_t exceptionCode = 0;  // for Refused
};

// The engineer's message: "Порт <place> не существует", a line break, "или занят другой
// программой" for a port or socket that cannot be had; "Нет доступа к порту <place>: пользователь
// должен входить в группу dialout" for a port the user lacks the rights to (on Debian the serial
// devices belong to the group dialout, which a new account is not in); "Устройство не отвечает" for an
// unreachable or silent device; "Ошибка при передаче данных", "Ошибка в контрольной сумме" and
// "Ошибка в запросе данных" (a refusal or an answer to something else) for the answers.
std::string LinkErrorText(const LinkError& error);

// The error a judged answer that is not valid stands for (an empty or short one is WrongLength;
// the caller knows silence apart).
LinkError ErrorOf(const AnswerCheck& check);

}  // namespace quillon

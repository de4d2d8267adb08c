#include "link/link_error.h"

namespace quillon {

std::string LinkErrorText(const LinkError& error) {
  switch (error.kind) {
    case LinkErrorKind::PortUnavailable:
      return "Порт " + error.place + " не существует\nили занят другой программой";
    case LinkErrorKind::PortDenied:
      return "Нет доступа к порту " + error.place + ": пользователь должен входить в группу dialout";
    case LinkErrorKind::Unreachable:
    case LinkErrorKind::NoAnswer:
      return kNoAnswerMessage;
    case LinkErrorKind::WrongLength:
      return "Ошибка при передаче данных";
    case LinkErrorKind::CrcError:
      return "Ошибка в контрольной сумме";
    case LinkErrorKind::Refused:
    case LinkErrorKind::OtherAnswer:
      return "Ошибка в запросе данных";
  }
  return kNoAnswerMessage;
}

LinkError ErrorOf(const AnswerCheck& check) {
  switch (check.judgement) {
    case AnswerJudgement::CrcError:
      return {LinkErrorKind::CrcError, {}, 0};
    case AnswerJudgement::Exception:
      return {LinkErrorKind::Refused, {}, check.exceptionCode};
    case AnswerJudgement::UnexpectedFunction:
    case AnswerJudgement::WrongSlave:
      return {LinkErrorKind::OtherAnswer, {}, 0};
    case AnswerJudgement::Valid:
    case AnswerJudgement::NoValidAnswer:
      break;
  }
  return {LinkErrorKind::WrongLength, {}, 0};
}

}  // namespace quillon

#include "device/link_status.h"

namespace quillon {

bool IsSilence(std::size_t answerLen, bool tcp) { return tcp ? answerLen <= 1 : answerLen == 0; }

AnswerVerdict VerdictOf(AnswerJudgement judgement) {
  switch (judgement) {
    case AnswerJudgement::Valid:
      return AnswerVerdict::Accepted();
    case AnswerJudgement::CrcError:
      return AnswerVerdict::Error(kStatusCrcError);
    case AnswerJudgement::UnexpectedFunction:
    case AnswerJudgement::Exception:
      return AnswerVerdict::Error(kStatusRequestError);
    case AnswerJudgement::NoValidAnswer:
    case AnswerJudgement::WrongSlave:
      break;
  }
  return AnswerVerdict::Error(kStatusTransferError);
}

std::optional<std::string> TimeOutMessage(bool silent, std::uint32_t status) {
  if (silent) return std::string(kNoAnswerMessage);
  if (status == kStatusRequestError) return std::string("Ошибка в запросе данных");
  if (status == kStatusCrcError) return std::string("Ошибка в контрольной сумме");
  if (status == kStatusTransferError) return std::string("Ошибка при передаче данных");
  return std::nullopt;
}

}  // namespace quillon

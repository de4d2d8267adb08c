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
  if (silent) return LinkErrorText({LinkErrorKind::NoAnswer, {}, 0});
  if (status == kStatusRequestError) return LinkErrorText({LinkErrorKind::Refused, {}, 0});
  if (status == kStatusCrcError) return LinkErrorText({LinkErrorKind::CrcError, {}, 0});
  if (status == kStatusTransferError) return LinkErrorText({LinkErrorKind::WrongLength, {}, 0});
  return std::nullopt;
}

}  // namespace quillon

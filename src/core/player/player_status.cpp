#include "player/player_status.h"

#include "player/player_poll.h"

namespace quillon {

bool LinkStatistics::Tick(const std::string& message) {
  ++packets_;
  if (!message.empty()) {
    code_ = message;
    ++errors_;
    return false;
  }
  code_ = kLinkEstablishedText;
  return true;
}

std::string ProgramListMessage(const CardStep& step) {
  switch (step.outcome) {
    case CardOutcome::BadAnswer:
      return kCardBadAnswerMessage;
    case CardOutcome::CardAbsent:
      return kCardAbsentMessage;
    default:
      return step.message;
  }
}

ProgramPanelState ProgramPanelAfterApply(const std::string& message) {
  const bool failed = !message.empty();
  return ProgramPanelState{!failed, failed};
}

}  // namespace quillon

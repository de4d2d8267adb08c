#include "card/card_queries.h"

#include <string_view>
#include <utility>

#include "text/cp1251.h"

namespace quillon {

namespace {

bool Says(std::span<const std::uint8_t> answer, std::uint8_t function) { return answer[1] == function; }

}  // namespace

CardStep CardQuery::End(CardOutcome outcome, std::string message) const {
  return MakeCardStep(Kind(), outcome, std::move(message));
}

CardStep CardQuery::Unanswered(std::span<const std::uint8_t> answer, bool retry) {
  if (retry && ++retries_ <= kCardRetries) return MakeCardStep(Kind());
  return End(CardOutcome::BadAnswer, CardAnswerSilent(answer) ? kCardNoAnswerMessage : std::string());
}

CardDiskStateQuery::CardDiskStateQuery(std::uint8_t address) : CardQuery(BuildCardDiskState(address)) {}

CardStep CardDiskStateQuery::Answer(std::span<const std::uint8_t> answer) {
  if (!CardAnswerFits(request_, answer)) return Unanswered(answer, true);
  if (Says(answer, kCardDiskState | kCardAbsentBit)) return End(CardOutcome::CardAbsent, kCardAbsentMessage);
  auto size = CardDiskSizeText(answer);
  if (!size) return End(CardOutcome::BadAnswer);
  CardStep step = End(CardOutcome::Done);
  step.diskSize = std::move(size);
  step.diskBytes = CardDiskBytes(answer);
  return step;
}

CardListQuery::CardListQuery(std::uint8_t address, std::size_t maxEntries)
    : CardQuery(BuildCardList(address, true)), address_(address), maxEntries_(maxEntries) {}

CardStep CardListQuery::Answer(std::span<const std::uint8_t> answer) {
  if (!CardAnswerFits(request_, answer)) return Unanswered(answer, true);
  if (Says(answer, kCardList | kCardAbsentBit)) return End(CardOutcome::CardAbsent);
  const auto name = Says(answer, kCardList) ? CardCountedData(answer) : std::nullopt;
  if (!name) return Unanswered(answer, true);
  AnswerTaken();
  if (name->empty()) return End(CardOutcome::Done);
  const std::string wire(name->begin(), name->end());
  if (seen_.count(wire) != 0) return End(CardOutcome::BadAnswer, kCardListRepeatsMessage);
  if (seen_.size() >= maxEntries_) return End(CardOutcome::BadAnswer, CardListTooLongMessage(maxEntries_));
  seen_.insert(wire);
  CardStep step = MakeCardStep(Kind());
  step.fileName = Cp1251ToUtf8(wire);
  request_ = BuildCardList(address_, false);
  return step;
}

CardDeleteQuery::CardDeleteQuery(std::uint8_t address, const std::string& name)
    : CardQuery(BuildCardDelete(address, name)) {}

CardStep CardDeleteQuery::Answer(std::span<const std::uint8_t> answer) {
  if (!CardAnswerFits(request_, answer)) return Unanswered(answer, true);
  if (Says(answer, kCardDelete | kCardAbsentBit)) return End(CardOutcome::CardAbsent);
  // Asked again after an answer that got lost, the file the first request deleted is missing.
  if (Says(answer, kCardDeleteMissing) && !Retried()) return End(CardOutcome::FileMissing);
  CardStep step = End(CardOutcome::Done);
  step.relist = true;
  return step;
}

CardApplyQuery::CardApplyQuery(std::uint8_t address, const std::string& name, TransferCounters& counters)
    : CardQuery(BuildCardApply(address, name)) {
  counters.errors = 0;
  counters.answers = 0;
}

CardStep CardApplyQuery::Answer(std::span<const std::uint8_t> answer) {
  if (!CardAnswerFits(request_, answer)) {
    return End(CardOutcome::BadAnswer, CardAnswerSilent(answer) ? kCardNoAnswerMessage : kCardBadAnswerMessage);
  }
  if (Says(answer, kCardApply | kCardAbsentBit)) return End(CardOutcome::CardAbsent, kCardAbsentMessage);
  if (Says(answer, kCardApplyMissing)) return End(CardOutcome::FileMissing, kCardApplyMissingMessage);
  return End(CardOutcome::Done);
}

}  // namespace quillon

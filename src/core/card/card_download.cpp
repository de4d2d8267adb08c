#include "card/card_download.h"

#include <utility>

namespace quillon {

CardDownload::CardDownload(std::uint8_t address, std::string name, DownloadFile file, TransferCounters& counters)
    : address_(address), name_(std::move(name)), file_(std::move(file)), counters_(counters) {
  counters_.Reset();
  request_ = BuildCardDownload(address_, 0, name_);
}

CardStep CardDownload::Answer(std::span<const std::uint8_t> answer) {
  ++counters_.answers;
  const bool valid = CardAnswerValid(answer);
  const std::uint8_t function = valid ? answer[1] : 0;
  if (valid && function == (kCardDownload | kCardAbsentBit)) return Finish(CardOutcome::CardAbsent, kCardAbsentMessage);
  if (valid && function == kCardDownloadMissing) return Finish(CardOutcome::FileMissing, kCardFileMissingMessage);
  // A block whose count does not fit its length, or an answer to another function, is as
  // useless as one with a bad checksum.
  const auto data = valid && function == kCardDownload ? CardCountedData(answer) : std::nullopt;
  if (!data) {
    ++counters_.errors;
    if (++retries_ > kCardRetries) return Finish(CardOutcome::BadAnswer, kCardReadFailedMessage);
    return MakeCardStep(Kind());
  }
  if (data->empty()) return Finish(CardOutcome::Done, kCardFileReceivedMessage);
  retries_ = 0;
  if (!file_.Append(*data)) return Finish(CardOutcome::LocalFileFailed, FileNotCreatedMessage(file_.Path()));
  // The controller counts in whole blocks, whatever a block carried.
  offset_ += kCardBlockSize;
  counters_.bytes = offset_;
  request_ = BuildCardDownload(address_, offset_, name_);
  return MakeCardStep(Kind());
}

CardStep CardDownload::Finish(CardOutcome outcome, std::string message) {
  if (outcome == CardOutcome::Done && !file_.Commit()) {
    outcome = CardOutcome::LocalFileFailed;
    message = FileNotCreatedMessage(file_.Path());
  }
  file_.Discard();
  return MakeCardStep(Kind(), outcome, std::move(message));
}

}  // namespace quillon

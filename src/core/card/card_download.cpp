#include "card/card_download.h"

#include <algorithm>
#include <utility>

namespace quillon {

CardDownload::CardDownload(std::uint8_t address, std::string name, DownloadFile file, TransferCounters& counters,
                           CardSpan span)
    : address_(address),
      name_(std::move(name)),
      file_(std::move(file)),
      counters_(counters),
      span_(span),
      offset_(span.start) {
  counters_.Reset();
  request_ = BuildCardDownload(address_, offset_, name_);
}

CardStep CardDownload::Answer(std::span<const std::uint8_t> answer) {
  ++counters_.answers;
  const bool valid = CardAnswerFits(request_, answer);
  const std::uint8_t function = valid ? answer[1] : 0;
  if (valid && function == (kCardDownload | kCardAbsentBit)) return Finish(CardOutcome::CardAbsent, kCardAbsentMessage);
  if (valid && function == kCardDownloadMissing) return Finish(CardOutcome::FileMissing, kCardFileMissingMessage);
  // A block whose count does not fit its length, or an answer to another function, is as
  // useless as one with a bad checksum.
  const auto data = valid && function == kCardDownload ? CardCountedData(answer) : std::nullopt;
  if (!data) {
    ++counters_.errors;
    if (++retries_ > kCardRetries) {
      return Finish(CardOutcome::BadAnswer, CardAnswerSilent(answer) ? kCardNoAnswerMessage : kCardReadFailedMessage);
    }
    return MakeCardStep(Kind());
  }
  if (data->empty()) return Finish(CardOutcome::Done, kCardFileReceivedMessage);
  retries_ = 0;
  // Only the last block of a file is short: data after one means blocks that do not belong
  // together, and such a file would differ from the card's.
  if (shortBlockSeen_) return Finish(CardOutcome::BadAnswer, kCardDownloadInconsistentMessage);
  if (data->size() > kCardBlockSize) return Finish(CardOutcome::BadAnswer, kCardDownloadInconsistentMessage);
  // A controller that never sends the short last block would have the 32-bit offset wrap round
  // and the file grow without end.
  if (std::uint64_t{offset_} + data->size() > kCardMaxFileSize) {
    return Finish(CardOutcome::BadAnswer, kCardDownloadTooLongMessage);
  }
  shortBlockSeen_ = data->size() < kCardBlockSize;
  std::span<const std::uint8_t> wanted = *data;
  if (span_.limit != 0) wanted = wanted.first(std::min<std::size_t>(wanted.size(), span_.limit - received_));
  if (!file_.Append(wanted)) return Finish(CardOutcome::LocalFileFailed, FileNotCreatedMessage(file_.Path()));
  received_ += static_cast<std::uint32_t>(wanted.size());
  // The controller counts in whole blocks, whatever a block carried.
  offset_ += kCardBlockSize;
  counters_.bytes = offset_ - span_.start;
  if (span_.limit != 0 && received_ >= span_.limit) return Finish(CardOutcome::Done, kCardFileReceivedMessage);
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

#include "card/card_upload.h"

#include <algorithm>
#include <utility>

namespace quillon {

CardUpload::CardUpload(std::uint8_t address, std::string name, UploadSource source, TransferCounters& counters,
                       std::uint64_t maxFileSize)
    : address_(address),
      name_(std::move(name)),
      source_(std::move(source)),
      counters_(counters),
      maxFileSize_(std::min(maxFileSize, kCardMaxFileSize)) {
  counters_.Reset(static_cast<std::uint32_t>(std::min(source_.Size(), kCardMaxFileSize)));
  ReadBlock();
}

void CardUpload::ReadBlock() {
  block_ = source_.Read(offset_, kCardBlockSize);
  request_ = BuildCardUpload(address_, offset_, name_, block_);
}

CardStep CardUpload::Answer(std::span<const std::uint8_t> answer) {
  ++counters_.answers;
  const bool valid = CardAnswerFits(request_, answer);
  const std::uint8_t function = valid ? answer[1] : 0;
  if (valid && function == (kCardUpload | kCardAbsentBit)) return Finish(CardOutcome::CardAbsent, kCardAbsentMessage);
  if (valid && function == kCardUploadMissing) return Finish(CardOutcome::FileMissing, kCardFileMissingMessage);
  // Only address, function, status (0: the file ends here, 1: more may follow) and CRC say that
  // a block was stored; any other answer of this function, however its checksum came out, says
  // nothing of the kind.
  if (!valid || function != kCardUpload || answer.size() != 5 || answer[2] > 1) {
    ++counters_.errors;
    if (++retries_ > kCardRetries) {
      return Finish(CardOutcome::BadAnswer, CardAnswerSilent(answer) ? kCardNoAnswerMessage : kCardWriteFailedMessage);
    }
    // The block is read again from its start, as the file stood when it was first read.
    ReadBlock();
    return MakeCardStep(Kind());
  }
  // The controller ends the file at this block; that is the file only when it was the last.
  if (answer[2] == 0) {
    const bool last = offset_ + block_.size() >= source_.Size();
    return last ? Finish(CardOutcome::Done, kCardFileReceivedMessage)
                : Finish(CardOutcome::BadAnswer, kCardUploadStoppedMessage);
  }
  retries_ = 0;
  offset_ += static_cast<std::uint32_t>(block_.size());
  counters_.bytes = offset_;
  ReadBlock();
  if (block_.empty()) return Finish(CardOutcome::Done, kCardFileReceivedMessage);
  // A file that grew while it went: the offsets would wrap round and the upload never end.
  if (offset_ + block_.size() > maxFileSize_) return Finish(CardOutcome::BadAnswer, kCardUploadTooLargeMessage);
  return MakeCardStep(Kind());
}

CardStep CardUpload::Finish(CardOutcome outcome, std::string message) {
  source_.Close();
  return MakeCardStep(Kind(), outcome, std::move(message));
}

}  // namespace quillon

#pragma once
// A PC file written to the card block by block.
#include <string>
#include <vector>

#include "card/card_operation.h"
#include "card/upload_source.h"

namespace quillon {

// Whether a file of `size` bytes can go to the card at all. One that cannot is refused before its
// first block: the card would keep what came of it.
inline bool CardUploadFits(std::uint64_t size, std::uint64_t maxFileSize = kCardMaxFileSize) {
  return size <= maxFileSize;
}

class CardUpload : public CardOperation {
 public:
  // `counters` must outlive the operation; they are zeroed here and given the file's size. The
  // first block is read at once: an empty file goes as one block of no bytes. The source must fit
  // (CardUploadFits); one that grows past `maxFileSize` while it goes ends the upload there.
  CardUpload(std::uint8_t address, std::string name, UploadSource source, TransferCounters& counters,
             std::uint64_t maxFileSize = kCardMaxFileSize);

  CardKind Kind() const override { return CardKind::Upload; }
  const CardFrame& Request() const override { return request_; }
  std::uint32_t DelayMs() const override { return kCardTransferDelayMs; }
  CardStep Answer(std::span<const std::uint8_t> answer) override;

 private:
  void ReadBlock();
  CardStep Finish(CardOutcome outcome, std::string message);

  std::uint8_t address_;
  std::string name_;
  UploadSource source_;
  TransferCounters& counters_;
  std::uint64_t maxFileSize_;
  std::uint32_t offset_ = 0;
  unsigned retries_ = 0;
  std::vector<std::uint8_t> block_;
  CardFrame request_;
};

}  // namespace quillon

#pragma once
// A PC file written to the card block by block.
#include <string>
#include <vector>

#include "card/card_operation.h"
#include "card/upload_source.h"

namespace quillon {

class CardUpload : public CardOperation {
 public:
  // `counters` must outlive the operation; they are zeroed here and given the file's size. The
  // first block is read at once: an empty file goes as one block of no bytes.
  CardUpload(std::uint8_t address, std::string name, UploadSource source, TransferCounters& counters);

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
  std::uint32_t offset_ = 0;
  unsigned retries_ = 0;
  std::vector<std::uint8_t> block_;
  CardFrame request_;
};

}  // namespace quillon

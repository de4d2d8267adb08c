#pragma once
// A file read from the card block by block into a PC file.
#include <string>

#include "card/card_operation.h"
#include "card/download_file.h"

namespace quillon {

// A stretch of a file: from the byte offset `start`, at most `limit` bytes (0: to the end).
struct CardSpan {
  std::uint32_t start = 0;
  std::uint32_t limit = 0;
};

class CardDownload : public CardOperation {
 public:
  // `counters` must outlive the operation; they are zeroed here.
  CardDownload(std::uint8_t address, std::string name, DownloadFile file, TransferCounters& counters,
               CardSpan span = {});

  CardKind Kind() const override { return CardKind::Download; }
  const CardFrame& Request() const override { return request_; }
  std::uint32_t DelayMs() const override { return kCardTransferDelayMs; }
  CardStep Answer(std::span<const std::uint8_t> answer) override;

 private:
  CardStep Finish(CardOutcome outcome, std::string message);

  std::uint8_t address_;
  std::string name_;
  DownloadFile file_;
  TransferCounters& counters_;
  CardSpan span_;
  std::uint32_t offset_ = 0;
  std::uint32_t received_ = 0;
  unsigned retries_ = 0;
  CardFrame request_;
  bool shortBlockSeen_ = false;
};

}  // namespace quillon

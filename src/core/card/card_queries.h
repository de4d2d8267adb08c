#pragma once
// The short card operations: the disk state, the file list (one exchange per entry), deleting
// a file and applying one in the device. The disk state, the list and a deletion are asked
// again after an invalid answer, as a transfer block is; applying is not, since the device may
// have carried it out already.
#include <cstddef>
#include <set>
#include <string>

#include "card/card_operation.h"

namespace quillon {

// Base of the operations that send the same kind of request after a pause of 100 ms.
class CardQuery : public CardOperation {
 public:
  const CardFrame& Request() const override { return request_; }
  std::uint32_t DelayMs() const override { return kCardQueryDelayMs; }

 protected:
  explicit CardQuery(CardFrame request) : request_(std::move(request)) {}
  CardStep End(CardOutcome outcome, std::string message = {}) const;
  // An answer that is none to this request: the same request again while retries last, then
  // the end, told as silence when nothing came at all.
  CardStep Unanswered(std::span<const std::uint8_t> answer, bool retry);
  bool Retried() const { return retries_ > 0; }
  void AnswerTaken() { retries_ = 0; }

  CardFrame request_;

 private:
  unsigned retries_ = 0;
};

class CardDiskStateQuery : public CardQuery {
 public:
  explicit CardDiskStateQuery(std::uint8_t address);
  CardKind Kind() const override { return CardKind::DiskState; }
  // A valid answer gives the disk size text (or the message of a missing card); an invalid one
  // gives nothing, so "---" stays.
  CardStep Answer(std::span<const std::uint8_t> answer) override;
};

class CardListQuery : public CardQuery {
 public:
  explicit CardListQuery(std::uint8_t address, std::size_t maxEntries = kCardMaxListEntries);
  CardKind Kind() const override { return CardKind::List; }
  // Each entry comes with a step that goes on to the next; n = 0 ends the list, and so, without
  // a message, do a missing card and an invalid answer. A name that comes again (the listing
  // came round) or an entry beyond `maxEntries` ends it as a bad answer with a message: a
  // controller that never says n = 0 would keep the list going for ever.
  CardStep Answer(std::span<const std::uint8_t> answer) override;

 private:
  std::uint8_t address_;
  std::size_t maxEntries_;
  std::set<std::string> seen_;  // the names as they came, in Windows-1251
};

class CardDeleteQuery : public CardQuery {
 public:
  CardDeleteQuery(std::uint8_t address, const std::string& name);
  CardKind Kind() const override { return CardKind::Delete; }
  // Only a confirmed deletion asks for the list again; nothing is shown either way.
  CardStep Answer(std::span<const std::uint8_t> answer) override;
};

class CardApplyQuery : public CardQuery {
 public:
  // The error and block counters are zeroed.
  CardApplyQuery(std::uint8_t address, const std::string& name, TransferCounters& counters);
  CardKind Kind() const override { return CardKind::Apply; }
  CardStep Answer(std::span<const std::uint8_t> answer) override;
};

}  // namespace quillon

#pragma once
// The event tool's two single exchanges, carried by a card link (the same kind of record on
// the same workers): the oscillogram rate request and the counter change. Each is one request
// and one answer (no repeat); its step ends the exchange.
#include <atomic>
#include <cstdint>
#include <string_view>

#include "card/card_operation.h"

namespace quillon {

class OscRateQuery : public CardOperation {
 public:
  explicit OscRateQuery(std::uint8_t address);
  // Card kinds say nothing here; the tool's handler knows what it started.
  CardKind Kind() const override { return CardKind::DiskState; }
  const CardFrame& Request() const override { return request_; }
  std::uint32_t DelayMs() const override { return 0; }
  // Done with Rate() set, or BadAnswer.
  CardStep Answer(std::span<const std::uint8_t> answer) override;
  std::uint8_t Rate() const { return rate_.load(); }

 private:
  CardFrame request_;
  std::atomic<std::uint8_t> rate_{0};
};

class CounterChange : public CardOperation {
 public:
  // A slave address text that is no number throws ConversionError.
  CounterChange(std::string_view slaveAddress, std::uint32_t value);
  CardKind Kind() const override { return CardKind::Apply; }
  const CardFrame& Request() const override { return request_; }
  std::uint32_t DelayMs() const override { return 0; }
  // The answer is not judged: the tool says nothing after a change.
  CardStep Answer(std::span<const std::uint8_t> answer) override;

 private:
  CardFrame request_;
};

}  // namespace quillon

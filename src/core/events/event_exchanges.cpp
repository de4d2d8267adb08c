#include "events/event_exchanges.h"

#include "events/event_frames.h"

namespace quillon {

OscRateQuery::OscRateQuery(std::uint8_t address) : request_(BuildOscRateRequest(address)) {}

CardStep OscRateQuery::Answer(std::span<const std::uint8_t> answer) {
  const auto rate = OscRateFromAnswer(request_, answer);
  if (!rate) return MakeCardStep(Kind(), CardOutcome::BadAnswer, kOscRateCrcErrorText);
  rate_ = *rate;
  return MakeCardStep(Kind(), CardOutcome::Done);
}

CounterChange::CounterChange(std::string_view slaveAddress, std::uint32_t value)
    : request_(BuildCounterChange(slaveAddress, value)) {}

CardStep CounterChange::Answer(std::span<const std::uint8_t>) { return MakeCardStep(Kind(), CardOutcome::Done); }

}  // namespace quillon

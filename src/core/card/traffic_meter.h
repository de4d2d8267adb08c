#pragma once
// The transfer window's figures, worked out on every tick of its 250 ms timer.
#include <cstdint>
#include <string>

#include "card/card_operation.h"

namespace quillon {

inline constexpr int kTrafficTickMs = 250;

struct TrafficTexts {
  std::string bytes;   // lbBytesSend
  std::string speed;   // lbBytesSec
  std::string blocks;  // lbPakets
  std::string errors;  // lbTryCnt
};

class TrafficMeter {
 public:
  // The speed is the bytes moved since the last tick times four; while nothing moves it loses
  // a quarter per tick, and drops to 0 once a quarter of it is less than a byte.
  TrafficTexts Tick(const TransferCounters& counters);
  std::uint32_t Speed() const { return speed_; }

 private:
  std::uint32_t lastBytes_ = 0;
  std::uint32_t speed_ = 0;
};

}  // namespace quillon

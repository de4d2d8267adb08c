#pragma once
// TTimeCnt: a counter of seconds (running hours, say) shown as hours:minutes:seconds.
#include <cstdint>
#include <string>

#include "variables/integer_types.h"

namespace quillon {

class TTimeCnt : public TDWORD {
 public:
  TTimeCnt() : TDWORD("TTimeCnt") {}

  // Hours padded on the left with "_" to 7 characters, then ":MM:SS"; decimals do not apply.
  std::string ValueTextAt(int index, bool strip, int digits) override;
};

std::string ElapsedTimeText(std::uint32_t seconds);

}  // namespace quillon

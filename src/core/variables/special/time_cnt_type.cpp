#include "variables/special/time_cnt_type.h"

#include "text/numbers.h"

namespace quillon {

std::string ElapsedTimeText(std::uint32_t seconds) {
  std::string hours = std::to_string(seconds / 3600);
  if (hours.size() < 7) hours.insert(0, 7 - hours.size(), '_');
  const std::uint32_t minutes = seconds % 3600 / 60;
  const std::uint32_t rest = seconds % 60;
  return hours + ":" + (minutes < 10 ? "0" : "") + std::to_string(minutes) + ":" + (rest < 10 ? "0" : "") +
         std::to_string(rest);
}

std::string TTimeCnt::ValueTextAt(int index, bool, int) {
  return ElapsedTimeText(static_cast<std::uint32_t>(SampleAt(index)));
}

}  // namespace quillon

#include "card/traffic_meter.h"

namespace quillon {

TrafficTexts TrafficMeter::Tick(const TransferCounters& counters) {
  const std::uint32_t bytes = counters.bytes.load();
  const std::uint32_t answers = counters.answers.load();
  const std::uint32_t errors = counters.errors.load();
  const std::uint32_t size = counters.fileSize.load();
  // A new transfer starts the count again from 0: that is no movement.
  const std::uint32_t moved = bytes > lastBytes_ ? bytes - lastBytes_ : 0;
  lastBytes_ = bytes;
  if (moved != 0) {
    speed_ = moved * 4;
  } else {
    const std::uint32_t quarter = speed_ / 4;
    speed_ = quarter < 1 ? 0 : speed_ - quarter;
  }

  TrafficTexts texts;
  texts.bytes = std::to_string(bytes) + " ";
  if (size != 0) texts.bytes += "(" + std::to_string(std::uint64_t{bytes} * 100 / size) + "%)";
  texts.speed = std::to_string(speed_) + " Байт/сек";
  texts.blocks = std::to_string(answers);
  texts.errors = std::to_string(errors);
  if (answers != 0) texts.errors += " (" + std::to_string(std::uint64_t{errors} * 100 / answers) + "%)";
  return texts;
}

}  // namespace quillon

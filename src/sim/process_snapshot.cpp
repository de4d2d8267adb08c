#include "sim/process_snapshot.h"

#include <algorithm>

#include "sim/motion.h"

namespace quillon::sim {
namespace {

// Waveforms repeat within seconds; moments before the start are taken a day later.
constexpr std::int64_t kMotionWrap = 86400;

}  // namespace

ProcessSnapshot::ProcessSnapshot(std::vector<MovingCell> cells, bool moving)
    : cells_(std::move(cells)), moving_(moving) {
  if (!cells_.empty()) {
    base_ = std::min_element(cells_.begin(), cells_.end(), [](const MovingCell& a, const MovingCell& b) {
              return a.address < b.address;
            })->address;
  }
}

ProcessData ProcessSnapshot::Take(const SimMemory& memory, std::int64_t second) {
  ProcessData data{};
  const std::size_t count =
      std::min<std::size_t>(kProcessDataSize, kAreaSize - std::min<std::size_t>(base_, kAreaSize));
  memory.Read(Area::Ram, base_, count, data.data());
  if (!moving_) return data;
  scratch_.Write(Area::Ram, base_, data.data(), count);
  const std::int64_t moment = second >= 0 ? second : second % kMotionWrap + kMotionWrap;
  ApplyMotion(scratch_, cells_, static_cast<double>(moment));
  scratch_.Read(Area::Ram, base_, count, data.data());
  return data;
}

}  // namespace quillon::sim

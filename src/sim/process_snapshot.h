#pragma once
// What a log record keeps of the process: the bytes of RAM from the variable with the lowest
// address on, as the scope would have read them at the moment of the event.
#include <cstdint>
#include <vector>

#include "sim/alarm_log.h"
#include "sim/device_image.h"
#include "sim/sim_memory.h"

namespace quillon::sim {

class ProcessSnapshot {
 public:
  // `cells` are the RAM variables; `moving` says whether they follow their waveforms.
  ProcessSnapshot(std::vector<MovingCell> cells, bool moving);

  // The snapshot at `second` since start; bytes past the end of RAM read as 0.
  ProcessData Take(const SimMemory& memory, std::int64_t second);

 private:
  std::vector<MovingCell> cells_;
  bool moving_;
  std::uint32_t base_ = 0;
  // Where the waveforms are evaluated for a moment other than now, so RAM itself stays as the
  // master last saw it.
  SimMemory scratch_;
};

}  // namespace quillon::sim

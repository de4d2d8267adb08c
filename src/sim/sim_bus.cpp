#include "sim/sim_bus.h"

#include <stdexcept>
#include <utility>

#include "sim/frame_scanner.h"

namespace quillon::sim {

SimBus::SimBus(std::vector<SimController*> controllers) : controllers_(std::move(controllers)) {
  if (controllers_.empty()) throw std::invalid_argument("a line needs at least one controller");
}

SimController* SimBus::ControllerAt(std::uint8_t address) const {
  for (SimController* controller : controllers_) {
    if (controller->Options().slaveAddress == address) return controller;
  }
  return nullptr;
}

Response SimBus::Handle(std::span<const std::uint8_t> frame, bool serialLine, WireFaults wire) {
  // One controller alone answers as it always did, whatever the address (it judges that itself).
  if (controllers_.size() == 1 || frame.empty() || (serialLine && LooksLikeQuBUS(frame))) {
    return controllers_.front()->Handle(frame, serialLine, wire);
  }
  if (frame[0] == 0) {
    for (SimController* controller : controllers_) controller->Handle(frame, serialLine, wire);
    return {};
  }
  if (SimController* controller = ControllerAt(frame[0])) return controller->Handle(frame, serialLine, wire);
  if (Log) {
    Log((serialLine ? "pty " : "tcp ") + HexBytes(frame) + " -> (no answer)  MODBUS: no controller at slave " +
        std::to_string(frame[0]));
  }
  return {};
}

}  // namespace quillon::sim

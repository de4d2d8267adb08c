#pragma once
// The controllers that share one simulated line. A MODBUS request goes to the controller with
// its slave address and to nobody else, as on a real multi-drop line: another address gets no
// answer at all. A broadcast (address 0) reaches every controller and is answered by none.
// QuBUS frames carry no address; the first controller answers them.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "sim/controller.h"

namespace quillon::sim {

class SimBus {
 public:
  // The controllers are not owned; they outlive the bus. The first one answers QuBUS.
  explicit SimBus(std::vector<SimController*> controllers);
  explicit SimBus(SimController& controller) : SimBus(std::vector<SimController*>{&controller}) {}

  Response Handle(std::span<const std::uint8_t> frame, bool serialLine, WireFaults wire = WireFaults::OnAnswer);

  // Called for a request no controller takes (verbose mode).
  std::function<void(const std::string&)> Log;

 private:
  SimController* ControllerAt(std::uint8_t address) const;

  std::vector<SimController*> controllers_;
};

}  // namespace quillon::sim

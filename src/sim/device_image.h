#pragma once
// The simulated controller's starting state, taken from a device file: its identification
// string, its memory areas filled with the base values, the register map and the variables
// that may move.
#include <memory>
#include <string>
#include <vector>

#include "sim/register_map.h"
#include "sim/sim_memory.h"
#include "variables/view_list.h"

namespace quillon::sim {

// A RAM variable as the motion generator needs it.
struct MovingCell {
  std::string name;
  std::uint32_t address = 0;
  int size = 1;
  std::uint32_t mask = 0xFF;  // for bit variables: the bits that belong to it
  bool isBit = false;
  // A 32-bit real: it moves as a real, not as an integer.
  bool isFloat = false;
};

struct DeviceImage {
  std::string id;  // DEVICE/ID
  SimMemory memory;
  RegisterMap registers;
  std::vector<MovingCell> moving;
  // FLASH variables of the FLASH set, for behaviour that follows a setting.
  std::vector<MovingCell> settings;
  int variableCount = 0;
};

// Loads the device file. FLASH takes the FLASH set's base values; bytes no FLASH variable
// covers take those of the CD set, then those of the RAM set, because the program reads every
// parameter set of a QuBUS controller from the FLASH area. RAM takes the RAM set. Throws
// std::runtime_error with a readable reason when the file cannot be read or declares nothing.
DeviceImage LoadDeviceImage(const std::string& path);

}  // namespace quillon::sim

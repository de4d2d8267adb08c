#pragma once
// The simulator's command line.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/faults.h"

namespace quillon::sim {

struct SimOptions {
  std::string devicePath;
  std::optional<std::string> id;  // overrides DEVICE/ID
  // One controller per address, in this order, on every line.
  std::vector<std::uint8_t> slaveAddresses{1};
  std::optional<std::string> ptyLink;
  std::optional<std::uint16_t> tcpPort;   // 0 picks a free port
  std::optional<std::uint16_t> mbapPort;  // standard MODBUS TCP; 0 picks a free port
  std::string bindAddress = "127.0.0.1";
  bool move = false;
  FaultSpec faults;
  std::optional<std::string> cardDirectory;
  bool cardAbsent = false;
  // The pseudo-terminal is paced like a real line, and MODBUS framing violations are counted.
  bool line = false;
  unsigned turnaroundMs = 0;  // the controller's processing time before each paced answer
  bool verbose = false;
  bool help = false;
  bool version = false;
};

extern const char* const kSimUsage;

// Throws std::invalid_argument with a message for the user when the arguments are wrong.
SimOptions ParseSimOptions(const std::vector<std::string>& args);

}  // namespace quillon::sim

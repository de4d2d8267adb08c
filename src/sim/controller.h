#pragma once
// The simulated controller: answers QuBUS and MODBUS RTU requests from its memory as a device
// does. It is shared by every line the simulator serves (a pseudo-terminal and any number of
// TCP clients), so each request is answered under one lock.
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/device_image.h"
#include "sim/faults.h"

namespace quillon::sim {

// MODBUS exception codes a slave answers with.
inline constexpr std::uint8_t kIllegalFunction = 0x01;
inline constexpr std::uint8_t kIllegalDataAddress = 0x02;
inline constexpr std::uint8_t kIllegalDataValue = 0x03;

// Characters that close an identification text; the program drops the last character of it.
inline constexpr std::uint8_t kQuBUSIdClosing = 0x0D;
inline constexpr std::uint8_t kMODBUSRunIndicatorOn = 0xFF;  // MODBUS report slave ID: "running"

struct ControllerOptions {
  std::string id;
  std::uint8_t slaveAddress = 1;
  bool move = false;
  FaultSpec faults;
};

struct Response {
  std::vector<std::uint8_t> bytes;  // empty: no answer
  int delayMs = 0;                  // wait this long before sending
};

class SimController {
 public:
  SimController(DeviceImage image, ControllerOptions options);

  // The answer to one request frame. `serialLine` is false for TCP, where QuBUS is not spoken.
  Response Handle(std::span<const std::uint8_t> frame, bool serialLine);

  // Called with one line per request when set (verbose mode).
  std::function<void(const std::string&)> Log;

  // Direct access for tests and the motion clock.
  SimMemory& Memory() { return image_.memory; }
  const DeviceImage& Image() const { return image_; }
  const ControllerOptions& Options() const { return options_; }

 private:
  std::vector<std::uint8_t> Answer(std::span<const std::uint8_t> frame, bool serialLine, std::string& note);
  std::vector<std::uint8_t> AnswerQuBUS(std::span<const std::uint8_t> frame, std::string& note);
  std::vector<std::uint8_t> AnswerMODBUS(std::span<const std::uint8_t> frame, std::string& note);
  std::vector<std::uint8_t> ReadRegisters(std::uint8_t slave, std::uint16_t start, std::uint16_t count,
                                          std::string& note);
  std::vector<std::uint8_t> WriteRegisters(std::span<const std::uint8_t> frame, std::string& note);
  // Where `count` registers from `start` lie in memory; nothing when one of them lies past the
  // register space or has no place in the map (an illegal data address).
  std::optional<std::vector<RegisterPlace>> LocateRegisters(std::uint16_t start, std::uint16_t count) const;
  void Move();

  std::mutex mutex_;
  DeviceImage image_;
  ControllerOptions options_;
  FaultInjector faults_;
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

// Appends the CRC16 of the bytes, low byte first.
void AppendCRC(std::vector<std::uint8_t>& frame);
std::vector<std::uint8_t> MODBUSException(std::uint8_t slave, std::uint8_t function, std::uint8_t code);
// Upper-case hex bytes separated by blanks.
std::string HexBytes(std::span<const std::uint8_t> bytes);

}  // namespace quillon::sim

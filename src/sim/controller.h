#pragma once
// The simulated controller: answers QuBUS and MODBUS RTU requests from its memory as a device
// does. It is shared by every line the simulator serves (a pseudo-terminal and any number of
// TCP clients), so each request is answered under one lock. Beside its memory it keeps a clock,
// a motor's counters and event log, and a memory card.
#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/alarm_log.h"
#include "sim/bcd_clock.h"
#include "sim/card.h"
#include "sim/device_image.h"
#include "sim/faults.h"
#include "sim/motor_duty.h"
#include "sim/phase_buffer.h"
#include "sim/player.h"
#include "sim/process_snapshot.h"

namespace quillon::sim {

// MODBUS exception codes a slave answers with.
inline constexpr std::uint8_t kIllegalFunction = 0x01;
inline constexpr std::uint8_t kIllegalDataAddress = 0x02;
inline constexpr std::uint8_t kIllegalDataValue = 0x03;
inline constexpr std::uint8_t kSlaveDeviceFailure = 0x04;  // the one any request may get

// The event recorder's counter change writes its value to these two registers.
inline constexpr std::uint16_t kCounterValueRegister = 0x3000;

// Characters that close an identification text; the program drops the last character of it.
inline constexpr std::uint8_t kQuBUSIdClosing = 0x0D;
inline constexpr std::uint8_t kMODBUSRunIndicatorOn = 0xFF;  // MODBUS report slave ID: "running"

// QuBUS commands beside the memory reads and writes.
inline constexpr std::uint8_t kQuBUSSetClock = 0x0A;  // the 8 bytes of the clock block from byte 0
inline constexpr std::uint8_t kQuBUSLogRead = 0x0B;   // one record of the event log

struct ControllerOptions {
  std::string id;
  std::uint8_t slaveAddress = 1;
  bool move = false;  // RAM variables move and the motor cycles
  FaultSpec faults;
  std::optional<std::string> cardDirectory;  // where the memory card's files are; none: no card
  bool cardAbsent = false;
};

struct Response {
  std::vector<std::uint8_t> bytes;  // empty: no answer
  int delayMs = 0;                  // wait this long before sending
  int repeats = 1;                  // times the bytes go on the line, back to back
  // A fault that spoils the wire, left to the line to apply to its own frame (WireFaults).
  FaultKind wireFault = FaultKind::None;
};

class SimController {
 public:
  SimController(DeviceImage image, ControllerOptions options);

  // The answer to one request frame. `serialLine` is false for TCP, where QuBUS is not spoken.
  Response Handle(std::span<const std::uint8_t> frame, bool serialLine, WireFaults wire = WireFaults::OnAnswer);

  // Called with one line per request when set (verbose mode).
  std::function<void(const std::string&)> Log;

  // Direct access for tests and the motion clock.
  SimMemory& Memory() { return image_.memory; }
  const DeviceImage& Image() const { return image_; }
  const ControllerOptions& Options() const { return options_; }
  const BcdClock& Clock() const { return clock_; }
  const SimPlayer& Player() const { return player_; }

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
  // Brings the clock and the counters in XRAM up to now.
  void RefreshXram();
  std::vector<std::uint8_t> SetClock(std::span<const std::uint8_t> frame, std::string& note);
  std::vector<std::uint8_t> ReadLog(std::span<const std::uint8_t> frame, std::string& note);
  std::vector<std::uint8_t> WriteXram(std::uint16_t address, std::span<const std::uint8_t> data, std::string& note);

  std::mutex mutex_;
  DeviceImage image_;
  ControllerOptions options_;
  FaultInjector faults_;
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
  std::time_t startWall_ = std::time(nullptr);
  BcdClock clock_;
  AlarmLog log_;
  ProcessSnapshot snapshot_;
  MotorDuty duty_;
  SimCard card_;
  SimPlayer player_;
  PhaseBuffer phase_;
};

// Appends the CRC16 of the bytes, low byte first.
void AppendCRC(std::vector<std::uint8_t>& frame);
std::vector<std::uint8_t> MODBUSException(std::uint8_t slave, std::uint8_t function, std::uint8_t code);
// Upper-case hex bytes separated by blanks.
std::string HexBytes(std::span<const std::uint8_t> bytes);

}  // namespace quillon::sim

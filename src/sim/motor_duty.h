#pragma once
// The motor the controller guards, as its counter block in XRAM and its event log see it. The
// unit's work time grows every second; the motor's work time grows and the time left to its
// maintenance falls while it runs. When asked to cycle, the motor starts, runs for a while and
// stops, now and then by a trip of some cause, and every such event is counted and logged.
//
// The counter block in XRAM is the only store of the counts, so whatever a master writes there
// (a cleared block, a reset work time, a new maintenance time) is what counting goes on from,
// and the next record goes after the last record number the block holds.
#include <cstdint>
#include <ctime>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include "sim/alarm_log.h"
#include "sim/bcd_clock.h"
#include "sim/sim_memory.h"

namespace quillon::sim {

inline constexpr std::uint16_t kCounterBlockAddress = 0x0660;  // in XRAM
inline constexpr std::size_t kCounterBlockSize = 44;
// Offsets within the block; values are little-endian.
inline constexpr std::size_t kStartsOffset = 0;
inline constexpr std::size_t kTripsOffset = 2;
inline constexpr std::size_t kFirstCauseOffset = 4;  // one word per TripCause, in its order
inline constexpr std::size_t kLastRecordOffset = 30;
inline constexpr std::size_t kMotorTimeOffset = 32;
inline constexpr std::size_t kMaintenanceOffset = 36;
inline constexpr std::size_t kUnitTimeOffset = 40;
// A master writes its change, then this byte to this XRAM address to have it taken.
inline constexpr std::uint16_t kCommitAddress = 0x05A5;
inline constexpr std::uint8_t kCommitByte = 0x1B;
// The maintenance interval the counters start from, seconds.
inline constexpr std::uint32_t kMaintenanceInterval = 10000u * 3600u;

enum class TripCause {
  Async,
  Overcurrent,
  FieldLoss,
  RotorEarth,
  PowerDirection,
  BreakerAux,
  Cpu,
  EmergencyStop,
  Technological
};
inline constexpr int kTripCauses = 9;

// The alarm bits a trip of this cause sets in its log record (none for the CPU).
std::uint8_t AlarmBitsOf(TripCause cause);
std::size_t CauseOffset(TripCause cause);

// A field of the counter block; `width` is 2 or 4 bytes.
std::uint32_t CounterField(const SimMemory& memory, std::size_t offset, std::size_t width);
void SetCounterField(SimMemory& memory, std::size_t offset, std::size_t width, std::uint32_t value);

// The process snapshot a record takes at a second since start (negative: before the start).
using ProcessSampler = std::function<ProcessData(std::int64_t second)>;

class MotorDuty {
 public:
  // `startWall` is the PC time of second 0. The references must outlive the object.
  MotorDuty(SimMemory& memory, AlarmLog& log, const BcdClock& clock, ProcessSampler sample, bool cycling,
            std::time_t startWall, std::uint32_t seed = 1);

  // Fills the counters and the whole log with a past that ends with the power going off a little
  // while ago, then logs the power coming on at second 0.
  void Begin();
  // Counts and logs everything up to `second` since start; earlier seconds change nothing.
  void AdvanceTo(std::int64_t second);

  bool Running() const { return running_; }
  // The second of the next start or stop; never when the motor does not cycle.
  std::int64_t NextEvent() const { return nextEvent_; }

 private:
  struct PastEvent {
    std::int64_t at = 0;
    std::uint8_t events = 0;
    std::uint8_t alarms = 0;
    int cause = -1;
  };

  std::vector<PastEvent> MakePast();
  void Accrue(std::int64_t seconds, bool powered);
  void Fire(std::int64_t second);
  void Record(std::int64_t second, std::uint8_t events, std::uint8_t alarms);
  void Count(std::size_t offset);
  std::int64_t Draw(std::int64_t low, std::int64_t high);

  SimMemory& memory_;
  AlarmLog& log_;
  const BcdClock& clock_;
  ProcessSampler sample_;
  bool cycling_;
  std::time_t startWall_;
  std::mt19937 random_;
  bool running_ = false;
  std::int64_t done_ = 0;
  std::int64_t nextEvent_ = std::numeric_limits<std::int64_t>::max();
};

}  // namespace quillon::sim

#pragma once
// The controller's event log: a memory of its own beside RAM, XRAM and FLASH, 32 pages of 16
// records of 64 bytes, filled circularly. A record is a time stamp, a snapshot of the process
// variables and the event and alarm bits of the moment.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/bcd_clock.h"

namespace quillon::sim {

inline constexpr std::size_t kLogPages = 32;
inline constexpr std::size_t kLogRecordsPerPage = 16;
inline constexpr std::size_t kLogRecords = kLogPages * kLogRecordsPerPage;
inline constexpr std::size_t kLogRecordSize = 64;
inline constexpr std::size_t kProcessDataSize = 55;
// Where page 0 starts and how far apart pages and records lie in the log's address space.
inline constexpr std::uint16_t kLogBase = 0x0400;
inline constexpr std::uint16_t kLogPageStride = 0x0400;
inline constexpr std::uint16_t kLogRecordStride = 0x40;

// Event bits (byte 62 of a record).
inline constexpr std::uint8_t kEventOff = 0x01;
inline constexpr std::uint8_t kEventTrip = 0x02;
inline constexpr std::uint8_t kEventCpuOn = 0x04;
inline constexpr std::uint8_t kEventCpuOff = 0x08;
inline constexpr std::uint8_t kEventOn = 0x10;

// Alarm bits (byte 63 of a record).
inline constexpr std::uint8_t kAlarmOvercurrent = 0x01;
inline constexpr std::uint8_t kAlarmAsync = 0x02;
inline constexpr std::uint8_t kAlarmInsulation = 0x04;
inline constexpr std::uint8_t kAlarmFieldLoss = 0x08;
inline constexpr std::uint8_t kAlarmBreakerAux = 0x10;
inline constexpr std::uint8_t kAlarmGenerator = 0x20;
inline constexpr std::uint8_t kAlarmEmergencyStop = 0x40;
inline constexpr std::uint8_t kAlarmTechnological = 0x80;

using ProcessData = std::array<std::uint8_t, kProcessDataSize>;

struct LogEntry {
  BcdStamp stamp{};
  ProcessData process{};
  std::uint8_t events = 0;
  std::uint8_t alarms = 0;
};

// The log address of record `number` (page × 16 + index).
std::uint16_t LogAddressOf(std::size_t number);
// The record number an address selects; nothing for an address between records or past the log.
std::optional<std::size_t> LogNumberOf(std::uint16_t address);

class AlarmLog {
 public:
  // Never written records read as erased memory (0xFF).
  AlarmLog() : bytes_(kLogRecords * kLogRecordSize, 0xFF) {}

  void Put(std::size_t number, const LogEntry& entry);
  std::span<const std::uint8_t> Record(std::size_t number) const;

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace quillon::sim

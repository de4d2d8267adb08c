#include "sim/alarm_log.h"

#include <algorithm>

namespace quillon::sim {

std::uint16_t LogAddressOf(std::size_t number) {
  number %= kLogRecords;
  return static_cast<std::uint16_t>(kLogBase + (number / kLogRecordsPerPage) * kLogPageStride +
                                    (number % kLogRecordsPerPage) * kLogRecordStride);
}

std::optional<std::size_t> LogNumberOf(std::uint16_t address) {
  if (address < kLogBase) return std::nullopt;
  const std::size_t offset = address - kLogBase;
  const std::size_t page = offset / kLogPageStride;
  const std::size_t within = offset % kLogPageStride;
  if (page >= kLogPages || within % kLogRecordStride != 0) return std::nullopt;
  return page * kLogRecordsPerPage + within / kLogRecordStride;
}

void AlarmLog::Put(std::size_t number, const LogEntry& entry) {
  auto record = bytes_.begin() + static_cast<std::ptrdiff_t>((number % kLogRecords) * kLogRecordSize);
  record = std::copy(entry.stamp.begin(), entry.stamp.end(), record);
  record = std::copy(entry.process.begin(), entry.process.end(), record);
  *record++ = entry.events;
  *record = entry.alarms;
}

std::span<const std::uint8_t> AlarmLog::Record(std::size_t number) const {
  return std::span<const std::uint8_t>(bytes_).subspan((number % kLogRecords) * kLogRecordSize, kLogRecordSize);
}

}  // namespace quillon::sim

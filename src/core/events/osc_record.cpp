#include "events/osc_record.h"

#include "link/crc16.h"

namespace quillon {

bool OscRecordValid(std::span<const std::uint8_t, kOscRecordSize> record) {
  return CRC16(record.data(), record.size()) == 0;
}

void SealOscRecord(std::span<std::uint8_t, kOscRecordSize> record) {
  const std::uint16_t crc = CRC16(record.data(), kOscRecordSize - 2);
  record[kOscRecordSize - 2] = static_cast<std::uint8_t>(crc & 0xFF);
  record[kOscRecordSize - 1] = static_cast<std::uint8_t>(crc >> 8);
}

std::uint32_t OscRecordSeconds(std::span<const std::uint8_t, kOscRecordSize> record) {
  return record[2] + 60u * record[3] + 3600u * record[4] + 86400u * record[5];
}

DateTime OscRecordStamp(std::span<const std::uint8_t, kOscRecordSize> record) {
  const int year = 2000 + record[7];
  const int month = record[6];
  const int day = record[5];
  if (!IsValidDate(year, month, day) || record[4] > 23 || record[3] > 59 || record[2] > 59) return 0.0;
  return EncodeDateTime({year, month, day, record[4], record[3], record[2], 0});
}

std::optional<OscFile> OscFile::Open(const std::string& path) {
  OscFile file;
  file.in_.open(path, std::ios::binary);
  if (!file.in_) return std::nullopt;
  file.in_.seekg(0, std::ios::end);
  const auto end = file.in_.tellg();
  if (end < 0) return std::nullopt;
  file.size_ = static_cast<std::uint64_t>(end);
  return file;
}

std::optional<OscRecordBytes> OscFile::ReadAt(std::uint64_t position) {
  if (position > size_ || size_ - position < kOscRecordSize) return std::nullopt;
  in_.clear();
  in_.seekg(static_cast<std::streamoff>(position));
  OscRecordBytes record{};
  if (!in_.read(reinterpret_cast<char*>(record.data()), static_cast<std::streamsize>(record.size()))) {
    return std::nullopt;
  }
  return record;
}

}  // namespace quillon

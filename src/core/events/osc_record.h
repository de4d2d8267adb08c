#pragma once
// The controller's circular oscillogram file: 140-byte records of a time stamp and 128 bytes of
// process data, each closed by a CRC16; positions wrap at 0x80000000.
#include <array>
#include <cstdint>
#include <fstream>
#include <optional>
#include <span>
#include <string>

#include "text/datetime.h"

namespace quillon {

inline constexpr std::size_t kOscRecordSize = 140;
inline constexpr std::size_t kOscDataOffset = 8;
inline constexpr std::size_t kOscDataLength = 128;
inline constexpr std::uint64_t kOscWrap = 0x80000000u;
// The whole records below the wrap: record kOscWrapRecords is record 0 again.
inline constexpr std::uint64_t kOscWrapRecords = kOscWrap / kOscRecordSize;

using OscRecordBytes = std::array<std::uint8_t, kOscRecordSize>;

// The CRC16 over all 140 bytes is 0.
bool OscRecordValid(std::span<const std::uint8_t, kOscRecordSize> record);
// Writes the CRC16 of bytes 0-137 into bytes 138-139, low byte first.
void SealOscRecord(std::span<std::uint8_t, kOscRecordSize> record);
// s + 60 min + 3600 h + 86400 day: the measure the searches around an event compare.
std::uint32_t OscRecordSeconds(std::span<const std::uint8_t, kOscRecordSize> record);
// The record's date and time; 0 when its date is no date.
DateTime OscRecordStamp(std::span<const std::uint8_t, kOscRecordSize> record);

// An oscillogram file opened for reading records at byte positions.
class OscFile {
 public:
  static std::optional<OscFile> Open(const std::string& path);

  std::uint64_t Size() const { return size_; }
  // The whole record at `position`; nothing when it does not lie wholly in the file.
  std::optional<OscRecordBytes> ReadAt(std::uint64_t position);

 private:
  std::ifstream in_;
  std::uint64_t size_ = 0;
};

}  // namespace quillon

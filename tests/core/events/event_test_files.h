#pragma once
// Building blocks of event, statistics and oscillogram files for the tests.
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "events/osc_record.h"

namespace quillon::testing {

inline void AppendEvent(std::vector<std::uint8_t>& bytes, std::uint32_t position, std::uint16_t code,
                        std::uint8_t value, std::uint8_t day, std::uint16_t trailer = 0) {
  const std::uint8_t record[16] = {static_cast<std::uint8_t>(position),
                                   static_cast<std::uint8_t>(position >> 8),
                                   static_cast<std::uint8_t>(position >> 16),
                                   static_cast<std::uint8_t>(position >> 24),
                                   static_cast<std::uint8_t>(code),
                                   static_cast<std::uint8_t>(code >> 8),
                                   value,
                                   7,
                                   5,
                                   9,
                                   day,
                                   3,
                                   24,
                                   0,
                                   static_cast<std::uint8_t>(trailer),
                                   static_cast<std::uint8_t>(trailer >> 8)};
  bytes.insert(bytes.end(), record, record + 16);
}

inline void AppendU32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A valid record at day 5 whose time is `seconds` after midnight and whose first process data
// word is `word`.
inline OscRecordBytes OscRecordAt(std::uint32_t seconds, std::uint16_t word) {
  OscRecordBytes record{};
  record[2] = static_cast<std::uint8_t>(seconds % 60);
  record[3] = static_cast<std::uint8_t>(seconds / 60 % 60);
  record[4] = static_cast<std::uint8_t>(seconds / 3600);
  record[5] = 5;
  record[6] = 3;
  record[7] = 24;
  record[kOscDataOffset] = static_cast<std::uint8_t>(word);
  record[kOscDataOffset + 1] = static_cast<std::uint8_t>(word >> 8);
  SealOscRecord(record);
  return record;
}

inline void AppendOsc(std::vector<std::uint8_t>& bytes, const OscRecordBytes& record) {
  bytes.insert(bytes.end(), record.begin(), record.end());
}

}  // namespace quillon::testing

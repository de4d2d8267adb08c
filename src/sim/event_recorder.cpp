#include "sim/event_recorder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "events/descriptions.h"
#include "link/crc16.h"

namespace quillon::sim {
namespace {

// The files' byte layout is written out here rather than taken from the program's encoders: the
// simulator stands for the controller, so a fault in the program's own reading of these files
// must show against it, not be shared by both sides. Every field is little-endian.
//
// Statistics: one u32 per STAT entry.
// Event record, 16 bytes: u32 oscillogram position, u16 code, value, seconds, minutes, hours,
// day, month, year since 2000, a spare byte, u16 trailer (the position's low byte here).
// Oscillogram record, 140 bytes: u16 record number, seconds, minutes, hours, day, month, year
// since 2000, 128 bytes of process data from RAM, two spare bytes, and the CRC-16 of bytes
// 0-137, low byte first.
constexpr std::size_t kEventBytes = 16;
constexpr std::size_t kOscBytes = 140;
constexpr std::size_t kOscTime = 2;
constexpr std::size_t kOscData = 8;
constexpr std::size_t kOscDataBytes = 128;
constexpr std::size_t kOscCrc = 138;

using OscBytes = std::array<std::uint8_t, kOscBytes>;

void PutU16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

// Seconds since `oldest` of record n of the circular file.
std::time_t RecordAge(std::uint32_t n) {
  const std::uint32_t order = (n + kSimOscRecords - kSimOscWritePoint) % kSimOscRecords;
  return static_cast<std::time_t>(order / kSimOscRate);
}

std::tm LocalTime(std::time_t when) {
  std::tm parts{};
  ::localtime_r(&when, &parts);
  return parts;
}

// The RAM bytes the oscillogram samples: from the lowest moving variable on.
std::size_t ProcessOrigin(const DeviceImage& image) {
  std::size_t origin = kAreaSize;
  for (const MovingCell& cell : image.moving) origin = std::min<std::size_t>(origin, cell.address);
  return origin == kAreaSize ? 0 : origin;
}

// Seconds, minutes, hours, day, month, year since 2000: the order both files store a time in.
void PutTime(std::uint8_t* at, const std::tm& when) {
  at[0] = static_cast<std::uint8_t>(when.tm_sec);
  at[1] = static_cast<std::uint8_t>(when.tm_min);
  at[2] = static_cast<std::uint8_t>(when.tm_hour);
  at[3] = static_cast<std::uint8_t>(when.tm_mday);
  at[4] = static_cast<std::uint8_t>(when.tm_mon + 1);
  at[5] = static_cast<std::uint8_t>(when.tm_year - 100);
}

OscBytes MakeOscRecord(const DeviceImage& image, std::size_t origin, std::uint32_t n, std::time_t oldest) {
  OscBytes record{};
  PutU16(&record[0], static_cast<std::uint16_t>(n));
  PutTime(&record[kOscTime], LocalTime(oldest + RecordAge(n)));
  const auto ram = image.memory.Bytes(Area::Ram);
  const std::size_t count = std::min<std::size_t>(kOscDataBytes, ram.size() - origin);
  std::copy_n(ram.begin() + static_cast<std::ptrdiff_t>(origin), count, record.begin() + kOscData);
  // Every moving word swings, each with its own period, so the record shows life.
  const std::uint32_t order = (n + kSimOscRecords - kSimOscWritePoint) % kSimOscRecords;
  int wave = 0;
  for (const MovingCell& cell : image.moving) {
    const std::size_t at = cell.address - origin;
    if (cell.isBit || cell.size < 2 || at + 2 > kOscDataBytes) continue;
    const double phase = 2.0 * M_PI * order / (50.0 * (wave++ % 4 + 1));
    PutU16(&record[kOscData + at], static_cast<std::uint16_t>(1000 + std::lround(800.0 * std::sin(phase))));
  }
  PutU16(&record[kOscCrc], CRC16Long(record.data(), kOscCrc));
  return record;
}

std::array<std::uint8_t, kEventBytes> EventRecordBytes(std::uint32_t position, std::uint16_t code, std::uint8_t value,
                                                       const std::tm& when) {
  std::array<std::uint8_t, kEventBytes> record{};
  for (int i = 0; i < 4; ++i) record[i] = static_cast<std::uint8_t>(position >> (8 * i));
  PutU16(&record[4], code);
  record[6] = value;
  PutTime(&record[7], when);
  PutU16(&record[14], static_cast<std::uint8_t>(position));
  return record;
}

}  // namespace

std::uint32_t SimEventPosition(std::size_t k) {
  // Every 6 seconds from 130 seconds after the oldest record on: each event keeps at least half a
  // minute of records on both sides in time and in the file, since a search around an event
  // wraps at 0x80000000, not at the end of a file this short.
  const auto order = static_cast<std::uint32_t>(130 * kSimOscRate + (k % 24) * 6 * kSimOscRate);
  return (kSimOscWritePoint + order % kSimOscRecords) % kSimOscRecords;
}

RecorderFilesMade MakeRecorderFiles(const std::string& devicePath, const DeviceImage& image,
                                    const std::string& cardDirectory, std::time_t now) {
  const std::filesystem::path directory(cardDirectory);
  const std::time_t oldest = now - static_cast<std::time_t>((kSimOscRecords - 1) / kSimOscRate);
  RecorderFilesMade made;

  const auto stat = ReadStatDescriptions(devicePath);
  if (stat.loaded && !std::filesystem::exists(directory / kStatFileName)) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < stat.entries.size(); ++i) PutU32(bytes, static_cast<std::uint32_t>(37 * i * i + 5));
    WriteFile(directory / kStatFileName, bytes);
    made.stat = true;
  }
  const auto events = ReadEventDescriptions(devicePath);
  if (events.loaded && !std::filesystem::exists(directory / kEventFileName)) {
    std::vector<std::uint8_t> bytes;
    std::uint32_t unknown = 1;
    for (const EventDescription& description : events.entries) unknown = std::max(unknown, description.code + 1);
    const std::size_t count = std::min<std::size_t>(events.entries.size() * 2, 24);
    for (std::size_t k = 0; k < count; ++k) {
      const std::uint32_t position = SimEventPosition(k);
      // One in seven is an event the device file does not describe.
      const std::uint32_t code = k % 7 == 6 ? unknown : events.entries[k % events.entries.size()].code;
      const auto record = EventRecordBytes(position, static_cast<std::uint16_t>(code),
                                           static_cast<std::uint8_t>(k * 11), LocalTime(oldest + RecordAge(position)));
      bytes.insert(bytes.end(), record.begin(), record.end());
    }
    // The buffer's unused tail: records whose day is 0.
    bytes.resize(bytes.size() + 2 * kEventBytes, 0);
    WriteFile(directory / kEventFileName, bytes);
    made.events = true;
  }
  if (events.loaded && !std::filesystem::exists(directory / kOscFileName)) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kSimOscRecords * kOscBytes);
    const std::size_t origin = ProcessOrigin(image);
    for (std::uint32_t n = 0; n < kSimOscRecords; ++n) {
      const OscBytes record = MakeOscRecord(image, origin, n, oldest);
      bytes.insert(bytes.end(), record.begin(), record.end());
    }
    WriteFile(directory / kOscFileName, bytes);
    made.osc = true;
  }
  return made;
}

}  // namespace quillon::sim

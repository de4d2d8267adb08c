#include "sim/event_recorder.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "events/buffer_files.h"
#include "events/descriptions.h"
#include "events/osc_record.h"

namespace quillon::sim {
namespace {

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

OscRecordBytes MakeOscRecord(const DeviceImage& image, std::size_t origin, std::uint32_t n, std::time_t oldest) {
  OscRecordBytes record{};
  record[0] = static_cast<std::uint8_t>(n);
  record[1] = static_cast<std::uint8_t>(n >> 8);
  const std::tm when = LocalTime(oldest + RecordAge(n));
  record[2] = static_cast<std::uint8_t>(when.tm_sec);
  record[3] = static_cast<std::uint8_t>(when.tm_min);
  record[4] = static_cast<std::uint8_t>(when.tm_hour);
  record[5] = static_cast<std::uint8_t>(when.tm_mday);
  record[6] = static_cast<std::uint8_t>(when.tm_mon + 1);
  record[7] = static_cast<std::uint8_t>(when.tm_year - 100);
  const auto ram = image.memory.Bytes(Area::Ram);
  const std::size_t count = std::min<std::size_t>(kOscDataLength, ram.size() - origin);
  std::copy_n(ram.begin() + static_cast<std::ptrdiff_t>(origin), count, record.begin() + kOscDataOffset);
  // Every moving word swings, each with its own period, so the record shows life.
  const std::uint32_t order = (n + kSimOscRecords - kSimOscWritePoint) % kSimOscRecords;
  int wave = 0;
  for (const MovingCell& cell : image.moving) {
    const std::size_t at = cell.address - origin;
    if (cell.isBit || cell.size < 2 || at + 2 > kOscDataLength) continue;
    const double phase = 2.0 * M_PI * order / (50.0 * (wave++ % 4 + 1));
    const auto value = static_cast<std::uint16_t>(1000 + std::lround(800.0 * std::sin(phase)));
    record[kOscDataOffset + at] = static_cast<std::uint8_t>(value);
    record[kOscDataOffset + at + 1] = static_cast<std::uint8_t>(value >> 8);
  }
  SealOscRecord(record);
  return record;
}

std::vector<std::uint8_t> EventRecordBytes(std::uint32_t position, std::uint16_t code, std::uint8_t value,
                                           const std::tm& when) {
  std::vector<std::uint8_t> bytes;
  PutU32(bytes, position);
  bytes.push_back(static_cast<std::uint8_t>(code));
  bytes.push_back(static_cast<std::uint8_t>(code >> 8));
  bytes.push_back(value);
  bytes.push_back(static_cast<std::uint8_t>(when.tm_sec));
  bytes.push_back(static_cast<std::uint8_t>(when.tm_min));
  bytes.push_back(static_cast<std::uint8_t>(when.tm_hour));
  bytes.push_back(static_cast<std::uint8_t>(when.tm_mday));
  bytes.push_back(static_cast<std::uint8_t>(when.tm_mon + 1));
  bytes.push_back(static_cast<std::uint8_t>(when.tm_year - 100));
  bytes.push_back(0);
  bytes.push_back(static_cast<std::uint8_t>(position));
  bytes.push_back(0);
  return bytes;
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
      const std::vector<std::uint8_t> record =
          EventRecordBytes(position, static_cast<std::uint16_t>(code), static_cast<std::uint8_t>(k * 11),
                           LocalTime(oldest + RecordAge(position)));
      bytes.insert(bytes.end(), record.begin(), record.end());
    }
    // The buffer's unused tail: records whose day is 0.
    bytes.resize(bytes.size() + 2 * kEventRecordSize, 0);
    WriteFile(directory / kEventFileName, bytes);
    made.events = true;
  }
  if (events.loaded && !std::filesystem::exists(directory / kOscFileName)) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kSimOscRecords * kOscRecordSize);
    const std::size_t origin = ProcessOrigin(image);
    for (std::uint32_t n = 0; n < kSimOscRecords; ++n) {
      const OscRecordBytes record = MakeOscRecord(image, origin, n, oldest);
      bytes.insert(bytes.end(), record.begin(), record.end());
    }
    WriteFile(directory / kOscFileName, bytes);
    made.osc = true;
  }
  return made;
}

}  // namespace quillon::sim

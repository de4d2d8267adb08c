#pragma once
// The controller's event recorder as files on its memory card: the statistics counters
// (stat.dat), the event buffer (event.edat) and the circular oscillogram (OSC.dat), made to
// agree with the STAT and EVENTS sections of the device file. Files already on the card are
// left as they are, so an engineer can bring a real controller's files.
#include <cstdint>
#include <ctime>
#include <string>

#include "sim/device_image.h"

namespace quillon::sim {

inline constexpr std::uint8_t kOscRateFunction = 0x13;
// Records per second of the oscillogram, as the rate request reports it.
inline constexpr std::uint8_t kSimOscRate = 10;
// Five minutes of records; the newest is written just before record kSimOscWritePoint, so the
// file wraps there.
inline constexpr std::uint32_t kSimOscRecords = 3000;
inline constexpr std::uint32_t kSimOscWritePoint = 2000;

inline constexpr const char* kStatFileName = "stat.dat";
inline constexpr const char* kEventFileName = "event.edat";
inline constexpr const char* kOscFileName = "OSC.dat";

struct RecorderFilesMade {
  bool stat = false;
  bool events = false;
  bool osc = false;
};

// Writes the files missing from `cardDirectory`: stat.dat when the device file has a STAT
// section, event.edat and OSC.dat when it has an EVENTS section; the newest oscillogram record
// is at `now`.
// Throws std::runtime_error when a file cannot be written.
RecorderFilesMade MakeRecorderFiles(const std::string& devicePath, const DeviceImage& image,
                                    const std::string& cardDirectory, std::time_t now);

// The oscillogram record number of the k-th event the recorder makes.
std::uint32_t SimEventPosition(std::size_t k);

}  // namespace quillon::sim

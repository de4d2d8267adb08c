#pragma once
// The traffic monitor's "Сохранить…": the rows it shows, as the lines the command-line trace
// prints (TraceLine), UTF-8 with "\n" line ends.
#include <cstddef>
#include <string>

#include "link/traffic_log.h"

namespace quillon {

// What a save did; `message` tells the engineer what failed.
struct TrafficSaveResult {
  bool ok = true;
  std::string message;
  std::size_t lines = 0;
  explicit operator bool() const { return ok; }
};

// Writes the log's rows to `path` through a temporary file in the same folder, renamed over
// `path` only once every byte is on the disk: a failed save leaves no partial file, and an older
// file of that name as it was.
TrafficSaveResult SaveTrafficText(const TrafficLog& log, const std::string& path);

}  // namespace quillon

#pragma once
// The scope options dialog's record: the grid flag of the window it is opened on, the CRC check
// every scope window applies to MODBUS answers, and the tracer's new-file limits. All but the
// grid flag and the count of old files live in settings.ini, read at start-up and written back
// at exit; the limits are kept as the texts the user typed.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace quillon {

// Old trace files kept when nobody set a count in this session (the count is not stored).
inline constexpr int kDefaultKeptTraceFiles = 10;

struct ScopeOptions {
  bool grid = true;
  bool crcCheck = true;
  std::string traceMinutes = "60";
  std::string traceKilobytes = "1000";
  bool newFileByTime = false;
  bool newFileBySize = false;
  int keptOldFiles = kDefaultKeptTraceFiles;
};

// TrasserTime, TrasserFileSize, TrasserTypeTime, TrasserTypeFileSize and ScopeCRC16Check; a
// missing file or key gives its default. `grid` and `keptOldFiles` keep their defaults.
ScopeOptions ReadScopeOptions(const std::string& settingsFile);

// The same five keys, the check boxes as "1" or "0". Throws std::runtime_error when the file
// cannot be written.
void WriteScopeOptions(const std::string& settingsFile, const ScopeOptions& options);

// When the trace starts a new file. A limit whose text is not a positive integer is not applied:
// a new file on every line would leave nothing worth keeping.
struct TraceLimits {
  std::optional<std::chrono::minutes> period;
  std::optional<std::uintmax_t> maxBytes;
  int keptOldFiles = kDefaultKeptTraceFiles;
};

TraceLimits TraceLimitsOf(const ScopeOptions& options);

}  // namespace quillon

#pragma once
// The trace of a scope window: "!.trc" in the trace directory (another name when another window
// already traces, see TraceNames), one Windows-1251 line per processed answer. Switching the
// trace on starts the file afresh. With a limit set, a file that has run its time or would grow
// past its size is moved aside as "!1.trc" (older ones move up to "!2.trc" ...; beyond the count
// kept they are deleted) and "!.trc" starts again; "!pump.trc" moves aside as "!pump1.trc".
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "scope/scope_options.h"

namespace quillon {

inline constexpr std::string_view kTraceFileName = "!.trc";

// The outcome of a trace operation; `message` tells the user what failed.
struct TraceResult {
  bool ok = true;
  std::string message;
  explicit operator bool() const { return ok; }
};

class TraceFile {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // `directory` ends in "/" like the workspace paths.
  explicit TraceFile(std::string directory, TraceLimits limits = {}, Clock clock = std::chrono::steady_clock::now);
  ~TraceFile();
  TraceFile(const TraceFile&) = delete;
  TraceFile& operator=(const TraceFile&) = delete;

  // Creates or truncates the file, creating the directory when it is missing.
  TraceResult Open();
  void Close();
  bool IsOpen() const;
  // The file's name in the directory ("!.trc" by default); takes effect at the next Open.
  void SetFileName(std::string name);
  // Takes effect from the next line on; an open file keeps its start time and size.
  void SetLimits(const TraceLimits& limits);

  // Writes the UTF-8 line (with its line end) as Windows-1251. Called on the port worker's
  // thread while the window's thread may switch the trace off: a closed trace takes nothing and
  // reports success. A failed write or a failed new file closes the trace, so the failure is
  // reported once.
  TraceResult Append(std::string_view utf8Line);

  std::string Path() const;
  // "!1.trc" is the newest file moved aside.
  std::string OldFilePath(int number) const;

 private:
  TraceResult OpenLocked();
  void CloseLocked();
  TraceResult StartNewFileLocked();
  bool LimitReachedLocked(std::size_t nextBytes) const;
  TraceResult FailLocked(std::string message);

  std::string directory_;
  std::string name_{kTraceFileName};
  TraceLimits limits_;
  Clock clock_;
  mutable std::mutex mutex_;
  int fd_ = -1;
  std::uintmax_t size_ = 0;
  std::chrono::steady_clock::time_point started_{};
};

}  // namespace quillon

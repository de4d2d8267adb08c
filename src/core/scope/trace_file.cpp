#include "scope/trace_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/files.h"
#include "text/cp1251.h"
#include "workspace/paths.h"

namespace quillon {

namespace {

std::string ErrorText(int error) { return std::strerror(error); }

}  // namespace

TraceFile::TraceFile(std::string directory, TraceLimits limits, Clock clock)
    : directory_(std::move(directory)), limits_(std::move(limits)), clock_(std::move(clock)) {
  if (!directory_.empty() && directory_.back() != '/') directory_ += '/';
}

TraceFile::~TraceFile() { CloseLocked(); }

TraceResult TraceFile::Open() {
  std::lock_guard lock(mutex_);
  CloseLocked();
  if (!EnsureDirectory(directory_)) return {false, "Не удалось создать папку " + PathForDisplay(directory_)};
  return OpenLocked();
}

void TraceFile::Close() {
  std::lock_guard lock(mutex_);
  CloseLocked();
}

bool TraceFile::IsOpen() const {
  std::lock_guard lock(mutex_);
  return fd_ >= 0;
}

void TraceFile::SetLimits(const TraceLimits& limits) {
  std::lock_guard lock(mutex_);
  limits_ = limits;
}

void TraceFile::SetFileName(std::string name) {
  std::lock_guard lock(mutex_);
  name_ = std::move(name);
}

std::string TraceFile::Path() const { return directory_ + name_; }

std::string TraceFile::OldFilePath(int number) const {
  std::string stem = name_;
  if (stem.ends_with(".trc")) stem.resize(stem.size() - 4);
  return directory_ + stem + std::to_string(number) + ".trc";
}

TraceResult TraceFile::Append(std::string_view utf8Line) {
  const std::string bytes = Utf8ToCp1251(utf8Line);
  std::lock_guard lock(mutex_);
  if (fd_ < 0) return {};
  if (LimitReachedLocked(bytes.size())) {
    if (auto result = StartNewFileLocked(); !result) return result;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      return FailLocked("Ошибка записи в файл " + PathForDisplay(Path()) + ": " + ErrorText(errno));
    }
    done += static_cast<std::size_t>(written);
  }
  size_ += done;
  return {};
}

TraceResult TraceFile::OpenLocked() {
  const std::string path = Path();
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) return {false, "Не удалось создать файл " + PathForDisplay(path) + ": " + ErrorText(errno)};
  size_ = 0;
  started_ = clock_();
  return {};
}

void TraceFile::CloseLocked() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool TraceFile::LimitReachedLocked(std::size_t nextBytes) const {
  if (limits_.period && clock_() - started_ >= *limits_.period) return true;
  // A line longer than the whole limit still goes into a file of its own.
  return limits_.maxBytes && size_ > 0 && size_ + nextBytes > *limits_.maxBytes;
}

TraceResult TraceFile::StartNewFileLocked() {
  CloseLocked();
  const std::string current = Path();
  if (limits_.keptOldFiles <= 0) return OpenLocked();
  const int kept = limits_.keptOldFiles;
  // The oldest kept file is replaced by the rename below. Files beyond the count are left by a
  // larger count earlier; one that cannot be removed costs only disk space, so the trace goes on.
  for (int number = kept + 1; FileExists(OldFilePath(number)); ++number) RemoveFile(OldFilePath(number));
  for (int number = kept - 1; number >= 1; --number) {
    const std::string from = OldFilePath(number);
    if (FileExists(from) && std::rename(from.c_str(), OldFilePath(number + 1).c_str()) != 0)
      return FailLocked("Не удалось переименовать файл " + PathForDisplay(from) + ": " + ErrorText(errno));
  }
  if (std::rename(current.c_str(), OldFilePath(1).c_str()) != 0)
    return FailLocked("Не удалось переименовать файл " + PathForDisplay(current) + ": " + ErrorText(errno));
  return OpenLocked();
}

TraceResult TraceFile::FailLocked(std::string message) {
  CloseLocked();
  return {false, std::move(message)};
}

}  // namespace quillon

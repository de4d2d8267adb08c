#include "card/download_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <utility>

namespace quillon {

namespace {

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::optional<DownloadFile> DownloadFile::Create(const std::string& path) {
  const std::string name = NameOf(path);
  if (name.empty()) return std::nullopt;
  // Opened with O_EXCL under the process's umask, as the wanted file itself would be created.
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temporary = DirectoryOf(path) + "." + name + "." + std::to_string(::getpid()) + "-" +
                                  std::to_string(counter.fetch_add(1)) + ".part";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return DownloadFile(path, temporary, fd);
    if (errno != EEXIST) return std::nullopt;
  }
  return std::nullopt;
}

DownloadFile::DownloadFile(std::string path, std::string temporary, int fd)
    : path_(std::move(path)), temporary_(std::move(temporary)), fd_(fd) {}

DownloadFile::DownloadFile(DownloadFile&& other) noexcept
    : path_(std::move(other.path_)),
      temporary_(std::exchange(other.temporary_, {})),
      fd_(std::exchange(other.fd_, -1)) {}

DownloadFile& DownloadFile::operator=(DownloadFile&& other) noexcept {
  if (this != &other) {
    Discard();
    path_ = std::move(other.path_);
    temporary_ = std::exchange(other.temporary_, {});
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

DownloadFile::~DownloadFile() { Discard(); }

bool DownloadFile::Append(std::span<const std::uint8_t> bytes) {
  std::size_t written = 0;
  while (fd_ >= 0 && written < bytes.size()) {
    const ssize_t count = ::write(fd_, bytes.data() + written, bytes.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    written += static_cast<std::size_t>(count);
  }
  return fd_ >= 0;
}

bool DownloadFile::Commit() {
  if (fd_ < 0) return false;
  struct stat existing {};
  if (::stat(path_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) ::fchmod(fd_, existing.st_mode & 07777);
  const bool flushed = ::fsync(fd_) == 0;
  const bool closed = ::close(std::exchange(fd_, -1)) == 0;
  if (flushed && closed && ::rename(temporary_.c_str(), path_.c_str()) == 0) {
    temporary_.clear();
    return true;
  }
  ::unlink(temporary_.c_str());
  temporary_.clear();
  return false;
}

void DownloadFile::Discard() {
  if (fd_ >= 0) ::close(std::exchange(fd_, -1));
  if (!temporary_.empty()) {
    ::unlink(temporary_.c_str());
    temporary_.clear();
  }
}

}  // namespace quillon

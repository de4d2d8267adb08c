#include "card/upload_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace quillon {

std::optional<UploadSource> UploadSource::Open(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  return UploadSource(fd, static_cast<std::uint64_t>(info.st_size));
}

UploadSource::UploadSource(UploadSource&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(std::exchange(other.size_, 0)) {}

UploadSource& UploadSource::operator=(UploadSource&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

UploadSource::~UploadSource() { Close(); }

std::vector<std::uint8_t> UploadSource::Read(std::uint32_t offset, std::size_t count) const {
  std::vector<std::uint8_t> bytes(count);
  std::size_t got = 0;
  while (fd_ >= 0 && got < count) {
    const ssize_t read =
        ::pread(fd_, bytes.data() + got, count - got, static_cast<off_t>(offset) + static_cast<off_t>(got));
    if (read < 0 && errno == EINTR) continue;
    if (read <= 0) break;
    got += static_cast<std::size_t>(read);
  }
  bytes.resize(got);
  return bytes;
}

void UploadSource::Close() {
  if (fd_ >= 0) ::close(std::exchange(fd_, -1));
}

}  // namespace quillon

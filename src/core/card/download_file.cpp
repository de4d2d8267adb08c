#include "card/download_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <utility>

#include "card/card_frames.h"

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

// What stands at a path instead of a regular file, in the words of the refusal.
const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "это каталог";
  if (S_ISLNK(mode)) return "это символическая ссылка";
  if (S_ISFIFO(mode)) return "это канал";
  if (S_ISSOCK(mode)) return "это сокет";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "это устройство";
  return "это не обычный файл";
}

// True when the path is free or holds a regular file (never following a symlink there).
bool RegularOrFree(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return errno == ENOENT;
  return S_ISREG(info.st_mode);
}

std::size_t LongestName(const std::string& directory) {
  const long longest = ::pathconf(directory.empty() ? "." : directory.c_str(), _PC_NAME_MAX);
  return longest > 0 ? static_cast<std::size_t>(longest) : NAME_MAX;
}

// ".<name>.<pid>-<n>.part" with as much of the name as fits within `longest` bytes: still
// recognisable beside the file it becomes, and unique by the process and the counter.
std::string TemporaryName(const std::string& name, const std::string& tail, std::size_t longest) {
  const std::size_t room = longest > tail.size() + 1 ? longest - tail.size() - 1 : 0;
  std::size_t keep = std::min(name.size(), room);
  // Never half a UTF-8 character: the file manager would show the rest as garbage.
  while (keep > 0 && keep < name.size() && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
  return "." + name.substr(0, keep) + tail;
}

}  // namespace

std::optional<std::string> DownloadTargetRefusal(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) {
    if (errno == ENOENT) return std::nullopt;
    return FileNotCreatedMessage(path);
  }
  if (S_ISREG(info.st_mode)) return std::nullopt;
  return FileNotCreatedMessage(path) + ": " + KindOf(info.st_mode);
}

std::optional<DownloadFile> DownloadFile::Create(const std::string& path) {
  const std::string name = NameOf(path);
  if (name.empty() || DownloadTargetRefusal(path)) return std::nullopt;
  const std::string directory = DirectoryOf(path);
  const std::size_t longest = LongestName(directory);
  // Opened with O_EXCL under the process's umask, as the wanted file itself would be created.
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string tail = "." + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)) + ".part";
    const std::string temporary = directory + TemporaryName(name, tail, longest);
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
  if (::lstat(path_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) ::fchmod(fd_, existing.st_mode & 07777);
  const bool flushed = ::fsync(fd_) == 0;
  const bool closed = ::close(std::exchange(fd_, -1)) == 0;
  // Checked again: during the transfer something else may have taken the name.
  if (flushed && closed && RegularOrFree(path_) && ::rename(temporary_.c_str(), path_.c_str()) == 0) {
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

#include "maintenance/book_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "maintenance/workbook.h"

namespace quillon {
namespace {

constexpr off_t kMaxTemplateBytes = 256 * 1024 * 1024;
constexpr char kCompoundDocumentSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  // Closes now, so that a failing close is seen; errno tells why.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    written += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::string ReadTemplateFile(const std::string& path) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) {
    if (errno == ENOENT || errno == ENOTDIR) throw WorkbookError("Шаблон не найден: " + path);
    throw WorkbookError("Не удалось прочитать шаблон " + path + ": " + std::strerror(errno));
  }
  struct stat st {};
  if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    throw WorkbookError("Файл " + path + " не является книгой Excel");
  }
  if (st.st_size > kMaxTemplateBytes) {
    throw WorkbookError("Файл " + path + " слишком велик для шаблона книги Excel");
  }
  std::string bytes;
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(file.get(), chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw WorkbookError("Не удалось прочитать шаблон " + path + ": " + std::strerror(errno));
    if (n == 0) break;
    bytes.append(chunk, static_cast<std::size_t>(n));
    if (bytes.size() > static_cast<std::size_t>(kMaxTemplateBytes)) {
      throw WorkbookError("Файл " + path + " слишком велик для шаблона книги Excel");
    }
  }
  if (bytes.compare(0, sizeof kCompoundDocumentSignature - 1, kCompoundDocumentSignature) == 0) {
    throw WorkbookError("Шаблон " + path +
                        " сохранён в старом двоичном формате Excel 97-2003; сохраните его как книгу Excel "
                        "(.xlsx/.xltx)");
  }
  return bytes;
}

void WriteFileAtomically(const std::string& path, const std::string& bytes) {
  const auto failed = [&](int error) {
    return WorkbookError("Не удалось сохранить книгу " + path + ": " + std::strerror(error));
  };
  mode_t mode = 0644;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) throw failed(EISDIR);
    mode = st.st_mode & 07777;
  }
  const std::size_t slash = path.rfind('/');
  std::string temp = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + ".quillon-book-XXXXXX";
  FileDescriptor file(::mkostemp(temp.data(), O_CLOEXEC));
  if (file.get() < 0) throw failed(errno);
  bool ok = WriteAll(file.get(), bytes) && ::fsync(file.get()) == 0 && ::fchmod(file.get(), mode) == 0;
  int error = errno;
  if (!file.Close() && ok) {
    ok = false;
    error = errno;
  }
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    throw failed(error);
  }
}

}  // namespace quillon

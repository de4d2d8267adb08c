#include "link/traffic_save.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "link/traffic_text.h"
#include "platform/save_temporaries.h"
#include "workspace/paths.h"

namespace quillon {

namespace {

// Written in pieces of about this size, so that saving the whole log never holds its text twice.
constexpr std::size_t kPieceBytes = 1 << 16;

// The causes an engineer can act on, in his words; the system's text for the rest.
std::string ReasonText(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return "нет прав на запись в эту папку";
    case ENOSPC:
    case EDQUOT:
      return "на диске нет места";
    case EFBIG:
      return "файл превысил допустимый размер";
    case EROFS:
      return "диск доступен только для чтения";
    case ENOENT:
    case ENOTDIR:
      return "папка не существует";
    case EISDIR:
      return "под этим именем уже есть папка";
    default:
      return std::strerror(error);
  }
}

// The first error of a sequence of steps; later ones must not replace its cause.
class WriteSteps {
 public:
  explicit WriteSteps(int fd) : fd_(fd) {}
  void Write(std::string_view bytes) {
    while (error_ == 0 && !bytes.empty()) {
      const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        error_ = n < 0 ? errno : EIO;
        break;
      }
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
  }
  void Step(bool ok) {
    if (error_ == 0 && !ok) error_ = errno != 0 ? errno : EIO;
  }
  int Error() const { return error_; }

 private:
  int fd_;
  int error_ = 0;
};

}  // namespace

TrafficSaveResult SaveTrafficText(const TrafficLog& log, const std::string& path) {
  const auto failed = [&](int error) {
    return TrafficSaveResult{false, "Не удалось сохранить файл " + PathForDisplay(path) + ": " + ReasonText(error), 0};
  };
  RemoveStaleSaveTemporaries(path);
  const std::string temp = SaveTemporaryName(path);
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return failed(errno);
  WriteSteps steps(fd);
  std::string piece;
  piece.reserve(kPieceBytes + 1024);
  for (std::size_t row = 0; row < log.Rows() && steps.Error() == 0; ++row) {
    piece += TraceLine(log.Row(row));
    piece += '\n';
    if (piece.size() >= kPieceBytes) {
      steps.Write(piece);
      piece.clear();
    }
  }
  steps.Write(piece);
  steps.Step(::fsync(fd) == 0);
  steps.Step(::close(fd) == 0);
  if (steps.Error() == 0) steps.Step(::rename(temp.c_str(), path.c_str()) == 0);
  if (steps.Error() != 0) {
    ::unlink(temp.c_str());
    return failed(steps.Error());
  }
  return {true, {}, log.Rows()};
}

}  // namespace quillon

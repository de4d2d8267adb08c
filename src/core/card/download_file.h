#pragma once
// The PC file a download writes. The bytes go into a temporary file beside the wanted one,
// which takes the wanted name only when the transfer is complete: a failed or cancelled
// download leaves neither a half file under that name nor a damaged file that had it.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quillon {

// Why a download must not go to `path`, nothing when it may. It goes only to a regular file,
// which it replaces, or to a name not taken yet: a symlink, a FIFO or a device there would be
// replaced by a plain file (as root even /dev/null), and a directory would fail only once the
// whole file had come.
std::optional<std::string> DownloadTargetRefusal(const std::string& path);

class DownloadFile {
 public:
  // A temporary file in the directory of `path`; nothing when it cannot be created or the target
  // is refused. Its name is never longer than the longest name the directory takes, so any name
  // the wanted file may have can be downloaded.
  static std::optional<DownloadFile> Create(const std::string& path);

  DownloadFile(DownloadFile&& other) noexcept;
  DownloadFile& operator=(DownloadFile&& other) noexcept;
  DownloadFile(const DownloadFile&) = delete;
  DownloadFile& operator=(const DownloadFile&) = delete;
  // Discards the temporary file unless it was committed.
  ~DownloadFile();

  const std::string& Path() const { return path_; }
  const std::string& TemporaryPath() const { return temporary_; }
  bool Append(std::span<const std::uint8_t> bytes);
  // Puts the received bytes under the wanted name (an existing file there is replaced and its
  // permissions kept). false when that fails, or when something other than a regular file took
  // the name meanwhile; the temporary file is gone either way.
  bool Commit();
  void Discard();

 private:
  DownloadFile(std::string path, std::string temporary, int fd);

  std::string path_;
  std::string temporary_;
  int fd_ = -1;
};

}  // namespace quillon

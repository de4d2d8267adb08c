#pragma once
// The PC file an upload reads, a block at a time from any offset (a block sent again after a
// bad answer is read again from its start).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

class UploadSource {
 public:
  // Nothing when the file cannot be opened for reading.
  static std::optional<UploadSource> Open(const std::string& path);

  UploadSource(UploadSource&& other) noexcept;
  UploadSource& operator=(UploadSource&& other) noexcept;
  UploadSource(const UploadSource&) = delete;
  UploadSource& operator=(const UploadSource&) = delete;
  ~UploadSource();

  // The size when opened, larger ones included: the card cannot take those, and the caller must
  // know rather than be told a smaller size.
  std::uint64_t Size() const { return size_; }
  // Up to `count` bytes from `offset`; fewer at the end of the file, none past it or on error.
  std::vector<std::uint8_t> Read(std::uint32_t offset, std::size_t count) const;
  void Close();

 private:
  UploadSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}

  int fd_ = -1;
  std::uint64_t size_ = 0;
};

}  // namespace quillon

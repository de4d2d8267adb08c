#include "sim/card.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <limits>

#include "sim/controller.h"
#include "text/cp1251.h"

namespace quillon::sim {
namespace {

constexpr std::size_t kMaxNameBytes = 255;

// A descriptor closed when it goes out of scope.
struct Descriptor {
  explicit Descriptor(int value) : fd(value) {}
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
  Descriptor(Descriptor&& other) noexcept : fd(other.fd) { other.fd = -1; }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  Descriptor& operator=(Descriptor&&) = delete;
  int fd;
};

std::vector<std::uint8_t> Framed(std::vector<std::uint8_t> answer) {
  AppendCRC(answer);
  return answer;
}

std::vector<std::uint8_t> Code(std::uint8_t slave, std::uint8_t code) { return Framed({slave, code}); }

std::uint32_t LittleEndian32(std::span<const std::uint8_t> bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// Where the name that starts at `from` ends (its terminating zero); the frame's CRC follows the
// terminator for every function but upload.
std::optional<std::size_t> Terminator(std::span<const std::uint8_t> frame, std::size_t from) {
  for (std::size_t at = from; at + 2 < frame.size(); ++at) {
    if (frame[at] == 0x00) return at;
  }
  return std::nullopt;
}

std::string Text(std::span<const std::uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }

bool IsRegularFile(int directory, const std::string& name) {
  struct stat info {};
  return ::fstatat(directory, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode);
}

// A file of the card opened without following a symlink and without hanging on a pipe; closed
// (fd -1) when it is not a regular file.
Descriptor OpenCardFile(int directory, const std::string& name, int flags) {
  Descriptor file(::openat(directory, name.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644));
  struct stat info {};
  if (file.fd >= 0 && (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode))) {
    ::close(file.fd);
    file.fd = -1;
  }
  return file;
}

Descriptor OpenDirectory(const std::optional<std::string>& path) {
  return Descriptor(path ? ::open(path->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1);
}

}  // namespace

SimCard::SimCard(std::optional<std::string> directory, bool absent)
    : directory_(std::move(directory)), absent_(absent) {}

std::vector<std::uint8_t> SimCard::Answer(std::span<const std::uint8_t> frame, std::string& note) {
  const std::uint8_t slave = frame[0];
  const std::uint8_t function = frame[1];
  if (absent_ || !directory_ || OpenDirectory(directory_).fd < 0) {
    note = "card: no card";
    return Code(slave, static_cast<std::uint8_t>(function | kCardAbsent));
  }
  // An exception answer would carry the code that says "no card", so a request the card cannot
  // make sense of is left unanswered, like a frame lost on the line.
  const auto malformed = [&] {
    note = "card: malformed request, ignored";
    return std::vector<std::uint8_t>{};
  };
  switch (function) {
    case kCardDiskState:
      if (frame.size() != 4) return malformed();
      return DiskState(slave, note);
    case kCardList:
      if (frame.size() != 5) return malformed();
      return List(slave, frame[2], note);
    case kCardDownload:
    case kCardApply: {
      const std::size_t nameStart = function == kCardDownload ? 6 : 2;
      const auto end = Terminator(frame, nameStart);
      if (!end || *end + 3 != frame.size()) return malformed();
      const std::string name = Text(frame.subspan(nameStart, *end - nameStart));
      if (function == kCardApply) return Apply(slave, name, note);
      return Download(slave, LittleEndian32(frame.subspan(2, 4)), name, note);
    }
    case kCardUpload: {
      const auto end = Terminator(frame, 6);
      if (!end || *end + 4 > frame.size()) return malformed();
      const std::size_t count = frame[*end + 1];
      if (*end + 4 + count != frame.size() || count > kCardBlockSize) return malformed();
      return Upload(slave, LittleEndian32(frame.subspan(2, 4)), Text(frame.subspan(6, *end - 6)),
                    frame.subspan(*end + 2, count), note);
    }
    case kCardDelete:
      if (frame.size() < 5 || frame.size() != 5u + frame[2]) return malformed();
      return Delete(slave, Text(frame.subspan(3, frame[2])), note);
    default:
      return malformed();
  }
}

std::vector<std::uint8_t> SimCard::DiskState(std::uint8_t slave, std::string& note) const {
  struct statvfs info {};
  if (::statvfs(directory_->c_str(), &info) != 0) return Code(slave, kCardDiskState | kCardAbsent);
  // A card of more than 4 GiB shows as full-size: the answer has 32 bits.
  const unsigned long long capacity = static_cast<unsigned long long>(info.f_blocks) * info.f_frsize;
  const auto size = static_cast<std::uint32_t>(std::min<unsigned long long>(capacity, 0xFFFFFFFFull));
  note = "card: disk state, " + std::to_string(size) + " bytes";
  return Framed({slave, kCardDiskState, static_cast<std::uint8_t>(size >> 24), static_cast<std::uint8_t>(size >> 16),
                 static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size)});
}

std::vector<std::string> SimCard::WireNames() const {
  std::vector<std::string> names;
  const Descriptor directory = OpenDirectory(directory_);
  const int listed = ::dup(directory.fd);
  DIR* stream = listed >= 0 ? ::fdopendir(listed) : nullptr;
  if (stream == nullptr) {
    if (listed >= 0) ::close(listed);
    return names;
  }
  while (const dirent* entry = ::readdir(stream)) {
    const std::string local = entry->d_name;
    const std::string wire = Utf8ToCp1251(local);
    // A name the code page cannot carry could not be asked for again.
    if (wire.size() > kMaxNameBytes || Cp1251ToUtf8(wire) != local) continue;
    if (IsRegularFile(directory.fd, local)) names.push_back(wire);
  }
  ::closedir(stream);
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return LowerCaseText(Cp1251ToUtf8(a)) < LowerCaseText(Cp1251ToUtf8(b));
  });
  return names;
}

std::optional<std::string> SimCard::LocalName(const std::string& wireName) const {
  if (wireName.empty() || wireName.size() > kMaxNameBytes) return std::nullopt;
  if (wireName == "." || wireName == ".." || wireName.find_first_of(std::string("/\\\0", 3)) != std::string::npos) {
    return std::nullopt;
  }
  const std::string local = Cp1251ToUtf8(wireName);
  const Descriptor directory = OpenDirectory(directory_);
  if (IsRegularFile(directory.fd, local)) return local;
  for (const std::string& wire : WireNames()) {
    const std::string other = Cp1251ToUtf8(wire);
    if (SameTextIgnoringCase(other, local)) return other;
  }
  return local;
}

std::vector<std::uint8_t> SimCard::List(std::uint8_t slave, std::uint8_t which, std::string& note) {
  // Anything but "first" asks for the next entry.
  if (which == kCardListFirst) {
    listing_ = WireNames();
    nextEntry_ = 0;
  }
  std::vector<std::uint8_t> answer{slave, kCardList, 0};
  if (nextEntry_ < listing_.size()) {
    const std::string& name = listing_[nextEntry_++];
    answer[2] = static_cast<std::uint8_t>(name.size());
    answer.insert(answer.end(), name.begin(), name.end());
    note = "card: list entry \"" + Cp1251ToUtf8(name) + "\"";
  } else {
    note = "card: end of the list";
  }
  return Framed(std::move(answer));
}

std::vector<std::uint8_t> SimCard::Download(std::uint8_t slave, std::uint32_t offset, const std::string& name,
                                            std::string& note) const {
  const auto local = LocalName(name);
  note = "card: download \"" + Cp1251ToUtf8(name) + "\" at " + std::to_string(offset);
  const Descriptor directory = OpenDirectory(directory_);
  const Descriptor file = local ? OpenCardFile(directory.fd, *local, O_RDONLY) : Descriptor(-1);
  std::uint8_t block[kCardBlockSize];
  const ssize_t count = file.fd >= 0 ? ::pread(file.fd, block, sizeof block, static_cast<off_t>(offset)) : -1;
  if (count < 0) {
    note += ": no such file";
    return Code(slave, kCardFileMissing);
  }
  std::vector<std::uint8_t> answer{slave, kCardDownload, static_cast<std::uint8_t>(count)};
  answer.insert(answer.end(), block, block + count);
  return Framed(std::move(answer));
}

std::vector<std::uint8_t> SimCard::Upload(std::uint8_t slave, std::uint32_t offset, const std::string& name,
                                          std::span<const std::uint8_t> data, std::string& note) const {
  const auto local = LocalName(name);
  note = "card: upload \"" + Cp1251ToUtf8(name) + "\" " + std::to_string(data.size()) + " bytes at " +
         std::to_string(offset);
  const Descriptor directory = OpenDirectory(directory_);
  // The first block makes the file anew; later ones go into the file it made.
  const int flags = O_WRONLY | (offset == 0 ? O_CREAT | O_TRUNC : 0);
  const Descriptor file = local ? OpenCardFile(directory.fd, *local, flags) : Descriptor(-1);
  const ssize_t written = file.fd >= 0 ? ::pwrite(file.fd, data.data(), data.size(), static_cast<off_t>(offset)) : -1;
  if (written != static_cast<ssize_t>(data.size())) {
    note += ": cannot be written";
    return Code(slave, kCardUploadFailed);
  }
  return Framed({slave, kCardUpload, data.size() == kCardBlockSize ? kUploadMore : kUploadDone});
}

std::vector<std::uint8_t> SimCard::Delete(std::uint8_t slave, const std::string& name, std::string& note) const {
  const auto local = LocalName(name);
  note = "card: delete \"" + Cp1251ToUtf8(name) + "\"";
  const Descriptor directory = OpenDirectory(directory_);
  if (!local || !IsRegularFile(directory.fd, *local) || ::unlinkat(directory.fd, local->c_str(), 0) != 0) {
    note += ": no such file";
    return Code(slave, kCardFileMissing);
  }
  return Framed({slave, kCardDelete});
}

std::vector<std::uint8_t> SimCard::Apply(std::uint8_t slave, const std::string& name, std::string& note) const {
  const auto local = LocalName(name);
  note = "card: apply \"" + Cp1251ToUtf8(name) + "\"";
  const Descriptor directory = OpenDirectory(directory_);
  if (!local || !IsRegularFile(directory.fd, *local)) {
    note += ": no such file";
    return Code(slave, kCardApplyMissing);
  }
  // What applying a file does is the controller's business; this one only confirms it has it.
  return Framed({slave, kCardApply});
}

}  // namespace quillon::sim

#pragma once
// What the fuzz targets share: the input as a file for readers that take a path, and a prompt
// that keeps the warnings meant for the user out of the fuzzer's output.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <span>
#include <string>
#include <string_view>

#include "platform/prompt.h"

namespace quillon::fuzz {

// Where input files go: a memory file system when there is one, because the writers fsync and
// a disk would bring a target down to a few dozen inputs a second.
inline std::string InputDirectory() {
  static const std::string directory = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/" : "/tmp/";
  return directory;
}

// One file per process and name, so that parallel fuzzer jobs never read each other's input.
class InputFile {
 public:
  InputFile(std::string_view name, const std::uint8_t* data, std::size_t size)
      : path_(InputDirectory() + "quillon-fuzz-" + std::to_string(::getpid()) + "-" + std::string(name)) {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  ~InputFile() { std::remove(path_.c_str()); }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

class SilentPrompt : public Prompt {
 public:
  void Warning(const std::string&, const std::string&) override {}
  bool Question(const std::string&, const std::string&) override { return false; }
};

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The demo's device file with every section the tools read (RAM, FLASH, STAT, EVENTS).
inline std::string DemoDevicePath() { return QUILLON_SOURCE_DIR "/demo/Devices/TK3/1027.ini"; }

}  // namespace quillon::fuzz

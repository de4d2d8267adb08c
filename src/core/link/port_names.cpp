#include "link/port_names.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/files.h"

namespace quillon {

namespace fs = std::filesystem;

namespace {

constexpr const char* kByIdDirectory = "/dev/serial/by-id/";

std::optional<unsigned> ComNumber(const std::string& name) {
  if (name.size() < 4 || name.size() > 7 || name.compare(0, 3, "COM") != 0) return std::nullopt;
  unsigned number = 0;
  for (std::size_t i = 3; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return std::nullopt;
    number = number * 10 + static_cast<unsigned>(name[i] - '0');
  }
  if (number == 0) return std::nullopt;
  return number;
}

bool Exists(const std::string& path) {
  std::error_code ignored;
  return fs::exists(path, ignored);
}

std::vector<std::string> EntryNames(const std::string& directory) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error))
    names.push_back(it->path().filename().string());
  std::sort(names.begin(), names.end(), NameLess);
  return names;
}

std::string CanonicalOf(const std::string& path) {
  std::error_code error;
  const fs::path target = fs::canonical(path, error);
  return error ? std::string() : target.string();
}

}  // namespace

std::optional<std::string> PortDevicePath(const std::string& name, const std::string& programDirectory) {
  if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") return std::nullopt;
  if (const auto number = ComNumber(name)) return "/dev/ttyS" + std::to_string(*number - 1);
  for (const std::string& path : {programDirectory + "Ports/" + name, kByIdDirectory + name, "/dev/" + name})
    if (Exists(path)) return path;
  return std::nullopt;
}

bool IsPseudoTerminal(const std::string& name, const std::string& programDirectory) {
  const auto path = PortDevicePath(name, programDirectory);
  return path && CanonicalOf(*path).rfind("/dev/pts/", 0) == 0;
}

std::vector<std::string> CandidatePortNames(const std::string& programDirectory) {
  std::vector<std::string> names = EntryNames(programDirectory + "Ports");
  std::vector<std::string> adapterDevices;
  for (const std::string& name : EntryNames(kByIdDirectory)) {
    names.push_back(name);
    adapterDevices.push_back(CanonicalOf(kByIdDirectory + name));
  }
  // COM ports in number order (COM2 before COM10), after the named devices.
  std::vector<unsigned long> comNumbers;
  for (const std::string& tty : EntryNames("/sys/class/tty")) {
    if (!Exists("/sys/class/tty/" + tty + "/device")) continue;
    const std::string device = "/dev/" + tty;
    if (std::find(adapterDevices.begin(), adapterDevices.end(), CanonicalOf(device)) != adapterDevices.end()) continue;
    if (tty.rfind("ttyS", 0) == 0 && tty.size() > 4 && tty.size() < 10 &&
        std::all_of(tty.begin() + 4, tty.end(), [](char c) { return c >= '0' && c <= '9'; }))
      comNumbers.push_back(std::stoul(tty.substr(4)) + 1);
    else names.push_back(tty);
  }
  std::sort(comNumbers.begin(), comNumbers.end());
  for (unsigned long number : comNumbers) names.push_back("COM" + std::to_string(number));
  std::vector<std::string> unique;
  for (std::string& name : names)
    if (std::find(unique.begin(), unique.end(), name) == unique.end()) unique.push_back(std::move(name));
  return unique;
}

bool PortAccessDenied(const std::string& name, const std::string& programDirectory) {
  const auto path = PortDevicePath(name, programDirectory);
  if (!path) return false;
  errno = 0;
  return ::access(path->c_str(), R_OK | W_OK) != 0 && errno == EACCES;
}

}  // namespace quillon

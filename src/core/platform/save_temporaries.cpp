#include "platform/save_temporaries.h"

#include <dirent.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

namespace quillon {

namespace {

constexpr std::string_view kMark = ".tmp";

// The process id of a temporary's name, 0 when the name is none of ours.
pid_t PidOfTemporary(std::string_view name) {
  const std::size_t mark = name.rfind(kMark);
  if (mark == std::string_view::npos || mark == 0) return 0;
  const std::string_view digits = name.substr(mark + kMark.size());
  if (digits.empty() || digits.size() > 9) return 0;
  pid_t pid = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return 0;
    pid = pid * 10 + (c - '0');
  }
  return pid;
}

bool ProcessIsGone(pid_t pid) { return ::kill(pid, 0) != 0 && errno == ESRCH; }

}  // namespace

std::string SaveTemporaryName(const std::string& path) {
  const std::string suffix = std::string(kMark) + std::to_string(::getpid());
  const std::size_t slash = path.rfind('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t room = NAME_MAX > suffix.size() ? NAME_MAX - suffix.size() : 1;
  const std::size_t nameLength = path.size() - nameStart;
  return path.substr(0, nameStart + std::min(nameLength, room)) + suffix;
}

void RemoveStaleSaveTemporaries(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return;
  const std::string prefix = folder == "/" ? folder : folder + "/";
  while (const dirent* entry = ::readdir(dir.get())) {
    const pid_t pid = PidOfTemporary(entry->d_name);
    if (pid <= 0 || pid == ::getpid() || !ProcessIsGone(pid)) continue;
    const std::string candidate = prefix + entry->d_name;
    struct stat st {};
    if (::lstat(candidate.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
    ::unlink(candidate.c_str());
  }
}

}  // namespace quillon

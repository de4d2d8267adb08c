#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "text/cp1251.h"

namespace quillon {
namespace {

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

struct FdCloser {
  int fd;
  ~FdCloser() {
    if (fd >= 0) ::close(fd);
  }
};

bool IsDirectoryEntry(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string WithoutTrailingSeparator(std::string path) {
  while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  return path;
}

bool MatchFrom(std::string_view name, std::size_t n, std::string_view mask, std::size_t m) {
  while (m < mask.size()) {
    if (mask[m] == '*') {
      for (std::size_t k = n; k <= name.size(); ++k) {
        if (MatchFrom(name, k, mask, m + 1)) return true;
      }
      return false;
    }
    if (n >= name.size()) return false;
    if (mask[m] != '?' && mask[m] != name[n]) return false;
    ++n;
    ++m;
  }
  return n == name.size();
}

}  // namespace

bool NameLess(const std::string& a, const std::string& b) {
  const int order = CompareTextIgnoringCase(a, b);
  if (order != 0) return order < 0;
  return a < b;
}

std::string NormalizeSeparators(std::string_view path) {
  std::string result(path);
  std::replace(result.begin(), result.end(), '\\', '/');
  return result;
}

std::string FileNameOf(std::string_view path) {
  const auto pos = path.find_last_of("/\\");
  return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string DirectoryOf(std::string_view path) {
  const auto pos = path.find_last_of("/\\");
  return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

bool MatchesMask(std::string_view name, std::string_view mask) {
  const std::string lowerName = LowerCaseText(name);
  const std::string lowerMask = LowerCaseText(mask);
  if (lowerMask == "*.*") return true;
  return MatchFrom(lowerName, 0, lowerMask, 0);
}

std::vector<std::string> ListSubdirectories(const std::string& directory) {
  std::vector<std::string> names;
  const std::string dir = WithoutTrailingSeparator(NormalizeSeparators(directory));
  std::unique_ptr<DIR, DirCloser> handle(::opendir(dir.c_str()));
  if (!handle) return names;
  while (dirent* entry = ::readdir(handle.get())) {
    const std::string name = entry->d_name;
    if (name.empty() || name[0] == '.') continue;
    if (IsDirectoryEntry(dir + "/" + name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end(), NameLess);
  for (auto& name : names) name = dir + "/" + name;
  return names;
}

std::vector<std::string> ListFiles(const std::string& directory, std::string_view mask, bool fullPaths) {
  std::vector<std::string> names;
  const std::string dir = WithoutTrailingSeparator(NormalizeSeparators(directory));
  std::unique_ptr<DIR, DirCloser> handle(::opendir(dir.c_str()));
  if (!handle) return names;
  while (dirent* entry = ::readdir(handle.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (!MatchesMask(name, mask)) continue;
    if (IsRegularFile(dir + "/" + name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end(), NameLess);
  if (fullPaths) {
    for (auto& name : names) name = dir + "/" + name;
  }
  return names;
}

bool FileExists(const std::string& path) { return IsRegularFile(NormalizeSeparators(path)); }

bool DirectoryExists(const std::string& path) { return IsDirectoryEntry(NormalizeSeparators(path)); }

bool EnsureDirectory(const std::string& path) {
  const std::string dir = WithoutTrailingSeparator(NormalizeSeparators(path));
  if (dir.empty()) return false;
  if (IsDirectoryEntry(dir)) return true;
  const auto slash = dir.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !EnsureDirectory(dir.substr(0, slash))) return false;
  return ::mkdir(dir.c_str(), 0755) == 0 || (errno == EEXIST && IsDirectoryEntry(dir));
}

bool CopyFileTo(const std::string& source, const std::string& target, bool overwrite) {
  const std::string from = NormalizeSeparators(source);
  const std::string to = NormalizeSeparators(target);
  FdCloser in{::open(from.c_str(), O_RDONLY | O_CLOEXEC)};
  if (in.fd < 0) return false;
  struct stat st {};
  if (::fstat(in.fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | (overwrite ? 0 : O_EXCL);
  FdCloser out{::open(to.c_str(), flags, st.st_mode & 0777)};
  if (out.fd < 0) return false;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(in.fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    ssize_t done = 0;
    while (done < n) {
      const ssize_t w = ::write(out.fd, buffer + done, static_cast<std::size_t>(n - done));
      if (w < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      done += w;
    }
  }
  return true;
}

bool RemoveFile(const std::string& path) { return ::unlink(NormalizeSeparators(path).c_str()) == 0; }

bool IsReadOnly(const std::string& path) {
  struct stat st {};
  return ::stat(NormalizeSeparators(path).c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0;
}

bool ClearReadOnly(const std::string& path) {
  const std::string p = NormalizeSeparators(path);
  struct stat st {};
  if (::stat(p.c_str(), &st) != 0) return false;
  return ::chmod(p.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

bool SetReadOnly(const std::string& path) {
  const std::string p = NormalizeSeparators(path);
  struct stat st {};
  if (::stat(p.c_str(), &st) != 0) return false;
  return ::chmod(p.c_str(), (st.st_mode & 07777) & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

std::string ProgramDirectory() {
  char buffer[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "./";
  std::string path(buffer, static_cast<std::size_t>(n));
  return DirectoryOf(path);
}

}  // namespace quillon

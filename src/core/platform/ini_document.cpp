#include "platform/ini_document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/save_temporaries.h"
#include "text/cp1251.h"
#include "text/items.h"

namespace quillon {
namespace {

constexpr std::size_t npos = std::string::npos;

bool IsSectionHeader(std::string_view trimmed) {
  return trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.find(']') != npos;
}

// Lookups scan whole sections for every key, so the scans work on views, never on copies.
std::string_view HeaderName(std::string_view trimmed) {
  const auto close = trimmed.find(']');
  return TrimmedView(trimmed.substr(1, close - 1));
}

// Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) on "[" + std::string + "]".
std::string HeaderLine(std::string_view section) {
  std::string line;
  line.reserve(section.size() + 2);
  line += '[';
  line.append(section);
  line += ']';
  return line;
}

bool IsComment(std::string_view trimmed) { return !trimmed.empty() && trimmed.front() == ';'; }

std::string_view KeyOf(std::string_view trimmed) {
  const auto eq = trimmed.find('=');
  return TrimmedView(eq == npos ? trimmed : trimmed.substr(0, eq));
}

std::string Unquoted(std::string value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') return value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

std::string ProfileLine(std::string_view line) {
  const auto eq = line.find('=');
  if (eq == npos) return Trimmed(line);
  return Trimmed(line.substr(0, eq)) + "=" + Trimmed(line.substr(eq + 1));
}

IniDocument IniDocument::FromText(std::string_view utf8Text) {
  IniDocument doc;
  std::size_t start = 0;
  while (start < utf8Text.size()) {
    const std::size_t end = std::min(utf8Text.find('\n', start), utf8Text.size());
    std::string_view line = utf8Text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    doc.lines_.emplace_back(line);
    start = end + 1;
  }
  return doc;
}

IniDocument IniDocument::Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return FromText(Cp1251ToUtf8(bytes.str()));
}

IniDocument IniDocument::LoadForEdit(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return {};
    throw std::runtime_error("Не удалось прочитать файл " + path + ": " + std::strerror(errno));
  }
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      throw std::runtime_error("Не удалось прочитать файл " + path + ": " + std::strerror(error));
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return FromText(Cp1251ToUtf8(bytes));
}

std::string IniDocument::ToFileBytes() const {
  std::string text;
  for (const auto& line : lines_) {
    text += line;
    text += "\r\n";
  }
  return Utf8ToCp1251(text);
}

void IniDocument::Save(const std::string& path) const { SaveBytesAtomically(path, ToFileBytes()); }

void SaveBytesAtomically(const std::string& path, const std::string& bytes) {
  RemoveStaleSaveTemporaries(path);
  const std::string temp = SaveTemporaryName(path);
  mode_t mode = 0644;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) throw std::runtime_error("Не удалось записать файл " + path + ": " + std::strerror(errno));
  std::size_t written = 0;
  // The reason of the first step that failed; errno of a later call must not replace it.
  int error = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    written += static_cast<std::size_t>(n);
  }
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::chmod(temp.c_str(), mode) != 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    throw std::runtime_error("Не удалось записать файл " + path + ": " + std::strerror(error));
  }
}

std::size_t IniDocument::FindSection(std::string_view section) const {
  const std::string_view wanted = TrimmedView(section);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const std::string_view trimmed = TrimmedView(lines_[i]);
    if (IsSectionHeader(trimmed) && SameTextIgnoringCase(HeaderName(trimmed), wanted)) return i;
  }
  return npos;
}

std::size_t IniDocument::SectionEnd(std::size_t header) const {
  std::size_t i = header + 1;
  while (i < lines_.size() && !IsSectionHeader(TrimmedView(lines_[i]))) ++i;
  return i;
}

std::size_t IniDocument::LastContentLine(std::size_t header) const {
  std::size_t last = header;
  const std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    if (!TrimmedView(lines_[i]).empty()) last = i;
  }
  return last;
}

std::size_t IniDocument::FindKey(std::size_t header, std::string_view key) const {
  const std::string_view wanted = TrimmedView(key);
  for (std::size_t i = header + 1; i < lines_.size(); ++i) {
    const std::string_view trimmed = TrimmedView(lines_[i]);
    if (IsSectionHeader(trimmed)) break;
    if (trimmed.empty() || IsComment(trimmed) || trimmed.find('=') == npos) continue;
    if (SameTextIgnoringCase(KeyOf(trimmed), wanted)) return i;
  }
  return npos;
}

std::optional<std::string> IniDocument::Value(std::string_view section, std::string_view key) const {
  const std::size_t header = FindSection(section);
  if (header == npos) return std::nullopt;
  const std::size_t line = FindKey(header, key);
  if (line == npos) return std::nullopt;
  const std::string& text = lines_[line];
  return Unquoted(Trimmed(std::string_view(text).substr(text.find('=') + 1)));
}

std::string IniDocument::Value(std::string_view section, std::string_view key, std::string_view fallback) const {
  auto value = Value(section, key);
  return value ? *value : std::string(fallback);
}

void IniDocument::SetValue(std::string_view section, std::string_view key, std::string_view value) {
  const std::string line = Trimmed(key) + "=" + Trimmed(value);
  std::size_t header = FindSection(section);
  if (header == npos) {
    lines_.push_back(HeaderLine(Trimmed(section)));
    lines_.push_back(line);
    return;
  }
  const std::size_t existing = FindKey(header, key);
  if (existing != npos) {
    lines_[existing] = line;
    return;
  }
  const std::size_t after = LastContentLine(header);
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(after + 1), line);
}

void IniDocument::EraseKey(std::string_view section, std::string_view key) {
  const std::size_t header = FindSection(section);
  if (header == npos) return;
  const std::size_t line = FindKey(header, key);
  if (line != npos) lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(line));
}

void IniDocument::EraseSection(std::string_view section) {
  const std::size_t header = FindSection(section);
  if (header == npos) return;
  const std::size_t end = SectionEnd(header);
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header), lines_.begin() + static_cast<std::ptrdiff_t>(end));
}

bool IniDocument::HasSection(std::string_view section) const { return FindSection(section) != npos; }

std::vector<std::string> IniDocument::SectionNames() const {
  std::vector<std::string> names;
  for (const auto& line : lines_) {
    const std::string trimmed = Trimmed(line);
    if (IsSectionHeader(trimmed)) names.emplace_back(HeaderName(trimmed));
  }
  return names;
}

std::vector<std::string> IniDocument::KeyNames(std::string_view section) const {
  std::vector<std::string> keys;
  const std::size_t header = FindSection(section);
  if (header == npos) return keys;
  const std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    const std::string trimmed = Trimmed(lines_[i]);
    if (trimmed.empty() || IsComment(trimmed) || trimmed.find('=') == npos) continue;
    keys.emplace_back(KeyOf(trimmed));
  }
  return keys;
}

std::vector<std::string> IniDocument::SectionLines(std::string_view section) const {
  std::vector<std::string> result;
  const std::size_t header = FindSection(section);
  if (header == npos) return result;
  const std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    const std::string trimmed = Trimmed(lines_[i]);
    if (trimmed.empty() || IsComment(trimmed)) continue;
    result.push_back(ProfileLine(trimmed));
  }
  return result;
}

void IniDocument::ReplaceSection(std::string_view section, const std::vector<std::string>& lines) {
  std::size_t header = FindSection(section);
  if (header == npos) {
    lines_.push_back(HeaderLine(Trimmed(section)));
    lines_.insert(lines_.end(), lines.begin(), lines.end());
    return;
  }
  // Blank lines that separate the section from the next one stay where they are.
  const std::size_t end = LastContentLine(header) + 1;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header + 1),
               lines_.begin() + static_cast<std::ptrdiff_t>(end));
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(header + 1), lines.begin(), lines.end());
}

}  // namespace quillon

#pragma once
// Files as the tests see them: whole files as bytes, and text files written the way the
// controllers' Windows tools write them (Windows-1251 with CRLF line ends).
#include <fstream>
#include <iterator>
#include <string>

#include "platform/files.h"
#include "text/cp1251.h"

namespace quillon::testing {

// The whole file; empty when it cannot be read.
inline std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes UTF-8 lines ("\n" ends a line) as Windows-1251 with CRLF, creating the directories on
// the way. Returns whether the file was written.
inline bool WriteCp1251File(const std::string& path, const std::string& utf8Lines) {
  if (!EnsureDirectory(DirectoryOf(path))) return false;
  std::string crlf;
  for (const char c : utf8Lines) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  std::ofstream out(path, std::ios::binary);
  out << Utf8ToCp1251(crlf);
  return static_cast<bool>(out.flush());
}

}  // namespace quillon::testing

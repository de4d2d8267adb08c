#pragma once
// Small databases for the new-device and clone tests, written as the controllers' Windows tools
// write them (Windows-1251, CRLF).
#include <string>

#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "workspace/paths.h"

namespace quillon::testing {

// A template or device file: the DEVICE keys given, then a scale table and parameter sections
// that tell one file from another by `inom`.
inline std::string DeviceFileText(const std::string& id, const std::string& description, const std::string& location,
                                  const std::string& inom) {
  return "[DEVICE]\nID=" + id + "\nDescription=" + description + "\nLocation=" + location +
         "\nLastDateTime=01.02.2023 10:00:00\nPlugins=tk/\n\n[vars]\nInom=" + inom +
         "\n\n[FLASH]\np1=Inom/Номинальный ток/TWORD/x0100/r0080/А/Inom%1000/2//0/x03E8/\n"
         "\n[RAM]\nr1=Iact/Ток/TWORD/x2000/r1000/А/1/2//0/x0000/\n\n[CD]\n";
}

inline std::string WriteFile(const std::string& path, const std::string& utf8Lines) {
  WriteCp1251File(path, utf8Lines);
  return path;
}

}  // namespace quillon::testing

#pragma once
// Builds small device databases for the workspace tests, written as the controllers' tools
// write them: Windows-1251 with CRLF.
#include <string>

#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "workspace/paths.h"

namespace quillon::testing {

// A device file of the database: Devices/<group>/<name>.
inline std::string WriteDevice(const WorkspacePaths& paths, const std::string& group, const std::string& name,
                               const std::string& id, const std::string& description = "Насос",
                               const std::string& location = "Цех 1",
                               const std::string& lastDateTime = "01.02.2023 10:00:00") {
  const std::string path = paths.devices + group + "/" + name;
  std::string text = "[DEVICE]\n";
  if (!id.empty()) text += "ID=" + id + "\n";
  text += "Description=" + description + "\nLocation=" + location + "\nLastDateTime=" + lastDateTime +
          "\n[vars]\nInom=100\n[FLASH]\np1=Inom/Ток/TWORD/x0100/r0080/А/Inom%1000/2///x03E8/\n";
  WriteCp1251File(path, text);
  return path;
}

}  // namespace quillon::testing

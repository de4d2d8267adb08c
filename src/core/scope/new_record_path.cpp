#include "scope/new_record_path.h"

#include "platform/files.h"
#include "scope/record_file.h"

namespace quillon {

std::string NewRecordPath(const std::string& directory, DateTime when) {
  EnsureDirectory(directory);
  const std::string name = RecordFileName(when);
  const std::string stem = name.substr(0, name.size() - 4);
  std::string path = directory + name;
  for (int copy = 2; FileExists(path); ++copy) path = directory + stem + "_" + std::to_string(copy) + ".rec";
  return path;
}

}  // namespace quillon

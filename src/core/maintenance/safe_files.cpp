#include "maintenance/safe_files.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "platform/files.h"
#include "platform/save_temporaries.h"
#include "workspace/paths.h"

namespace quillon {

namespace {

std::string Reason(int error) { return error != 0 ? std::string(": ") + std::strerror(error) : std::string(); }

}  // namespace

bool IsPlainFileName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string_view::npos;
}

void ReplaceFileByCopy(const std::string& source, const std::string& target) {
  const std::string to = NormalizeSeparators(target);
  RemoveStaleSaveTemporaries(to);
  const std::string temp = SaveTemporaryName(to);
  if (!CopyFileTo(source, temp, true)) {
    const int error = errno;
    RemoveFile(temp);
    throw std::runtime_error("Не удалось скопировать файл " + PathForDisplay(source) + " в " + PathForDisplay(to) +
                             Reason(error));
  }
  ClearReadOnly(temp);
  if (std::rename(temp.c_str(), to.c_str()) != 0) {
    const int error = errno;
    RemoveFile(temp);
    throw std::runtime_error("Не удалось записать файл " + PathForDisplay(to) + Reason(error));
  }
}

}  // namespace quillon

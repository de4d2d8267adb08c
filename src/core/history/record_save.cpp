#include "history/record_save.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "history/device_history.h"
#include "workspace/device_file.h"

namespace quillon {

namespace {

bool UnderDevices(const WorkspacePaths& paths, const std::string& filePath) {
  namespace fs = std::filesystem;
  std::error_code ignored;
  const fs::path dir = fs::weakly_canonical(fs::absolute(paths.devices), ignored);
  const fs::path relative = fs::weakly_canonical(fs::absolute(filePath), ignored).lexically_relative(dir);
  return !relative.empty() && *relative.begin() != ".." && relative != ".";
}

}  // namespace

DeviceSaveRecord RecordDeviceSave(const WorkspacePaths& paths, const std::string& filePath,
                                  std::string_view beforeBytes, std::string_view afterBytes) {
  DeviceSaveRecord record;
  if (paths.devices.empty() || !UnderDevices(paths, filePath) || IsBackupPath(paths, filePath)) return record;
  const GitLibrary git;
  // The last version is what the commit's own difference is taken against; a file changed by
  // hand since then shows those changes too, rather than a message that disagrees with git.
  const HistoryResult<std::string> last = DeviceFileAt(git, paths.devices, filePath, "HEAD");
  const std::string_view before = last ? std::string_view(last.value) : beforeBytes;
  record.changes = CompareDeviceFiles(before, afterBytes);
  const std::string name = std::filesystem::path(filePath).filename().string();
  const HistoryResult<CommitOutcome> commit = CommitDeviceFile(
      git, paths.devices, filePath, VersionMessage(name, before, afterBytes), EngineerAuthor(paths.SettingsFile()));
  record.error = commit.error;
  record.committed = commit.value.committed;
  record.shortId = commit.value.shortId;
  return record;
}

std::string DeviceFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  if (in) bytes << in.rdbuf();
  return bytes.str();
}

std::string HistoryWarning(const DeviceSaveRecord& record) {
  return record.error.empty() ? std::string() : "Версия не записана в историю:\r\n" + record.error;
}

}  // namespace quillon

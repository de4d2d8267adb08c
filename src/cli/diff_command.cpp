// quillon-cli diff --device FILE REV [REV2]: what a device file's values changed from one
// version to another, or to the file as it is now.
#include <cstdio>

#include "cli/commands.h"
#include "cli/link_command_args.h"
#include "history/device_history.h"
#include "history/record_save.h"
#include "platform/files.h"
#include "workspace/paths.h"

namespace quillon::cli {

int RunDiffCommand(const Args& args) {
  std::string device;
  Args revisions;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--device" && i + 1 < args.size()) device = args[++i];
    else if (args[i].rfind("--", 0) == 0) return UsageError("diff: unknown option " + args[i]);
    else revisions.push_back(args[i]);
  }
  if (device.empty() || revisions.empty() || revisions.size() > 2)
    return UsageError("diff: --device FILE REV [REV2] is required");
  const std::string path = ResolveDevicePath(device);
  const GitLibrary git;
  const auto before = DeviceFileAt(git, Workspace().devices, path, revisions[0]);
  if (!before) {
    std::fprintf(stderr, "quillon-cli: %s\n", before.error.c_str());
    return kExitFailed;
  }
  HistoryResult<std::string> after;
  if (revisions.size() == 2) {
    after = DeviceFileAt(git, Workspace().devices, path, revisions[1]);
  } else if (FileExists(path)) {
    after.value = DeviceFileBytes(path);
  } else {
    after.error = "device file not found: " + path;
  }
  if (!after) {
    std::fprintf(stderr, "quillon-cli: %s\n", after.error.c_str());
    return kExitFailed;
  }
  for (const DeviceChange& change : CompareDeviceFiles(before.value, after.value))
    std::printf("%s\t%s\t%s\n", change.key.c_str(), change.before.c_str(), change.after.c_str());
  return kExitDone;
}

}  // namespace quillon::cli

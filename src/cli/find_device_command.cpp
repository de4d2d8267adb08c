#include <cstdio>

#include "cli/commands.h"
#include "workspace/device_file.h"
#include "workspace/paths.h"

namespace quillon::cli {

int RunFindDeviceCommand(const Args& args) {
  if (args.size() != 1) return UsageError("find-device takes one identification string (quote it)");
  const auto match = FindDeviceFile(Workspace(), args[0]);
  if (match.path.empty()) {
    std::fputs("no device file matches\n", stderr);
    return kExitFailed;
  }
  std::printf("%s\t%d\n", match.path.c_str(), match.flags);
  return kExitDone;
}

}  // namespace quillon::cli

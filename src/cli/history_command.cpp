// quillon-cli history --device FILE: the versions of a device file in Devices/'s history.
#include <cstdio>

#include "cli/commands.h"
#include "cli/link_command_args.h"
#include "history/device_history.h"
#include "workspace/paths.h"

namespace quillon::cli {

int RunHistoryCommand(const Args& args) {
  if (args.size() != 2 || args[0] != "--device") return UsageError("history: --device FILE is required");
  const GitLibrary git;
  const auto versions = DeviceVersions(git, Workspace().devices, ResolveDevicePath(args[1]));
  if (!versions) {
    std::fprintf(stderr, "quillon-cli: %s\n", versions.error.c_str());
    return kExitFailed;
  }
  for (const DeviceVersion& version : versions.value) {
    std::printf("%s\t%s\t%s\t%s\n", version.shortId.c_str(), version.time.c_str(), version.author.c_str(),
                version.summary.c_str());
  }
  return kExitDone;
}

}  // namespace quillon::cli

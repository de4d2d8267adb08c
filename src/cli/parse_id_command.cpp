#include <cstdio>

#include "cli/commands.h"
#include "workspace/identification.h"

namespace quillon::cli {

int RunParseIdCommand(const Args& args) {
  if (args.size() != 1) return UsageError("parse-id takes one identification string (quote it)");
  const auto id = ParseIdentification(args[0]);
  if (!id) {
    std::fputs("not an identification string\n", stderr);
    return kExitFailed;
  }
  std::printf("serial=%s\n", id->serial.c_str());
  std::printf("type=%s\n", id->deviceType.c_str());
  std::printf("device_version=%s\n", id->deviceVersion.c_str());
  std::printf("firmware_version=%s\n", id->firmwareVersion.c_str());
  std::printf("firmware_date=%s\n", id->firmwareDate.c_str());
  if (id->hasExtra) std::printf("extra=%s\n", id->extra.c_str());
  std::printf("type_key=%s\n", DeviceTypeKey(*id).c_str());
  return kExitDone;
}

}  // namespace quillon::cli

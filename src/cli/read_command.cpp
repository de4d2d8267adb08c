// quillon-cli read --device FILE [--set S] LINK: the parameter set read from the controller
// beside the base values, as the parameter table shows it after "Подключить".
#include <cstdio>
#include <stdexcept>

#include "cli/commands.h"
#include "cli/link_command_args.h"
#include "cli/link_parameters.h"
#include "workspace/paths.h"

namespace quillon::cli {

int RunReadCommand(const Args& args, bool trace) {
  LinkCommandArgs parsed;
  try {
    parsed = ParseLinkCommandArgs(args, {"--device", "--set"});
  } catch (const std::invalid_argument& error) {
    return UsageError(std::string("read: ") + error.what());
  }
  if (!parsed.Has("--device")) return UsageError("read: --device FILE is required");
  if (const auto failed = FailedLinkCheck(parsed.link, LinkCheck::Read)) return *failed;
  DeviceParameters parameters;
  LoadParameters(parameters, ResolveDevicePath(parsed.options["--device"]),
                 parsed.Has("--set") ? parsed.options["--set"] : "FLASH");
  // A device without variables ends the read silently, as in the main window.
  if (parameters.Empty()) return kExitDone;
  try {
    LinkSession session(parsed.link, Workspace().program, trace);
    ReadParameters(session, parameters);
  } catch (const LinkFailure& error) {
    return ReportLinkFailure(error.what());
  }
  std::fputs(ParameterRows(parameters).c_str(), stdout);
  return kExitDone;
}

}  // namespace quillon::cli

// quillon-cli write --device FILE (--var NAME --value TEXT | --base) LINK: one value written as
// the parameter table's controller cell writes it, or the whole base image as the "База"
// header writes it; then read back.
#include <cstdio>
#include <stdexcept>

#include "cli/commands.h"
#include "cli/link_command_args.h"
#include "cli/link_parameters.h"
#include "workspace/paths.h"

namespace quillon::cli {

int RunWriteCommand(const Args& args, bool trace) {
  LinkCommandArgs parsed;
  try {
    parsed = ParseLinkCommandArgs(args, {"--device", "--set", "--var", "--value"}, {"--base"});
  } catch (const std::invalid_argument& error) {
    return UsageError(std::string("write: ") + error.what());
  }
  const bool wholeImage = parsed.Flag("--base");
  if (!parsed.Has("--device")) return UsageError("write: --device FILE is required");
  if (wholeImage == (parsed.Has("--var") || parsed.Has("--value"))) {
    return UsageError("write: give either --var NAME --value TEXT or --base");
  }
  if (!wholeImage && !(parsed.Has("--var") && parsed.Has("--value"))) {
    return UsageError("write: --var NAME and --value TEXT go together");
  }
  if (const auto failed = FailedLinkCheck(parsed.link, wholeImage ? LinkCheck::WriteImage : LinkCheck::WriteValue)) {
    return *failed;
  }
  DeviceParameters parameters;
  LoadParameters(parameters, ResolveDevicePath(parsed.options["--device"]),
                 parsed.Has("--set") ? parsed.options["--set"] : "FLASH");
  if (parameters.Empty()) return kExitDone;
  TView* variable = nullptr;
  if (!wholeImage) {
    variable = parameters.List().FindVariable(parsed.options["--var"]);
    if (variable == nullptr) {
      std::fprintf(stderr, "quillon-cli: no variable named \"%s\" in the set\n", parsed.options["--var"].c_str());
      return kExitFailed;
    }
  }
  try {
    LinkSession session(parsed.link, Workspace().program, trace);
    if (wholeImage) {
      WriteBaseImage(session, parameters);
      ReadParameters(session, parameters);
      std::fputs(ParameterRows(parameters).c_str(), stdout);
      return kExitDone;
    }
    // The current controller image supplies the other half of a register and the other bits
    // of a bit byte.
    ReadParameters(session, parameters);
    WriteValue(session, parameters, *variable, parsed.options["--value"]);
    ReadParameters(session, parameters);
    std::printf("%s\n", ParameterRow(*variable, true).c_str());
    return kExitDone;
  } catch (const LinkFailure& error) {
    return ReportLinkFailure(error.what());
  } catch (const std::invalid_argument& error) {
    std::fprintf(stderr, "quillon-cli: %s\n", error.what());
    return kExitFailed;
  }
}

}  // namespace quillon::cli

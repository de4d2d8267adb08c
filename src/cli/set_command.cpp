// quillon-cli set --device FILE [--set S] --var NAME --value TEXT: one base value changed as the
// parameter table's base cell takes an entry, and the file saved as the main window saves it,
// which makes the save a version in the history of Devices/.
#include <cstdio>
#include <stdexcept>

#include "cli/commands.h"
#include "cli/link_command_args.h"
#include "cli/link_parameters.h"
#include "device/cell_commit.h"
#include "device/device_save.h"
#include "platform/ini_document.h"
#include "platform/prompt.h"
#include "variables/entry.h"
#include "workspace/device_file.h"

namespace quillon::cli {

namespace {

// The identity the window shows is the file's own; LastDateTime stays, since no controller was
// visited: the date records the last commissioning, not the last edit.
DeviceIdentityTexts FileIdentity(const std::string& path) {
  const IniDocument file = IniDocument::Load(path);
  return {file.Value(kDeviceSection, "ID", ""), file.Value(kDeviceSection, "Description", ""),
          file.Value(kDeviceSection, "Location", ""), file.Value(kDeviceSection, "LastDateTime", "")};
}

}  // namespace

int RunSetCommand(const Args& args) {
  LinkCommandArgs parsed;
  try {
    parsed = ParseLinkCommandArgs(args, {"--device", "--set", "--var", "--value"});
  } catch (const std::invalid_argument& error) {
    return UsageError(std::string("set: ") + error.what());
  }
  if (!parsed.Has("--device") || !parsed.Has("--var") || !parsed.Has("--value"))
    return UsageError("set: --device FILE, --var NAME and --value TEXT are required");
  const std::string path = ResolveDevicePath(parsed.options["--device"]);
  DeviceParameters parameters;
  LoadParameters(parameters, path, parsed.Has("--set") ? parsed.options["--set"] : "FLASH");
  TView* variable = parameters.List().FindVariable(parsed.options["--var"]);
  if (variable == nullptr) {
    std::fprintf(stderr, "quillon-cli: no variable named \"%s\" in the set\n", parsed.options["--var"].c_str());
    return kExitFailed;
  }
  const CellCommit commit = CommitCell(*variable, kBasePhysicalKind, parsed.options["--value"]);
  StderrPrompt prompt;
  if (commit.refused) {
    TellRefusedEntry(prompt);
    return kExitFailed;
  }
  if (commit.ratioWarning) prompt.Warning("Предупреждение", *commit.ratioWarning);
  const std::string before = DeviceFileBytes(path);
  DeviceSaveRecord record;
  try {
    record = SaveDevice(parameters, FileIdentity(path));
  } catch (const std::runtime_error& error) {
    std::fprintf(stderr, "quillon-cli: Не удалось сохранить изменения: %s\n", error.what());
    return kExitFailed;
  }
  for (const DeviceChange& change : CompareDeviceFiles(before, DeviceFileBytes(path)))
    std::printf("%s\n", ChangeLine(change).c_str());
  // The value is saved either way; only the version is missing.
  if (!record.error.empty()) std::fprintf(stderr, "quillon-cli: история версий: %s\n", record.error.c_str());
  return kExitDone;
}

}  // namespace quillon::cli

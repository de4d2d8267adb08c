// quillon-cli report: the commissioning report of one device, filled into the workspace's
// XLT/template3.xlt exactly as the "Отчёт" window fills it, so a whole site can be reported
// from a script.
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "cli/commands.h"
#include "cli/link_command_args.h"
#include "cli/link_parameters.h"
#include "device/device_parameters.h"
#include "maintenance/device_report.h"
#include "maintenance/report_output.h"
#include "text/datetime.h"
#include "text/numbers.h"
#include "workspace/paths.h"
#include "workspace/settings.h"

namespace quillon::cli {
namespace {

constexpr const char* kUsage =
    "usage: quillon-cli [--workspace DIR] report --device FILE [--out FILE.xlsx [--force]]\n"
    "                   [--organization TEXT] [--number N] [--set FLASH|CD|RAM]\n"
    "  fills XLT/template3.xlt of the workspace with the device's identity, its parameters\n"
    "  (the last on top) and its scale lines, and prints the path of the report written.\n"
    "  Without --out the report goes to Reports/ under a new name. An existing --out file is\n"
    "  replaced only with --force; a device file or a template never is. Organization and number\n"
    "  default to Organization and ReportNumber of settings.ini; when the number is taken from\n"
    "  there and ReportNumAutoInc is 1, the stored number is increased by one, as the window does.\n";

int ReportUsageError(const std::string& message) {
  std::fprintf(stderr, "quillon-cli report: %s\n%s", message.c_str(), kUsage);
  return kExitUsage;
}

// Stores the next report number; a number that is no integer is left as it is.
void AdvanceStoredNumber(const std::string& settingsFile, const std::string& number) {
  const auto value = TryReadInteger(number);
  if (!value) {
    std::fprintf(stderr, "quillon-cli report: ReportNumber \"%s\" is no integer and is not increased\n",
                 number.c_str());
    return;
  }
  WriteSetting(settingsFile, "ReportNumber", std::to_string(*value + 1));
}

// kExitDone when the report may be written at `out`, otherwise the failure after its message.
int RefuseOut(const WorkspacePaths& paths, const std::string& out, const std::string& devicePath, bool force) {
  const char* reason = nullptr;
  switch (CheckReportOut(paths, out, devicePath)) {
    case ReportOutCheck::Free:
      return kExitDone;
    case ReportOutCheck::Exists:
      if (force) return kExitDone;
      reason = "exists; add --force to replace it";
      break;
    case ReportOutCheck::NotAFile:
      reason = "is no regular file and is not written";
      break;
    case ReportOutCheck::DatabaseFile:
      reason = "is a device file or a template and is never replaced by a report";
      break;
  }
  std::fprintf(stderr, "quillon-cli report: %s %s\n", out.c_str(), reason);
  return kExitFailed;
}

}  // namespace

int RunReportCommand(const Args& args) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kUsage, stdout);
    return kExitDone;
  }
  std::map<std::string, std::string> options;
  bool force = false;
  for (std::size_t i = 0; i < args.size();) {
    const std::string& name = args[i];
    if (name == "--force") {
      force = true;
      ++i;
      continue;
    }
    if (name != "--device" && name != "--out" && name != "--organization" && name != "--number" && name != "--set") {
      return ReportUsageError("unknown argument: " + name);
    }
    if (i + 1 >= args.size()) return ReportUsageError(name + " needs a value");
    options[name] = args[i + 1];
    i += 2;
  }
  if (!options.contains("--device")) return ReportUsageError("--device is required");
  if (force && !options.contains("--out")) return ReportUsageError("--force goes with --out");

  const WorkspacePaths& paths = Workspace();
  const std::string settingsFile = paths.SettingsFile();
  DeviceParameters parameters;
  const std::string devicePath =
      std::filesystem::absolute(ResolveDevicePath(options["--device"])).lexically_normal().string();
  LoadParameters(parameters, devicePath, options.contains("--set") ? options["--set"] : "FLASH");

  DeviceReportRequest request;
  request.devicePath = devicePath;
  request.parameters = ReportParameterRows(parameters.List());
  request.scaleLines = parameters.List().Scales.Lines;
  request.organization =
      options.contains("--organization") ? options["--organization"] : ReadSetting(settingsFile, "Organization");
  request.number = options.contains("--number") ? options["--number"] : ReadSetting(settingsFile, "ReportNumber");
  request.when = NowDateTime();
  if (options.contains("--out")) {
    request.outPath = std::filesystem::absolute(options["--out"]).string();
    // Decided before anything is filled, so a refusal leaves every file as it was.
    if (const int refused = RefuseOut(paths, request.outPath, devicePath, force); refused != kExitDone) return refused;
  }

  ReportNotes notes;
  const std::string written = MakeDeviceReport(paths, request, ReportProgress{}, &notes);
  for (const auto& note : notes) std::fprintf(stderr, "quillon-cli report: %s\n", note.c_str());
  if (!options.contains("--number") && ReadSettingInt(settingsFile, "ReportNumAutoInc") == 1) {
    AdvanceStoredNumber(settingsFile, request.number);
  }
  std::printf("%s\n", written.c_str());
  return kExitDone;
}

}  // namespace quillon::cli

// quillon-cli record: what a scope window records, without the window. The scope file's
// variables are polled over the link it names for a while, then the whole history is written as
// the window's record button writes it. Made for long unattended recordings on a site PC.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "cli/commands.h"
#include "cli/frame_trace.h"
#include "cli/stop_signals.h"
#include "link/comm_list.h"
#include "link/link_hub.h"
#include "platform/files.h"
#include "platform/prompt.h"
#include "scope/new_record_path.h"
#include "scope/record_file.h"
#include "scope/record_span.h"
#include "scope/scope_columns.h"
#include "scope/scope_device.h"
#include "scope/scope_file.h"
#include "scope/scope_session.h"
#include "text/numbers.h"
#include "variables/special/time_mark.h"
#include "workspace/paths.h"

namespace quillon::cli {
namespace {

constexpr const char* kUsage =
    "usage: quillon-cli [--workspace DIR] record --scope FILE.scp [--seconds S] [--out FILE.rec]\n"
    "  polls the variables of the scope file over the link it names, as its scope window does,\n"
    "  for S seconds (default 10; Ctrl+C ends earlier), then writes everything polled as a\n"
    "  record and prints its path. Without --out the record is a new Records/ddmmyy_hhmmss.rec\n"
    "  of the workspace, as the window names it. FILE.scp is looked up in ScopeWindow/ of the\n"
    "  workspace when it does not exist as given. A device that never answers fails with the\n"
    "  window's status text and nothing is written.\n";

// The longest run asked for; far beyond what the history holds at any rate the line allows.
constexpr double kMostSeconds = 7 * 24 * 3600.0;
constexpr auto kWaitStep = std::chrono::milliseconds(20);
// What the window's status bar shows while the device does not answer.
constexpr const char* kSilentStatus = "DNR!";

int RecordUsageError(const std::string& message) {
  std::fprintf(stderr, "quillon-cli record: %s\n%s", message.c_str(), kUsage);
  return kExitUsage;
}

int Failed(const std::string& message) {
  std::fprintf(stderr, "%s\n", message.c_str());
  return kExitFailed;
}

int IntegerOr(const std::string& text, int fallback) {
  const auto value = TryReadInteger(text);
  return value ? static_cast<int>(*value) : fallback;
}

std::string ScopeFilePath(const std::string& given) {
  if (FileExists(given)) return given;
  const std::string inWorkspace = Workspace().scopeWindow + given;
  return FileExists(inWorkspace) ? inWorkspace : given;
}

// The window's record header, its placement and columns as the scope file holds them: the
// record opens where the window that made it would have stood.
RecordHeader HeaderOf(const TBaseProperty& settings, const TViewList& list) {
  RecordHeader header;
  header.DevicePath = settings.DevicePath;
  header.Left = IntegerOr(settings.Left, header.Left);
  header.Top = IntegerOr(settings.Top, header.Top);
  header.Width = IntegerOr(settings.Width, header.Width);
  header.Height = IntegerOr(settings.Height, header.Height);
  header.ColWidths = ColumnWidthsOf(settings.ColWidths);
  header.Zoom = ZoomText(list.Step);
  return header;
}

// The scope file read as the window reads it: settings, then the shown variables built from the
// device file, the time mark on top. Nothing when it cannot be (the reason is printed).
bool LoadScope(const std::string& path, TBaseProperty& settings, ScopeSession& session) {
  if (!ReadScopeSettings(path, settings)) {
    Failed(ScopeFileRefusal(path));
    return false;
  }
  std::vector<std::string> shown;
  for (const std::string& key : ReadViewListKeys(settings.FilePath)) shown.push_back(key + " ");
  const ScopeDeviceResult built =
      OpenDeviceFromList(settings, shown, settings.FilePath, session.list, session.image, Workspace());
  switch (built.status) {
    case ScopeDeviceStatus::Built:
      break;
    case ScopeDeviceStatus::DeviceFileMissing:
      // The window would offer to look for it; here nobody is there to answer.
      Failed(std::string(kDeviceFileNotFoundCaption) + "\n" + settings.DevicePath);
      return false;
    case ScopeDeviceStatus::NoDeviceSection:
      Failed(built.message);
      return false;
  }
  auto mark = std::make_unique<TTimeMark>();
  mark->Owner = &session.list;
  mark->AttachMarkFlags(session.poll.TickByte());
  mark->Grid = settings.Grid != "0";
  session.list.Variables.insert(session.list.Variables.begin(), std::move(mark));
  return true;
}

// Why a registration that did not start the polling ends the run; nothing when polling goes
// on (also while a TCP device is not reached yet: the window keeps trying then).
std::optional<std::string> RegistrationFailure(ScopeRegistration registration, const TBaseProperty& settings) {
  switch (registration) {
    case ScopeRegistration::Polling:
    case ScopeRegistration::Unreachable:
      return std::nullopt;
    case ScopeRegistration::PortFailed:
      return PortErrorMessage(settings.PortName);
    case ScopeRegistration::BadSettings:
      return "Неверные настройки связи: скорость " + settings.Baud + ", пауза " + settings.FrameEnd + ", порт TCP " +
             settings.IPPort;
    case ScopeRegistration::NotPolled:
      break;
  }
  return "Неверные настройки связи: протокол " + settings.Protocol;
}

bool ErrorStatus(const std::string& text) { return !TryReadInteger(text).has_value(); }

struct RecordArgs {
  std::optional<std::string> scope;
  std::optional<std::string> out;
  double seconds = 10;
};

// The exit code when the arguments end the run already (help asked for, or a usage error);
// nothing when `read` holds what to record.
std::optional<int> ReadRecordArgs(const Args& args, RecordArgs& read) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kUsage, stdout);
    return kExitDone;
  }
  std::optional<std::string>& scope = read.scope;
  std::optional<std::string>& out = read.out;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg != "--scope" && arg != "--seconds" && arg != "--out") {
      return RecordUsageError(arg.rfind("--", 0) == 0 ? "unknown option " + arg : "unexpected argument " + arg);
    }
    if (i + 1 >= args.size()) return RecordUsageError(arg + " needs a value");
    const std::string& value = args[++i];
    if (arg == "--scope") {
      scope = value;
    } else if (arg == "--out") {
      out = value;
    } else {
      const auto number = TryReadReal(value);
      if (!number || !(*number > 0) || *number > kMostSeconds) {
        return RecordUsageError("--seconds wants a number of seconds above 0");
      }
      read.seconds = *number;
    }
  }
  if (!scope || scope->empty()) return RecordUsageError("--scope is missing");
  if (out && out->empty()) return RecordUsageError("--out needs a file name");
  return std::nullopt;
}

}  // namespace

int RunRecordCommand(const Args& args, bool trace) {
  RecordArgs read;
  if (const std::optional<int> exit = ReadRecordArgs(args, read)) return *exit;
  const std::string& scope = *read.scope;
  const std::optional<std::string>& out = read.out;
  const double seconds = read.seconds;

  // From here on a stop signal must not kill the run: whatever was polled by then is written.
  const StopSignals signals;
  LinkHub hub(Workspace().program);
  const FrameTrace frameTrace(hub.Traffic(), trace);
  ScopeSession session(hub);
  TBaseProperty settings;
  settings.RefreshMode = "auto";
  settings.Vars = &session.list;
  settings.Image = session.image;
  if (!LoadScope(ScopeFilePath(scope), settings, session)) return kExitFailed;
  if (!session.poll.PreparePoll(settings)) {
    return Failed(*RegistrationFailure(ScopeRegistration::NotPolled, settings));
  }

  ScopeRegistration registration = session.RegisterPoll(settings);
  if (const auto failure = RegistrationFailure(registration, settings)) {
    session.Withdraw(true);
    return Failed(*failure);
  }
  // The status panel's last error text: what a run without a single sample reports.
  std::string lastError = registration == ScopeRegistration::Unreachable ? kSilentStatus : "";
  const auto note = [&](const std::string& text) {
    if (ErrorStatus(text)) lastError = text;
  };

  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  const auto end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  auto nextTick = start + std::chrono::seconds(1);
  while (!signals.Requested() && Clock::now() < end) {
    std::this_thread::sleep_for(std::min<Clock::duration>(kWaitStep, std::max(end - Clock::now(), Clock::duration{})));
    if (Clock::now() < nextTick) continue;
    nextTick += std::chrono::seconds(1);
    // The tick also marks the next sample as the first of a new second, as the window's grid
    // needs it in the record.
    note(session.poll.OneSecondTick());
    if (registration == ScopeRegistration::Unreachable) {
      session.Withdraw(false);
      session.poll.PreparePoll(settings);
      registration = session.RegisterPoll(settings);
      if (registration == ScopeRegistration::Unreachable) note(kSilentStatus);
    }
  }
  session.Withdraw(true);
  // The part second since the last tick counts too: a run shorter than a second has no other.
  note(session.poll.OneSecondTick());

  TTimeMark& timeMark = static_cast<TTimeMark&>(session.list.Item(0));
  const RecordSpan span = WholeHistorySpan(timeMark, timeMark.History.Head());
  if (span.count == 0) return Failed(lastError.empty() ? kSilentStatus : lastError);

  const std::string target = out ? std::filesystem::absolute(*out).lexically_normal().string()
                                 : NewRecordPath(Workspace().records, NowDateTime());
  const int last = span.first + span.count - 1;
  StderrPrompt prompt;
  if (WriteRecord(HeaderOf(settings, session.list), session.list, span.first, target, last, prompt) == 0) {
    return kExitFailed;  // the reason is on stderr already
  }
  std::printf("%s\n", target.c_str());
  return kExitDone;
}

}  // namespace quillon::cli

// quillon-cli osc: the oscillogram around an event, taken from a copy of the controller's
// OSC.dat on disk and written as a record, as the event tool's "Просмотреть из файла" does.
#include <cstdio>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/link_command_args.h"
#include "events/descriptions.h"
#include "events/osc_decode.h"
#include "events/osc_search.h"
#include "platform/files.h"
#include "platform/prompt.h"
#include "text/numbers.h"
#include "workspace/paths.h"

namespace quillon::cli {
namespace {

constexpr const char* kUsage =
    "usage: quillon-cli [--workspace DIR] osc --device DEVICE.ini FILE --at POSITION\n"
    "                   [--before S] [--after S] [--out FILE.rec]\n"
    "  writes the oscillogram of FILE (a copy of the controller's OSC.dat) around the event at\n"
    "  record POSITION (decimal) as a record and prints its path: S seconds before and after the\n"
    "  event (default 30 and 30), wrapping round the circular file. Without --out the record is\n"
    "  Records/OSC.rec of the workspace, as the event tool names it. A record holds at most\n"
    "  32767 samples; when more lie in the span, those farthest from the event are left out and\n"
    "  stderr says how many.\n";

constexpr const char* kFileNotOpenText = "ФАЙЛ НЕ ОТКРЫТ!";

int OscUsageError(const std::string& message) {
  std::fprintf(stderr, "quillon-cli osc: %s\n%s", message.c_str(), kUsage);
  return kExitUsage;
}

int Failed(const std::string& message) {
  std::fprintf(stderr, "%s\n", message.c_str());
  return kExitFailed;
}

std::optional<std::uint32_t> Unsigned(const std::string& text) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  const auto value = TryReadInteger(text);
  if (!value || *value < 0 || *value > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  return static_cast<std::uint32_t>(*value);
}

}  // namespace

int RunOscCommand(const Args& args) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kUsage, stdout);
    return kExitDone;
  }
  std::optional<std::string> device, path, out;
  std::optional<std::uint32_t> position;
  std::uint32_t before = 30;
  std::uint32_t after = 30;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--device" || arg == "--out" || arg == "--at" || arg == "--before" || arg == "--after") {
      if (i + 1 >= args.size()) return OscUsageError(arg + " needs a value");
      const std::string& value = args[++i];
      if (arg == "--device") {
        device = value;
      } else if (arg == "--out") {
        out = value;
      } else {
        const auto number = Unsigned(value);
        if (!number) return OscUsageError(arg + " wants a decimal number from 0 on");
        if (arg == "--at") {
          position = *number;
        } else {
          (arg == "--before" ? before : after) = *number;
        }
      }
    } else if (arg.rfind("--", 0) == 0) {
      return OscUsageError("unknown option " + arg);
    } else if (path) {
      return OscUsageError("give one oscillogram file");
    } else {
      path = arg;
    }
  }
  if (!device) return OscUsageError("--device is missing");
  if (!path) return OscUsageError("the oscillogram file is missing");
  if (!position) return OscUsageError("--at is missing");

  const std::string devicePath = ResolveDevicePath(*device);
  if (!FileExists(devicePath)) return Failed(StatDeviceMissingMessage(devicePath));
  auto file = OscFile::Open(*path);
  if (!file || !FileExists(*path)) return Failed(kFileNotOpenText);

  const OscDecodeRange range = OscRangeAround(*file, *position, before, after);
  OscRecorder recorder(devicePath);
  const OscDecodeResult result = DecodeOsc(*file, range, recorder);
  if (!result) return Failed(result.message);

  const std::string target =
      std::filesystem::absolute(out ? *out : Workspace().records + "OSC.rec").lexically_normal().string();
  StderrPrompt prompt;
  if (recorder.Write(target, prompt) == 0) return kExitFailed;  // the reason is on stderr already
  if (result.omitted > 0) std::fprintf(stderr, "%s\n", result.Note().c_str());
  std::printf("%s\n", target.c_str());
  return kExitDone;
}

}  // namespace quillon::cli

// quillon-cli events: a controller's event or statistics file read with the device file's
// descriptions, one line per row the event tool's grid shows.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "events/buffer_files.h"
#include "platform/files.h"

namespace quillon::cli {
namespace {

constexpr const char* kUsage =
    "usage: quillon-cli events --device DEVICE.ini FILE [--kind events|stat]\n"
    "  prints the rows of an event file (F, date, time, event, initiator) or of a statistics\n"
    "  file (F, counter, value, description), TAB-separated, as the event tool shows them.\n"
    "  --kind says which the file is; otherwise *.edat is an event file, and any other file is\n"
    "  judged by its content: whole 16-byte records with real dates are events (an all-zero file\n"
    "  too, unless its size fits the STAT section), anything else is statistics. The kind read\n"
    "  is noted on standard error, and so is a statistics file that does not fit the STAT section.\n";

int EventsUsageError(const std::string& message) {
  std::fprintf(stderr, "quillon-cli events: %s\n%s", message.c_str(), kUsage);
  return kExitUsage;
}

int Failed(const std::string& message) {
  std::fprintf(stderr, "%s\n", message.c_str());
  return kExitFailed;
}

bool EndsWithNoCase(const std::string& text, const std::string& tail) {
  if (text.size() < tail.size()) return false;
  for (std::size_t i = 0; i < tail.size(); ++i) {
    const char c = text[text.size() - tail.size() + i];
    if (static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != tail[i]) return false;
  }
  return true;
}

void PrintRow(const GridRow& row) {
  std::string line;
  for (std::size_t i = 0; i < row.size(); ++i) line += (i == 0 ? "" : "\t") + row[i];
  line += "\n";
  std::fputs(line.c_str(), stdout);
}

void ReportPartial(std::size_t bytes, std::size_t itemSize) {
  if (bytes == 0) return;
  std::fprintf(stderr, "quillon-cli events: the last %zu bytes are no whole %zu-byte item and are ignored\n", bytes,
               itemSize);
}

// `note` says how the kind was chosen; it is told once the file has been read as that kind.
void ReportKind(const std::string& note) {
  if (!note.empty()) std::fprintf(stderr, "quillon-cli events: %s\n", note.c_str());
}

int PrintEvents(const std::string& devicePath, const std::string& path, const std::string& note) {
  const auto descriptions = ReadEventDescriptions(devicePath);
  if (!descriptions.loaded) return Failed(descriptions.message);
  std::vector<ShownEvent> events;
  const BufferRead read = ReadEventFile(path, descriptions.entries, events);
  if (!read.opened) return Failed(kFileOpenFailedText);
  ReportKind(note);
  for (const ShownEvent& event : events) PrintRow(EventGridRow(event));
  ReportPartial(read.partialBytes, kEventRecordSize);
  return kExitDone;
}

int PrintStatistics(const std::string& devicePath, const std::string& path, const std::string& note) {
  auto descriptions = ReadStatDescriptions(devicePath);
  if (!descriptions.loaded) return Failed(descriptions.message);
  const BufferRead read = ReadStatFile(path, descriptions.entries);
  if (!read.opened) return Failed(kFileOpenFailedText);
  ReportKind(note);
  for (const StatEntry& entry : descriptions.entries) PrintRow(StatGridRow(entry));
  // The warning counts a partial last value too, so it stands in for ReportPartial here.
  if (const auto warning = StatSizeWarning(read.bytes, descriptions.entries.size())) {
    std::fprintf(stderr, "%s\n", warning->c_str());
  }
  return kExitDone;
}

// The kind of a file the options do not name: *.edat by its name, any other by its content. The
// device's STAT entries are counted only to tell an emptied event buffer from zero counters.
std::optional<BufferKind> KindOfFile(const std::string& devicePath, const std::string& path, std::string& how) {
  if (EndsWithNoCase(path, ".edat")) {
    how = "by the name *.edat";
    return BufferKind::Events;
  }
  const auto bytes = ReadWholeFile(path);
  if (!bytes) return std::nullopt;
  how = "judged by the content (--kind overrides)";
  return EventKindOf(*bytes, ReadStatDescriptions(devicePath).entries.size());
}

}  // namespace

int RunEventsCommand(const Args& args) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kUsage, stdout);
    return kExitDone;
  }
  std::optional<std::string> device, path, kind;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--device" || arg == "--kind") {
      if (i + 1 >= args.size()) return EventsUsageError(arg + " needs a value");
      (arg == "--device" ? device : kind) = args[++i];
    } else if (arg.rfind("--", 0) == 0) {
      return EventsUsageError("unknown option " + arg);
    } else if (path) {
      return EventsUsageError("give one event or statistics file");
    } else {
      path = arg;
    }
  }
  if (!device) return EventsUsageError("--device is missing");
  if (!path) return EventsUsageError("the event or statistics file is missing");
  if (kind && *kind != "events" && *kind != "stat") return EventsUsageError("--kind is events or stat");
  if (!FileExists(*path)) return Failed(kBufferFileMissingText);
  if (kind) return *kind == "events" ? PrintEvents(*device, *path, "") : PrintStatistics(*device, *path, "");
  std::string how;
  const std::optional<BufferKind> found = KindOfFile(*device, *path, how);
  if (!found) return Failed(kFileOpenFailedText);
  if (*found == BufferKind::Events) return PrintEvents(*device, *path, "read as events, " + how);
  return PrintStatistics(*device, *path, "read as statistics, " + how);
}

}  // namespace quillon::cli

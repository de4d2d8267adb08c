// quillon-cli rec: a record's summary and its samples as a table, for engineers who take a
// recording home without the scope window.
#include <cstdio>
#include <iostream>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

#include "cli/commands.h"
#include "scope/record_export.h"
#include "text/numbers.h"

namespace quillon::cli {
namespace {

constexpr const char* kUsage =
    "usage: quillon-cli rec info FILE\n"
    "       quillon-cli rec csv FILE [--physical] [--from N] [--to N]\n"
    "  info        identification, number of samples, first and last sample time, variables\n"
    "  csv         samples as \"time;NAME;...\" rows (UTF-8, CR LF), hex columns by default\n"
    "  --physical  values as the scope window shows them instead of hex\n"
    "  --from N    first sample (0 = the oldest), --to N last sample, both included\n";

int RecUsageError(const std::string& message) {
  std::fprintf(stderr, "quillon-cli rec: %s\n%s", message.c_str(), kUsage);
  return kExitUsage;
}

std::optional<int> SampleNumber(const std::string& text) {
  const auto value = TryReadInteger(text);
  if (!value || *value < 0 || *value > std::numeric_limits<int>::max()) return std::nullopt;
  return static_cast<int>(*value);
}

int PrintInfo(const std::string& path) {
  const RecordSummary summary = ReadRecordSummary(path);
  std::string out = "id: " + summary.id + "\nsamples: " + std::to_string(summary.samples) +
                    "\nstart: " + summary.start + "\nend: " + summary.end + "\n";
  for (const auto& name : summary.names) out += "var: " + name + "\n";
  std::fputs(out.c_str(), stdout);
  return kExitDone;
}

}  // namespace

int RunRecCommand(const Args& args) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kUsage, stdout);
    return kExitDone;
  }
  if (args.empty()) return RecUsageError("info or csv?");
  const std::string& action = args[0];
  if (action != "info" && action != "csv") return RecUsageError("unknown action " + action);

  std::optional<std::string> path;
  bool physical = false;
  std::optional<int> from, to;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (action == "csv" && arg == "--physical") {
      physical = true;
    } else if (action == "csv" && (arg == "--from" || arg == "--to")) {
      if (i + 1 >= args.size()) return RecUsageError(arg + " needs a sample number");
      const auto number = SampleNumber(args[++i]);
      if (!number) return RecUsageError(arg + " wants a sample number from 0 on");
      (arg == "--from" ? from : to) = number;
    } else if (arg.rfind("--", 0) == 0) {
      return RecUsageError("unknown option " + arg);
    } else if (path) {
      return RecUsageError("give one record file");
    } else {
      path = arg;
    }
  }
  if (!path) return RecUsageError("the record file is missing");

  try {
    if (action == "info") return PrintInfo(*path);
    // The whole table is checked before its first line goes out, so a failure leaves no half table.
    WriteRecordCsv(*path, std::cout, physical, from, to);
    std::cout.flush();
    return std::cout ? kExitDone : kExitFailed;
  } catch (const std::runtime_error& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return kExitFailed;
  }
}

}  // namespace quillon::cli

// quillon-cli var: shows how the tools read one definition line, for engineers who edit device
// files by hand.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "platform/ini_document.h"
#include "platform/prompt.h"
#include "text/numbers.h"
#include "variables/entry.h"
#include "variables/registry.h"
#include "variables/view_list.h"

namespace quillon::cli {
namespace {

constexpr const char* kUsage =
    "usage: quillon-cli var [--scale NAME=VALUE]... [--view TEXT] [--image HEXBYTES] [--entry TEXT] "
    "\"KEY=DEFINITION\"\n"
    "  --scale NAME=VALUE  a line of the scale table (repeatable)\n"
    "  --view TEXT         view parameters, default 0/0/0/\n"
    "  --image HEXBYTES    bytes in memory order placed at the variable's address, e.g. \"E8 03\"\n"
    "  --entry TEXT        an entry to parse as the table would (\"=12,5\", \"=x1F\")\n";

struct Options {
  std::vector<std::string> Scales;
  std::string View;
  std::vector<std::uint8_t> Image;
  std::optional<std::string> Entry;
  std::string Line;
};

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Pairs of hexadecimal digits; blanks between bytes are allowed.
std::optional<std::vector<std::uint8_t>> ParseHexBytes(const std::string& text) {
  std::vector<std::uint8_t> bytes;
  int high = -1;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == ',') {
      if (high >= 0) return std::nullopt;
      continue;
    }
    const int digit = HexValue(c);
    if (digit < 0) return std::nullopt;
    if (high < 0) {
      high = digit;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high << 4 | digit));
      high = -1;
    }
  }
  if (high >= 0) return std::nullopt;
  return bytes;
}

int VarUsageError(const std::string& message) {
  std::fprintf(stderr, "quillon-cli var: %s\n%s", message.c_str(), kUsage);
  return kExitUsage;
}

}  // namespace

int RunVarCommand(const Args& args) {
  Options options;
  bool haveLine = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool takesValue = arg == "--scale" || arg == "--view" || arg == "--image" || arg == "--entry";
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return kExitDone;
    }
    if (takesValue) {
      if (i + 1 >= args.size()) return VarUsageError(arg + " needs a value");
      const std::string& value = args[++i];
      if (arg == "--scale") {
        if (value.find('=') == std::string::npos) return VarUsageError("--scale wants NAME=VALUE");
        options.Scales.push_back(value);
      } else if (arg == "--view") {
        options.View = value;
      } else if (arg == "--image") {
        auto bytes = ParseHexBytes(value);
        if (!bytes) return VarUsageError("--image wants pairs of hexadecimal digits");
        options.Image = std::move(*bytes);
      } else {
        options.Entry = value;
      }
    } else if (arg.rfind("--", 0) == 0) {
      return VarUsageError("unknown option " + arg);
    } else if (haveLine) {
      return VarUsageError("give one definition line");
    } else {
      // The line is copied from a device file, so it is read as the device file's reader
      // hands it to the registry.
      options.Line = ProfileLine(arg);
      haveLine = true;
    }
  }
  if (!haveLine) return VarUsageError("the definition line is missing");

  TViewList list;
  for (const auto& scale : options.Scales) list.AddScale(scale);
  std::vector<std::uint8_t> image(kImageSize, 0);
  try {
    TView* variable = CreateVariable(options.Line, options.View, image, list);
    if (variable == nullptr) {
      std::fputs("line ignored\n", stderr);
      return kExitFailed;
    }
    if (variable->Definition().Address + options.Image.size() > image.size()) {
      std::fputs("the image bytes run past the end of the 64 KiB memory image\n", stderr);
      return kExitFailed;
    }
    for (std::size_t i = 0; i < options.Image.size(); ++i) image[variable->Definition().Address + i] = options.Image[i];
    variable->TakeSample();
    std::string out;
    for (int kind = 0; kind <= 8; ++kind)
      out += std::to_string(kind) + ": " + variable->ColumnTextAt(kind, variable->History.Head()) + "\n";
    out += "definition: " + variable->DefinitionLine() + "\n";
    if (options.Entry) {
      // The parameter table puts "=" in front of what the user typed.
      std::string entry = options.Entry->find('=') == std::string::npos ? "=" + *options.Entry : *options.Entry;
      StderrPrompt prompt;
      const std::uint32_t raw = ParseTypedEntry(*variable, entry, prompt);
      const int digits = 2 * std::clamp(variable->Definition().Size, 1, 4);
      out += entry == "Error" ? std::string("raw: Error\n") : "raw: x" + HexDigits(raw, digits) + "\n";
    }
    std::fputs(out.c_str(), stdout);
  } catch (const ConversionError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return kExitFailed;
  }
  return kExitDone;
}

}  // namespace quillon::cli

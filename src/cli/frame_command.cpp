// quillon-cli frame KIND ...: the request frames the program sends, as hex bytes.
#include <cstdio>
#include <map>
#include <stdexcept>

#include "cli/commands.h"
#include "cli/link_text.h"
#include "link/buses.h"
#include "link/spans.h"
#include "text/numbers.h"

namespace quillon::cli {
namespace {

// --name value pairs; the remaining words are the data bytes.
struct FrameArgs {
  std::map<std::string, std::string> options;
  Args rest;

  const std::string& Required(const std::string& name) const {
    const auto found = options.find(name);
    if (found == options.end()) throw std::invalid_argument(name + " is required");
    return found->second;
  }
};

FrameArgs SplitFrameArgs(const Args& args, std::initializer_list<const char*> known) {
  FrameArgs split;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i].rfind("--", 0) == 0) {
      bool isKnown = false;
      for (const char* name : known) isKnown = isKnown || args[i] == name;
      if (!isKnown) throw std::invalid_argument("unknown option " + args[i]);
      if (i + 1 >= args.size()) throw std::invalid_argument(args[i] + " needs a value");
      split.options[args[i]] = args[i + 1];
      ++i;
    } else {
      split.rest.push_back(args[i]);
    }
  }
  return split;
}

std::uint16_t Word(const FrameArgs& split, const std::string& name) {
  return static_cast<std::uint16_t>(OptionNumber(name, split.Required(name), 0, 0xFFFF));
}

std::vector<std::uint8_t> BuildFrame(const std::string& kind, const Args& args) {
  std::vector<std::uint8_t> frame(kMaxFrameLength + 16);
  int length = 0;
  if (kind == "qubus-id") {
    if (!args.empty()) throw std::invalid_argument("qubus-id takes no arguments");
    BuildQuBUSRead(nullptr, "ID", 0, 0, frame.data(), length);
  } else if (kind == "qubus-read") {
    const FrameArgs split = SplitFrameArgs(args, {"--area", "--start", "--end", "--unit"});
    if (!split.rest.empty()) throw std::invalid_argument("unexpected \"" + split.rest.front() + "\"");
    const std::string& area = split.Required("--area");
    if (!QuBUSReadCode(area) || area == "ID") throw std::invalid_argument("--area must be RAM, XRAM or FLASH");
    const int unit = split.options.count("--unit")
                         ? static_cast<int>(OptionNumber("--unit", split.options.at("--unit"), 1, 255))
                         : 1;
    BuildQuBUSRead(unit, area, Word(split, "--start"), Word(split, "--end"), frame.data(), length);
  } else if (kind == "qubus-write") {
    const FrameArgs split = SplitFrameArgs(args, {"--area", "--addr"});
    const std::string& area = split.Required("--area");
    if (!QuBUSWriteCode(area)) throw std::invalid_argument("--area must be RAM, XRAM or FLASH");
    const auto data = ParseHexBytes(split.rest);
    if (data.empty() || data.size() > static_cast<std::size_t>(kMaxQuBUSWriteBytes)) {
      throw std::invalid_argument("qubus-write takes 1 to " + std::to_string(kMaxQuBUSWriteBytes) + " data bytes");
    }
    BuildQuBUSWrite(area, Word(split, "--addr"), data.data(), static_cast<int>(data.size()), frame.data(), length);
  } else if (kind == "modbus-read") {
    const FrameArgs split = SplitFrameArgs(args, {"--slave", "--start", "--end"});
    if (!split.rest.empty()) throw std::invalid_argument("unexpected \"" + split.rest.front() + "\"");
    const std::string& slave = split.Required("--slave");
    OptionNumber("--slave", slave, 0, 255);
    BuildMODBUSRead(slave, Word(split, "--start"), Word(split, "--end"), frame.data(), length);
  } else if (kind == "modbus-write") {
    const FrameArgs split = SplitFrameArgs(args, {"--slave", "--reg"});
    const std::string& slave = split.Required("--slave");
    OptionNumber("--slave", slave, 0, 255);
    auto data = ParseHexBytes(split.rest);
    if (data.size() < 2 || data.size() % 2 != 0 || data.size() > static_cast<std::size_t>(kMaxMODBUSWriteBytes)) {
      throw std::invalid_argument("modbus-write takes an even number of data bytes, 2 to " +
                                  std::to_string(kMaxMODBUSWriteBytes));
    }
    BuildMODBUSWrite(slave, Word(split, "--reg"), data.data(), static_cast<int>(data.size()), frame.data(), length);
  } else {
    throw std::invalid_argument("unknown frame kind \"" + kind + "\"");
  }
  frame.resize(static_cast<std::size_t>(length));
  return frame;
}

}  // namespace

int RunFrameCommand(const Args& args) {
  if (args.empty())
    return UsageError("frame: which frame? (qubus-id, qubus-read, qubus-write, modbus-read, modbus-write)");
  try {
    const auto frame = BuildFrame(args[0], Args(args.begin() + 1, args.end()));
    std::printf("%s\n", FormatHexBytes(frame).c_str());
    return kExitDone;
  } catch (const std::invalid_argument& error) {
    return UsageError(std::string("frame: ") + error.what());
  }
}

}  // namespace quillon::cli

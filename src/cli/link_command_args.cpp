#include "cli/link_command_args.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "platform/files.h"
#include "workspace/paths.h"

namespace quillon::cli {

bool LinkCommandArgs::Flag(const std::string& name) const {
  return std::find(flags.begin(), flags.end(), name) != flags.end();
}

LinkCommandArgs ParseLinkCommandArgs(const Args& args, std::initializer_list<const char*> valueOptions,
                                     std::initializer_list<const char*> flagOptions) {
  LinkCommandArgs parsed;
  Args rest = args;
  parsed.link = TakeLinkOptions(rest);
  for (std::size_t i = 0; i < rest.size(); ++i) {
    const std::string& arg = rest[i];
    const bool takesValue =
        std::any_of(valueOptions.begin(), valueOptions.end(), [&](const char* o) { return arg == o; });
    const bool isFlag = std::any_of(flagOptions.begin(), flagOptions.end(), [&](const char* o) { return arg == o; });
    if (takesValue) {
      if (i + 1 >= rest.size()) throw std::invalid_argument(arg + " needs a value");
      parsed.options[arg] = rest[++i];
    } else if (isFlag) {
      parsed.flags.push_back(arg);
    } else {
      throw std::invalid_argument("unexpected argument \"" + arg + "\"");
    }
  }
  return parsed;
}

std::string ResolveDevicePath(const std::string& path) {
  if (FileExists(path)) return path;
  const std::string inDevices = Workspace().devices + path;
  return FileExists(inDevices) ? inDevices : path;
}

int ReportLinkFailure(const std::string& message) {
  std::fprintf(stderr, "%s\n", message.c_str());
  return kExitFailed;
}

std::optional<int> FailedLinkCheck(const LinkFieldTexts& fields, LinkCheck check) {
  if (const auto failure = CheckLinkFields(fields, check)) return ReportLinkFailure(failure->message);
  return std::nullopt;
}

}  // namespace quillon::cli

#pragma once
// What the commands that talk to a controller share: their link options, checked as the main
// window checks its link fields, and the session over the program's port workers.
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/link_session.h"
#include "cli/link_settings.h"
#include "link/link_check.h"

namespace quillon::cli {

struct LinkCommandArgs {
  LinkFieldTexts link;
  std::map<std::string, std::string> options;  // the command's own --name value options
  std::vector<std::string> flags;              // the command's own --name options without value

  bool Has(const std::string& name) const { return options.count(name) != 0; }
  bool Flag(const std::string& name) const;
};

// Splits the arguments; anything not known is a usage error (std::invalid_argument).
LinkCommandArgs ParseLinkCommandArgs(const Args& args, std::initializer_list<const char*> valueOptions,
                                     std::initializer_list<const char*> flagOptions = {});

// The device file as given, or else under the workspace's Devices/.
std::string ResolveDevicePath(const std::string& path);

// Prints a link failure as the main window would show it and returns the failed exit code.
int ReportLinkFailure(const std::string& message);
// The main window's check of its link fields; the failed exit code after its message, or
// nothing when the fields may be used.
std::optional<int> FailedLinkCheck(const LinkFieldTexts& fields, LinkCheck check);

}  // namespace quillon::cli

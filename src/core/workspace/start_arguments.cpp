#include "workspace/start_arguments.h"

#include <cctype>
#include <string_view>

namespace quillon {

namespace {

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    const auto a = static_cast<unsigned char>(text[text.size() - suffix.size() + i]);
    if (std::tolower(a) != suffix[i]) return false;
  }
  return true;
}

}  // namespace

StartArguments ParseStartArguments(const std::vector<std::string>& args) {
  StartArguments parsed;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool takesValue = arg == "--workspace" || arg == "--scope" || arg == "--record";
    if (takesValue) {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        parsed.problems.push_back(arg + " needs a value");
        continue;
      }
      const std::string& value = args[++i];
      if (arg == "--workspace") parsed.workspace = value;
      else if (arg == "--scope") parsed.scopeFiles.push_back(value);
      else parsed.recordFiles.push_back(value);
    } else if (arg.rfind("--workspace=", 0) == 0) {
      parsed.workspace = arg.substr(std::string_view("--workspace=").size());
    } else if (!arg.empty() && arg.front() == '-') {
      parsed.problems.push_back("unknown option: " + arg);
    } else if (EndsWithNoCase(arg, ".scp")) {
      parsed.scopeFiles.push_back(arg);
    } else if (EndsWithNoCase(arg, ".rec")) {
      parsed.recordFiles.push_back(arg);
    } else {
      parsed.problems.push_back("not a scope window file (.scp) or a record (.rec): " + arg);
    }
  }
  return parsed;
}

}  // namespace quillon

#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "text/numbers.h"
#include "workspace/catalogue.h"
#include "workspace/paths.h"
#include "workspace/settings.h"

namespace quillon::cli {

namespace {

void PrintNodes(const std::vector<CatalogueNode>& nodes, int level) {
  const std::string indent(static_cast<std::size_t>(level) * 2, ' ');
  for (const auto& node : nodes) {
    std::string line = indent + node.caption;
    if (!node.path.empty()) {
      line += "\t" + node.path;
      if (node.backup) line += " [backup]";
    }
    std::printf("%s\n", line.c_str());
    PrintNodes(node.children, level + 1);
  }
}

}  // namespace

int RunCatalogueCommand(const Args& args) {
  const auto& paths = Workspace();
  int sortType = 0;
  if (args.empty()) {
    sortType = ReadSettingInt(paths.SettingsFile(), "SortType");
  } else if (args.size() == 2 && args[0] == "--sort") {
    const auto number = TryReadInteger(args[1]);
    if (!number) return UsageError("--sort needs a number, not \"" + args[1] + "\"");
    sortType = *number >= 0 && *number <= 4 ? static_cast<int>(*number) : 0;
  } else {
    return UsageError("catalogue takes only --sort N");
  }
  Catalogue catalogue;
  catalogue.Fill(paths, sortType);
  PrintNodes(catalogue.Roots(), 0);
  return kExitDone;
}

}  // namespace quillon::cli

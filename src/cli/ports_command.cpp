// quillon-cli ports: the serial ports the port box offers, one name per line, found the way the
// box finds them (probing leaves other programs' ports as they were).
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "link/comm_list.h"
#include "text/items.h"
#include "workspace/paths.h"

namespace quillon::cli {

int RunPortsCommand(const Args& args) {
  if (!args.empty()) return UsageError("ports takes no arguments");
  TCommList ports(Workspace().program);
  const std::string listing = ports.ListComPorts();
  if (listing.empty()) return kExitDone;
  for (const std::string& name : SplitItems(listing)) std::printf("%s\n", name.c_str());
  return kExitDone;
}

}  // namespace quillon::cli

#pragma once
// Sub-commands of quillon-cli. Each takes the arguments after its own name and returns the
// process exit code (0 done, 1 failed with a message on stderr, 2 usage error).
#include <string>
#include <vector>

namespace quillon::cli {

using Args = std::vector<std::string>;

int RunVarCommand(const Args& args);

}  // namespace quillon::cli

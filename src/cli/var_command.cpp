#include <cstdio>

#include "commands.h"

namespace quillon::cli {

// Placeholder until the definition-line inspector lands.
int RunVarCommand(const Args&) {
  std::fputs("quillon-cli var: not available yet\n", stderr);
  return 2;
}

}  // namespace quillon::cli

#pragma once
// The program's command line: quillon [--workspace DIR] [--scope FILE.scp]... [--record FILE.rec]...
// [FILE.scp | FILE.rec]... A file named without an option is opened by its extension, which is how
// the file manager hands over a double-clicked record or scope window file.
#include <string>
#include <vector>

namespace quillon {

struct StartArguments {
  std::string workspace;                // --workspace DIR or --workspace=DIR; empty when not given
  std::vector<std::string> scopeFiles;  // in the order named
  std::vector<std::string> recordFiles;
  std::vector<std::string> problems;  // one line each, for stderr; the start goes on without them
};

// `args` without the program name, Qt's own options already taken out.
StartArguments ParseStartArguments(const std::vector<std::string>& args);

}  // namespace quillon

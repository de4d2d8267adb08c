#pragma once
// git's own command-line tool, run by a test to read back what the program wrote into a
// repository: an independent witness of the history and the sync.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run_program.h"

namespace quillon::testing {

// `git -C dir args...`; a failing command fails the test and returns what it printed.
inline std::string Git(const std::string& dir, std::vector<std::string> args) {
  args.insert(args.begin(), {"/usr/bin/git", "-C", dir});
  const RunResult result = RunProgram(args);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  return result.out;
}

}  // namespace quillon::testing

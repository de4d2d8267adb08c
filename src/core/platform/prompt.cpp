#include "platform/prompt.h"

#include <cstdio>

namespace quillon {

void StderrPrompt::Warning(const std::string& caption, const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

bool StderrPrompt::Question(const std::string&, const std::string&) { return false; }

}  // namespace quillon

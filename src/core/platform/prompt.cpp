#include "platform/prompt.h"

#include <atomic>
#include <cstdio>

namespace quillon {
namespace {

class StderrPrompt : public Prompt {
 public:
  void Warning(const std::string& caption, const std::string& text) override {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  }
  bool Question(const std::string&, const std::string&) override { return false; }
};

StderrPrompt defaultPrompt;
std::atomic<Prompt*> installed{nullptr};

}  // namespace

Prompt& CurrentPrompt() {
  Prompt* prompt = installed.load();
  return prompt ? *prompt : defaultPrompt;
}

void InstallPrompt(Prompt* prompt) { installed.store(prompt); }

ScopedPrompt::ScopedPrompt(Prompt& prompt) : previous_(installed.exchange(&prompt)) {}
ScopedPrompt::~ScopedPrompt() { installed.store(previous_); }

}  // namespace quillon

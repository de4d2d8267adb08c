#include "app/support/current_prompt.h"

#include <atomic>

namespace quillon {
namespace {

StderrPrompt defaultPrompt;
// Atomic because a few tools still report from the link task queue's thread.
std::atomic<Prompt*> installed{nullptr};

}  // namespace

Prompt& CurrentPrompt() {
  Prompt* prompt = installed.load();
  return prompt ? *prompt : defaultPrompt;
}

ScopedPrompt::ScopedPrompt(Prompt& prompt) : previous_(installed.exchange(&prompt)) {}
ScopedPrompt::~ScopedPrompt() { installed.store(previous_); }

}  // namespace quillon

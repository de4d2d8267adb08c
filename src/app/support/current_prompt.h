#pragma once
// The prompt the windows tell the user through. main installs the message boxes (QtPrompt) for
// the program's life; app tests install a recorder. Without one, warnings go to standard error
// and questions are answered "No". Window thread only.
#include "platform/prompt.h"

namespace quillon {

// The installed prompt (never null).
Prompt& CurrentPrompt();

// Installs a prompt for the lifetime of the guard and restores the previous one after.
class ScopedPrompt {
 public:
  explicit ScopedPrompt(Prompt& prompt);
  ~ScopedPrompt();
  ScopedPrompt(const ScopedPrompt&) = delete;
  ScopedPrompt& operator=(const ScopedPrompt&) = delete;

 private:
  Prompt* previous_;
};

}  // namespace quillon

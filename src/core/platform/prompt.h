#pragma once
// How core code asks or tells the user something. The application installs a message-box
// implementation; tests install a recorder; without one, warnings go to stderr and
// questions are answered "No".
#include <string>

namespace quillon {

class Prompt {
 public:
  virtual ~Prompt() = default;
  virtual void Warning(const std::string& caption, const std::string& text) = 0;
  // true for "Yes".
  virtual bool Question(const std::string& caption, const std::string& text) = 0;
};

// The installed prompt (never null). Installing nullptr restores the default.
Prompt& CurrentPrompt();
void InstallPrompt(Prompt* prompt);

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

#pragma once
// How the core asks or tells the user something. The core never shows anything itself: a
// function that may need the user takes a Prompt& from its caller. The windows pass their
// message boxes (app/support/current_prompt.h), the command-line programs a StderrPrompt, tests
// a recorder.
#include <string>

namespace quillon {

class Prompt {
 public:
  virtual ~Prompt() = default;
  virtual void Warning(const std::string& caption, const std::string& text) = 0;
  // true for "Yes".
  virtual bool Question(const std::string& caption, const std::string& text) = 0;
};

// Warnings go to standard error as "caption: text"; questions are answered "No".
class StderrPrompt : public Prompt {
 public:
  void Warning(const std::string& caption, const std::string& text) override;
  bool Question(const std::string& caption, const std::string& text) override;
};

}  // namespace quillon

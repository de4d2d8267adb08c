#pragma once
// Message boxes for the questions and warnings that core code raises through Prompt.
#include "platform/prompt.h"

namespace quillon {

class QtPrompt final : public Prompt {
 public:
  void Warning(const std::string& caption, const std::string& text) override;
  // Yes/No with "No" as the default button: Enter pressed by reflex must not delete or
  // overwrite anything.
  bool Question(const std::string& caption, const std::string& text) override;
};

}  // namespace quillon

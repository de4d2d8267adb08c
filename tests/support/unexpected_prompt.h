#pragma once
// The prompt handed to code that should have nothing to tell: any warning or question it gets
// fails the test, with the text it would have shown.
#include <gtest/gtest.h>

#include <string>

#include "platform/prompt.h"

namespace quillon::testing {

class UnexpectedPrompt : public Prompt {
 public:
  void Warning(const std::string& caption, const std::string& text) override {
    ADD_FAILURE() << "warned: " << caption << ": " << text;
  }
  bool Question(const std::string& caption, const std::string& text) override {
    ADD_FAILURE() << "asked: " << caption << ": " << text;
    return false;
  }
};

}  // namespace quillon::testing

#pragma once
// Shared set-up of the variables tests: a list with its scale table, a zeroed memory image and
// a prompt that records warnings instead of showing them.
#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/prompt.h"
#include "recording_canvas.h"
#include "text/numbers.h"
#include "variables/registry.h"
#include "variables/view_list.h"

namespace quillon::testing {

// The four bytes of a 32-bit cell, lowest first, as they lie in the memory image.
inline std::vector<std::uint8_t> BytesOf(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

class VariableTest : public ::testing::Test {
 protected:
  TView* Make(std::string_view line, std::string_view view = {}) { return CreateVariable(line, view, image, list); }
  template <typename T = TView>
  T& Create(std::string_view line, std::string_view view = {}) {
    TView* created = Make(line, view);
    if (created == nullptr) throw std::runtime_error("line ignored: " + std::string(line));
    auto* typed = dynamic_cast<T*>(created);
    if (typed == nullptr) throw std::runtime_error("wrong type for: " + std::string(line));
    return *typed;
  }
  // Places bytes at the variable's address (lowest address first) and takes one sample.
  void Sample(TView& v, const std::vector<std::uint8_t>& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) image[v.Definition().Address + i] = bytes[i];
    v.TakeSample();
  }
  std::uint32_t Parse(TView& v, std::string entry) { return v.ParseInput(entry); }
  // A column as the table shows it: for the newest sample.
  static std::string Column(TView& v, int kind) { return v.ColumnTextAt(kind, v.History.Head()); }
  std::string ParsedText(TView& v, std::string entry) {
    v.ParseInput(entry);
    return entry;
  }

  std::vector<std::uint8_t> image = std::vector<std::uint8_t>(kImageSize);
  TViewList list;
  RecordingPrompt prompt;
};

}  // namespace quillon::testing

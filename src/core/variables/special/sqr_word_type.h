#pragma once
// TSQRWord: a word that holds the square of a quantity divided by 256 (a current whose square
// the controller integrates, say). It reads and writes like a word but has no scale, keeps
// only the value last read, and may follow a reference variable through the square law.
#include <cstdint>
#include <string>
#include <vector>

#include "variables/special/current_value_view.h"

namespace quillon {

class TSQRWord : public CurrentValueView {
 public:
  TSQRWord();
  bool TakesReference() const override { return true; }

  std::string ValueTextAt(int index, bool strip, int digits) override;
  std::string BaseText(const std::string& text) override;
  std::uint32_t ParseInput(std::string& text) override;
  std::string HexTextAt(int index) override;
  std::string DefinitionText() override;
  void ReadDefinition(const std::vector<std::string>& items) override;
  // Throws ConversionError when the entry is not an integer.
  std::optional<std::string> UpdateRatio(const std::string& text) override;
  // The scale item is ignored, so a changed scale table changes nothing.
  void Rescale() override {}

 private:
  // The reference this variable follows; null when it has none or it is missing.
  TView* Reference();
};

}  // namespace quillon

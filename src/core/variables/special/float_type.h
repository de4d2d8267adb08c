#pragma once
// TFloat: an IEEE single in a 4-byte cell, scaled like the integer types.
#include <cstdint>
#include <string>
#include <vector>

#include "variables/view.h"

namespace quillon {

class TFloat : public TView {
 public:
  TFloat();
  ViewKind Kind() const override { return ViewKind::Float; }
  bool IsSigned() const override { return true; }

  // Item 8 only decides how the trend is drawn: non-zero centres it on a zero line.
  bool SignedTrend = false;

  void TakeSample() override;
  void DrawRow(Canvas& canvas, int y, int index) override;
  std::string ValueTextAt(int index, bool strip, int digits) override;
  std::string BaseText(const std::string& text) override;
  std::uint32_t ParseInput(std::string& text) override;
  // The newest sample, not the one the cursor points at: the hex column tells what the
  // controller holds now.
  std::string HexTextAt(int index) override;
  std::string DefinitionText() override;
  void ReadDefinition(const std::vector<std::string>& items) override;
  void ApplyViewParameters(std::string_view parameters) override;

  // The float in the entry at a ring index, unscaled.
  float SampleValue(int index) const;

 private:
  void DrawTrend(Canvas& canvas, int y);
};

float FloatOfBits(std::uint32_t bits);
std::uint32_t BitsOfFloat(float value);

}  // namespace quillon

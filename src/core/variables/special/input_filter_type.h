#pragma once
// TInputFilter: the time constant of an input filter, a word counted in filter ticks
// (0.0002 s unless the scale says otherwise). It reads and draws like a word; records carry
// its stored value rather than what the controller held.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "variables/integer_types.h"

namespace quillon {

inline constexpr double kFilterTick = 0.0002;

class TInputFilter : public TWORD {
 public:
  TInputFilter();
  // A filter time follows no other variable, though it is laid out as a word.
  bool TakesReference() const override { return false; }

  std::string BaseText(const std::string& text) override;
  std::string DefinitionText() override;
  void ReadDefinition(const std::vector<std::string>& items) override;

  std::size_t SampleBytes(int n) const override;
  std::size_t CopySamples(std::span<std::uint8_t> dest, int start, int n) const override;
  std::size_t LoadSamples(std::span<const std::uint8_t> src, int n) override;

 protected:
  double ScaleFallback() const override { return kFilterTick; }
};

}  // namespace quillon

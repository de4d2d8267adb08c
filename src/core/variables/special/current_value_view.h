#pragma once
// Variables that keep only the value last read, not a history: named-value cells, square-law
// words and the timer-derived quantities. Their one 32-bit cell is what records carry and what
// the row shows, whatever sample the rest of the window is looking at.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "variables/view.h"

namespace quillon {

class CurrentValueView : public TView {
 public:
  void TakeSample() override;
  // Text only: these rows have no trend.
  void DrawRow(Canvas& canvas, int y, int index) override;

  // A record carries one value per variable, whatever the number of samples.
  std::size_t SampleBytes(int n) const override;
  std::size_t CopySamples(std::span<std::uint8_t> dest, int start, int n) const override;
  std::size_t LoadSamples(std::span<const std::uint8_t> src, int n) override;

  std::uint32_t CurrentValue() const;
  void SetCurrentValue(std::uint32_t value);

 protected:
  CurrentValueView(std::string_view typeName, int size);

  // Bytes of the cell that belong to the value: Size, but never more than the 32-bit cell.
  int CellBytes() const;
  // "x" and 2 hexadecimal digits per byte of the cell.
  std::string CellHexText() const;
};

}  // namespace quillon

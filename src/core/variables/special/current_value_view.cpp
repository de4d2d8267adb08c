#include "variables/special/current_value_view.h"

#include <algorithm>

#include "text/numbers.h"

namespace quillon {

CurrentValueView::CurrentValueView(std::string_view typeName, int size) : TView(typeName, 4, 1) {
  definition_.Size = size;
}

int CurrentValueView::CellBytes() const { return std::clamp<int>(definition_.Size, 0, 4); }

std::uint32_t CurrentValueView::CurrentValue() const { return static_cast<std::uint32_t>(SampleAt(0)); }

void CurrentValueView::SetCurrentValue(std::uint32_t value) { History.Store(0, value); }

void CurrentValueView::TakeSample() {
  if (definition_.NoAddress || definition_.NotInMemory) return;
  const int bytes = CellBytes();
  const std::uint64_t mask = bytes >= 4 ? 0xFFFFFFFFu : (std::uint64_t{1} << (8 * bytes)) - 1;
  SetCurrentValue(static_cast<std::uint32_t>(ReadData(bytes) & mask));
}

std::string CurrentValueView::CellHexText() const { return "x" + HexDigits(CurrentValue(), 2 * CellBytes()); }

void CurrentValueView::DrawRow(Canvas& canvas, int y, int index) {
  DrawRowFrame(canvas, y, HexTextAt(index), ValueTextAt(index, false, 2));
}

std::size_t CurrentValueView::SampleBytes(int) const { return static_cast<std::size_t>(CellBytes()); }

std::size_t CurrentValueView::CopySamples(std::span<std::uint8_t> dest, int, int) const {
  const auto bytes = static_cast<std::size_t>(CellBytes());
  if (dest.size() < bytes) return 0;
  const std::uint32_t value = CurrentValue();
  for (std::size_t i = 0; i < bytes; ++i) dest[i] = static_cast<std::uint8_t>(value >> (8 * i));
  return bytes;
}

std::size_t CurrentValueView::LoadSamples(std::span<const std::uint8_t> src, int n) {
  const auto bytes = static_cast<std::size_t>(CellBytes());
  // A record cut short leaves the variable as it was rather than half loaded.
  if (src.size() < bytes) return 0;
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < bytes; ++i) value |= static_cast<std::uint32_t>(src[i]) << (8 * i);
  SetCurrentValue(value);
  History.SetHead(std::max(n, 0));
  return bytes;
}

}  // namespace quillon

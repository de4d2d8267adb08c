#pragma once
// TTimeMark: the row a scope window keeps on top of its variables to record when the user
// marked a moment. Each sample stores the window's pending mark flags and the time it was
// taken; the row draws a vertical line through the whole window for every mark.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "text/datetime.h"
#include "variables/view.h"

namespace quillon {

// Mark flags: below 64 a one-second tick, bit 6 the cursor sample, 128 and above a ruler.
inline constexpr std::uint8_t kNavyMark = 64;
inline constexpr std::uint8_t kRedMark = 128;
inline constexpr int kTimeMarkEntryBytes = 9;

class TTimeMark : public TView {
 public:
  TTimeMark();

  // The window's grid flag: the one-second ticks (marks below 64) are drawn only with it, and
  // it is on from creation.
  bool Grid = true;
  // Where the time of a sample comes from; tests set a fixed clock.
  std::function<DateTime()> Clock = NowDateTime;

  // The window's pending mark flags: read and cleared by every sample.
  void AttachMarkFlags(std::uint8_t* flags);

  // The row is as high as the window.
  void Layout() override;
  void TakeSample() override;
  void DrawRow(Canvas& canvas, int y) override;
  // Date and time of the newest sample.
  std::string ValueText(bool strip, int digits) override;
  std::string BaseText(const std::string& text) override { return text; }
  std::uint32_t ParseInput(std::string& text) override;
  // The mark byte of the shown sample.
  std::string HexText() override;
  std::string DefinitionText() override;
  // Time marks are made by scope windows, never read from a line.
  void ReadDefinition(const std::vector<std::string>&) override {}
  void ApplyViewParameters(std::string_view) override {}
  void WriteBase(std::span<std::uint8_t>) override {}
  void Rescale() override {}

  std::uint8_t MarkAt(int index) const;
  DateTime TimeAt(int index) const;
};

}  // namespace quillon

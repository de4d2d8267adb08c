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
  ViewKind Kind() const override { return ViewKind::TimeMark; }

  // The window's grid flag: the one-second ticks (marks below 64) are drawn only with it, and
  // it is on from creation.
  bool Grid = true;
  // Where the time of a sample comes from; tests set a fixed clock.
  std::function<DateTime()> Clock = NowDateTime;

  // The window's pending mark flags: read and cleared by every sample. The window sets them
  // from its own thread through std::atomic_ref.
  void AttachMarkFlags(std::uint8_t* flags);

  // The row is as high as the window.
  void Layout() override;
  void TakeSample() override;
  void DrawRow(Canvas& canvas, int y, int index) override;
  // Date and time of the newest sample.
  std::string ValueTextAt(int index, bool strip, int digits) override;
  std::string BaseText(const std::string& text) override { return text; }
  std::uint32_t ParseInput(std::string& text) override;
  // The mark byte of the sample at `index`.
  std::string HexTextAt(int index) override;
  std::string DefinitionText() override;
  // Time marks are made by scope windows, never read from a line.
  void ReadDefinition(const std::vector<std::string>&) override {}
  void ApplyViewParameters(std::string_view) override {}
  void WriteBase(std::span<std::uint8_t>) override {}
  void Rescale() override {}

  // A record carries the mark byte and the time of each sample.
  std::size_t SampleBytes(int n) const override;
  std::size_t CopySamples(std::span<std::uint8_t> dest, int start, int n) const override;
  std::size_t LoadSamples(std::span<const std::uint8_t> src, int n) override;

  std::uint8_t MarkAt(int index) const;
  DateTime TimeAt(int index) const;
  // Cursor and ruler marks are set and cleared by the window while the worker samples: these
  // change only the given bits of the entry.
  void SetMarkBits(int index, std::uint8_t bits);
  void ClearMarkBits(int index, std::uint8_t bits);

 private:
  void StoreEntry(int index, std::uint8_t mark, DateTime time);

  // The times of the samples; the marks are the ring of the record.
  SampleRing times_;
};

}  // namespace quillon

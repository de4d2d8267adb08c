#pragma once
// TView: one controller variable declared by a definition line. Every type keeps the same
// record and answers the same fifteen operations; the types differ in how they turn raw bytes
// into text and back and in how they draw their trend.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "variables/canvas.h"
#include "variables/sample_ring.h"

namespace quillon {

class TViewList;

// Samples kept per variable; ring indexes wrap modulo this.
inline constexpr int kHistoryLength = 32768;
// Size of the memory images that windows keep of controller memory.
inline constexpr std::size_t kImageSize = 65536;
// Texts of the record are short strings of up to this many characters.
inline constexpr std::size_t kShortTextLength = 255;
inline constexpr std::string_view kDefaultViewParameters = "0/0/0/";

class TView {
 public:
  virtual ~TView() = default;
  TView(const TView&) = delete;
  TView& operator=(const TView&) = delete;

  // The record, in the order the device tools have always kept it.
  TViewList* Owner = nullptr;
  std::string Name;
  std::string Description;
  std::string Units;
  bool Selected = false;
  float Scale = 1.0f;
  double TrendGain = 1.0;
  std::int32_t RowHeight = 15;
  std::int32_t RowWidth = 0;
  std::int32_t Baseline = 0;
  // Index of the newest sample. One thread samples (the port worker, through TakeSample), any
  // number read (the window drawing, a trace line). The sampler stores the entry at the next
  // position first and publishes Head after it (release); a reader takes Head (acquire) and reads
  // only entries up to it, so it never sees an entry that is still being written. A reader that
  // lags a whole ring behind (a trend scrolled back the full history while sampling goes on) may
  // find an entry already overwritten by a newer sample: it then shows that newer value, whole,
  // for one redraw; the next redraw starts from the new Head and is right again.
  PublishedIndex Head;
  // Written by the sampler, read by the window.
  PublishedIndex VisibleStart;
  // Written by the window's redraw, read by the sampler's trace line.
  PublishedIndex ShownIndex;
  std::int32_t ScrollBack = 0;
  // Where the variable's bytes lie in the owner's memory image; null when it lies outside it.
  std::uint8_t* DataPtr = nullptr;
  std::uint16_t Address = 0;
  std::uint32_t Mask = 1;
  std::int32_t Size = 1;
  Rect RowRect;
  std::string TypeName;
  std::uint16_t Register = 0;
  bool HighByte = false;
  std::string BaseValue;
  std::string Key;
  std::string ScaleText;
  std::string OffsetText;
  bool NotInMemory = false;
  bool NoAddress = false;
  std::string DependsOn;
  float Ratio = 0.0f;
  float SensorCorrection = 1.0f;
  std::string RegisterText;
  // History ring of HistoryLength() raw entries (see Head for who writes and who reads).
  SampleRing Samples;

  // Bytes of the image from DataPtr to its end: device files are edited by hand, so an address
  // near the end of the image must never lead a read or write past it.
  std::size_t DataLimit = 0;

  // --- the fifteen operations ---
  virtual void Layout();
  virtual void TakeSample() = 0;
  virtual void DrawRow(Canvas& canvas, int y) = 0;
  // The physical value of the sample at ShownIndex, as the rows and the cursor show it.
  std::string ValueText(bool strip, int digits) { return ValueTextAt(ShownIndex, strip, digits); }
  // The physical value of the sample at ring index `index` (types of one current cell ignore it).
  virtual std::string ValueTextAt(int index, bool strip, int digits) = 0;
  virtual std::string BaseText(const std::string& text) = 0;
  // `text` is an entry "=value"; it is cleaned in place, or becomes "Error" when refused.
  virtual std::uint32_t ParseInput(std::string& text) = 0;
  virtual std::string HexText() = 0;
  std::string DefinitionLine();
  virtual std::string DefinitionText() = 0;
  virtual void WriteBase(std::span<std::uint8_t> image);
  std::string ColumnText(int kind);
  // Column 6 for the sample at `index`: the trace takes the sample just taken, not the one shown.
  std::string PhysicalTextAt(int index);
  virtual void UpdateRatio(const std::string& text);
  virtual std::size_t SampleBytes(int n) const;
  virtual std::size_t CopySamples(std::span<std::uint8_t> dest, int start, int n) const;
  virtual std::size_t LoadSamples(std::span<const std::uint8_t> src, int n);

  // --- creation, used by the registry ---
  // Fills the record from the items of a definition line. Throws ConversionError for an
  // unreadable address or register.
  virtual void ReadDefinition(const std::vector<std::string>& items) = 0;
  // Trend gain and row height from a view-parameter string.
  virtual void ApplyViewParameters(std::string_view parameters);
  // Points DataPtr at image + offset, or at nothing when the offset lies outside the image.
  void AttachImage(std::span<std::uint8_t> image, std::size_t offset);
  // Re-evaluates the scale after the owner's scale table changed.
  virtual void Rescale();

  bool IsTimeMark() const { return TypeName == "TTimeMark"; }
  // A dependency on another variable of the list ("@" is no variable: it marks a cell that
  // does not exist in the controller).
  bool HasDependency() const { return !DependsOn.empty() && DependsOn != "@"; }

  int HistoryLength() const { return historyLength_; }
  int SampleWidth() const { return sampleWidth_; }
  // Ring index of `index`, wrapped into the ring (negative indexes count back from the end).
  int RingIndex(int index) const;
  // Entry at a ring index as an unsigned number of up to 8 bytes.
  std::uint64_t SampleAt(int index) const;

 protected:
  TView(std::string_view typeName, int sampleWidth, int historyLength);

  // Little-endian value of up to 8 bytes at DataPtr; bytes beyond the image read as zero.
  std::uint64_t ReadData(int bytes) const;
  void StoreSample(int ringIndex, std::uint64_t value);
  // Where the next sample goes; it becomes visible to readers only through PublishHead.
  int NextHead() const { return RingIndex(Head + 1); }
  // Makes the entries up to `head` visible to readers and places the visible samples behind it.
  void PublishHead(int head);
  // Stores a sample at the next position and publishes it.
  void AppendSample(std::uint64_t value);

  // Items shared by every type: name, description, unit, scale, base value.
  void ReadCommonItems(const std::vector<std::string>& items);
  // The address item; empty or not a number is a ConversionError.
  void ReadAddressItem(const std::string& item);
  // Register number from characters 2 to 5 of the register text (ConversionError).
  static std::uint16_t ReadRegisterNumber(std::string_view registerText);
  // The cell: address item 3 and register item 4; either unreadable is a ConversionError.
  void ReadCellItems(const std::vector<std::string>& items);
  // The cell of a word that may have none: an empty address item marks NoAddress, and an
  // unreadable register leaves the word without a register instead of refusing the line.
  void ReadOptionalCellItems(const std::vector<std::string>& items);
  // Dependency items 8 and 9, for lines of exactly 11 items.
  void ReadDependencyItems(const std::vector<std::string>& items);
  virtual double ScaleFallback() const { return 1.0; }

  // Physical base value of a dependent variable through its reference; false when the rule
  // does not apply (no reference, or a dependency loop).
  bool DependentBaseText(std::string& text);

  // The owner's row frame: background, name, hex, value and unit columns. Returns false when
  // the row lies below the canvas and nothing was drawn.
  bool DrawRowFrame(Canvas& canvas, int y, const std::string& hex, const std::string& value);
  // The trend column of the owner's layout for a row at y, and the sample index of its first
  // point.
  Rect TrendRect(int y) const;
  int FirstVisibleSample() const;
  // The trend of the visible samples as one line, `sampleValue(index)` giving the value at a
  // ring index: from the bottom edge up, or about the baseline when `centred`.
  void DrawTrendLine(Canvas& canvas, int y, bool centred, const std::function<double(int)>& sampleValue);

  // "x" and 4 hexadecimal digits of the address; "r" and 4 of the register.
  std::string AddressText() const;
  std::string RegisterNumberText() const;
  std::string RatioText() const;

 private:
  int sampleWidth_;
  int historyLength_;
  bool resolvingDependency_ = false;
  // Width of the text columns as Layout last saw it, for the sampler's VisibleStart: the layout
  // itself belongs to the window's thread.
  std::atomic<int> textColumnsWidth_{0};
};

// Cuts a text to the short-string length of the record.
std::string ShortText(std::string_view text);
// The register reference selects the high byte of its register when its 7th character is "H"
// (r0012.H).
bool RegisterSelectsHighByte(std::string_view registerText);

}  // namespace quillon

#pragma once
// TView: one controller variable declared by a definition line. It holds three things: the
// definition (what the line says; read-only once parsed), the stored values and window state
// of the record, and the sample history. Every type answers the same operations; the types
// differ in how they turn raw bytes into text and back and in how they draw their trend. No
// operation keeps a "shown sample" of its own: the caller names the sample it shows.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "variables/canvas.h"
#include "variables/sample_history.h"
#include "variables/view_definition.h"

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

  // --- what the line says the variable is ---
  const TViewDefinition& Definition() const { return definition_; }
  // The role the type plays where it is treated specially.
  virtual ViewKind Kind() const { return ViewKind::Value; }
  // Whether values may be negative: such trends are drawn about a baseline in mid-row.
  virtual bool IsSigned() const { return false; }
  // Whether the property dialog may make the variable follow another one.
  virtual bool TakesReference() const { return false; }
  bool IsTimeMark() const { return Kind() == ViewKind::TimeMark; }
  // Whether the controller holds a cell for it: the line gives one, and it is no time mark.
  bool HasControllerCell() const { return definition_.HasCell() && !IsTimeMark(); }
  // The key and the items of a definition line; throws ConversionError for an unreadable
  // address or register.
  void Define(std::string key, const std::vector<std::string>& items);
  // A property dialog's new scale text and reference, taken as a whole.
  void Redefine(std::string scaleText, std::string dependsOn);

  // --- the stored values, edited by the engineer and saved in the device file ---
  std::string BaseValue;
  float Ratio = 0.0f;

  // --- its place in a list and a window (the window's thread) ---
  TViewList* Owner = nullptr;
  bool Selected = false;
  // The scale the owner's scale table gives the scale text (Rescale keeps it current).
  float Scale = 1.0f;
  double TrendGain = 1.0;
  std::int32_t RowHeight = 15;
  std::int32_t RowWidth = 0;
  std::int32_t Baseline = 0;
  std::int32_t ScrollBack = 0;
  Rect RowRect;
  // Where the variable's bytes lie in the owner's memory image; null when it lies outside it.
  std::uint8_t* DataPtr = nullptr;
  // Bytes of the image from DataPtr to its end: device files are edited by hand, so an address
  // near the end of the image must never lead a read or write past it.
  std::size_t DataLimit = 0;

  // --- the samples (see SampleHistory for who writes and who reads) ---
  SampleHistory History;

  // --- the operations; `index` is the sample shown, types of one current cell ignore it ---
  virtual void Layout();
  virtual void TakeSample() = 0;
  virtual void DrawRow(Canvas& canvas, int y, int index) = 0;
  // The physical value of the sample at `index`, as the rows and the cursor show it.
  virtual std::string ValueTextAt(int index, bool strip, int digits) = 0;
  virtual std::string BaseText(const std::string& text) = 0;
  // BaseText of the variable's own scale, whatever it depends on: the physical value of a raw
  // value that did not come from the reference.
  std::string OwnBaseText(const std::string& text);
  // `text` is an entry "=value"; it is cleaned in place, or becomes "Error" when refused.
  virtual std::uint32_t ParseInput(std::string& text) = 0;
  virtual std::string HexTextAt(int index) = 0;
  std::string DefinitionLine();
  virtual std::string DefinitionText() = 0;
  virtual void WriteBase(std::span<std::uint8_t> image);
  // Column `kind` of the parameter table for the sample at `index`.
  std::string ColumnTextAt(int kind, int index);
  // Column 6 for the sample at `index`.
  std::string PhysicalTextAt(int index);
  // A new ratio to the reference from an entered value. Returns the warning for the user when
  // the entry cannot give one (a zero scale), nothing otherwise.
  virtual std::optional<std::string> UpdateRatio(const std::string& text);
  virtual std::size_t SampleBytes(int n) const;
  virtual std::size_t CopySamples(std::span<std::uint8_t> dest, int start, int n) const;
  virtual std::size_t LoadSamples(std::span<const std::uint8_t> src, int n);

  // Trend gain and row height from a view-parameter string.
  virtual void ApplyViewParameters(std::string_view parameters);
  // Points DataPtr at image + offset, or at nothing when the offset lies outside the image.
  void AttachImage(std::span<std::uint8_t> image, std::size_t offset);
  // Re-evaluates the scale after the owner's scale table changed.
  virtual void Rescale();

  int HistoryLength() const { return History.Length(); }
  int SampleWidth() const { return History.EntryBytes(); }
  int RingIndex(int index) const { return History.RingIndex(index); }
  std::uint64_t SampleAt(int index) const { return History.At(index); }

 protected:
  TView(std::string_view typeName, int sampleWidth, int historyLength);

  // Fills the definition from the items of its line (the key is already set).
  virtual void ReadDefinition(const std::vector<std::string>& items) = 0;

  // Little-endian value of up to 8 bytes at DataPtr; bytes beyond the image read as zero.
  std::uint64_t ReadData(int bytes) const;

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
  // Whether the base text goes through the reference: the variable has one and it is not set
  // aside (OwnBaseText, or a chain that came back to this variable).
  bool FollowsReference() const { return definition_.HasDependency() && !resolvingDependency_; }

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

  // Written only while the line is parsed, and by a type re-resolving what its items name.
  TViewDefinition definition_;

 private:
  // Set while a dependency is being resolved (or set aside): a chain that leads back to the
  // variable stops here.
  bool resolvingDependency_ = false;
};

// Cuts a text to the short-string length of the record.
std::string ShortText(std::string_view text);
// The register reference selects the high byte of its register when its 7th character is "H"
// (r0012.H).
bool RegisterSelectsHighByte(std::string_view registerText);

}  // namespace quillon

#pragma once
// The seven plain integer types: a bit, and unsigned and signed cells of 1, 2 and 4 bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "variables/view.h"

namespace quillon {

// Shared by the byte, word and double-word types: a ring of raw cells, a scaled value and a
// line trend.
class IntegerView : public TView {
 public:
  void TakeSample() override;
  void DrawRow(Canvas& canvas, int y, int index) override;
  std::string ValueTextAt(int index, bool strip, int digits) override;
  std::string HexTextAt(int index) override;
  std::uint32_t ParseInput(std::string& text) override;
  void ApplyViewParameters(std::string_view parameters) override;

  bool IsSigned() const override { return signed_; }

 protected:
  IntegerView(std::string_view typeName, int size, bool isSigned);

  // Physical value of a raw cell (already sign-extended for signed types).
  virtual double PhysicalOfRaw(std::int64_t raw) const { return static_cast<double>(raw) * Scale; }
  std::int64_t Extend(std::uint64_t raw) const;
  // integer(text) x Scale with 4 decimals, stripped: the base text of the plain types.
  std::string PlainBaseText(std::int64_t raw) const;
  void DrawTrend(Canvas& canvas, int y);

 private:
  bool signed_;
};

class TBit : public TView {
 public:
  TBit();
  ViewKind Kind() const override { return ViewKind::Bit; }
  Colour TrendColour = kBitTrendColourA;

  void TakeSample() override;
  void DrawRow(Canvas& canvas, int y, int index) override;
  std::string ValueTextAt(int index, bool strip, int digits) override;
  std::string BaseText(const std::string& text) override;
  std::uint32_t ParseInput(std::string& text) override;
  std::string HexTextAt(int index) override;
  std::string DefinitionText() override;
  void WriteBase(std::span<std::uint8_t> image) override;
  void ReadDefinition(const std::vector<std::string>& items) override;
  // Bit rows are always 15 pixels high and ignore the view parameters.
  void ApplyViewParameters(std::string_view) override {}
  // The register bit character: lowest set bit of the mask's low byte, 8 more in the high byte.
  int BitCharacter() const;
};

class TByte : public IntegerView {
 public:
  TByte() : IntegerView("TByte", 1, false) {}
  bool TakesReference() const override { return true; }
  std::string BaseText(const std::string& text) override;
  std::string DefinitionText() override;
  void ReadDefinition(const std::vector<std::string>& items) override;
};

class TShortInt : public IntegerView {
 public:
  TShortInt() : IntegerView("TShortInt", 1, true) {}
  std::string BaseText(const std::string& text) override;
  std::string DefinitionText() override;
  void ReadDefinition(const std::vector<std::string>& items) override;

 private:
  // Item 8 as written. OffsetText holds the value of the scale-table line it names; writing
  // that value back instead of the name would lose the name at the next save.
  std::string offsetItem_;
};

class TWORD : public IntegerView {
 public:
  TWORD() : IntegerView("TWORD", 2, false) {}
  bool TakesReference() const override { return true; }
  std::string BaseText(const std::string& text) override;
  std::string DefinitionText() override;
  void ReadDefinition(const std::vector<std::string>& items) override;

 protected:
  // For the types that read and draw like a word but keep their own name.
  explicit TWORD(std::string_view typeName) : IntegerView(typeName, 2, false) {}
};

// Signed cells with a zero offset: the raw value that means physical zero.
class OffsetIntegerView : public IntegerView {
 public:
  std::int64_t Offset = 0;
  std::string BaseText(const std::string& text) override;
  std::uint32_t ParseInput(std::string& text) override;
  std::string DefinitionText() override;
  void ReadDefinition(const std::vector<std::string>& items) override;

 protected:
  OffsetIntegerView(std::string_view typeName, int size) : IntegerView(typeName, size, true) {}
  double PhysicalOfRaw(std::int64_t raw) const override;
  // The difference raw - offset taken in the cell's width, as the controller sees it.
  std::int64_t InCellWidth(std::int64_t value) const;
};

class TInteger : public OffsetIntegerView {
 public:
  TInteger() : OffsetIntegerView("TInteger", 2) {}
};

class TDWORD : public IntegerView {
 public:
  TDWORD() : IntegerView("TDWORD", 4, false) {}
  std::string BaseText(const std::string& text) override;
  std::string DefinitionText() override;
  void ReadDefinition(const std::vector<std::string>& items) override;

 protected:
  explicit TDWORD(std::string_view typeName) : IntegerView(typeName, 4, false) {}
};

class TLongint : public OffsetIntegerView {
 public:
  TLongint() : OffsetIntegerView("TLongint", 4) {}
};

}  // namespace quillon

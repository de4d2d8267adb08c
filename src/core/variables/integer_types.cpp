#include "variables/integer_types.h"

#include "text/items.h"
#include "text/numbers.h"
#include "variables/entry.h"
#include "variables/view_list.h"

namespace quillon {

// --- TByte ---

void TByte::ReadDefinition(const std::vector<std::string>& items) {
  ReadCommonItems(items);
  ReadCellItems(items);
  definition_.HighByte = RegisterSelectsHighByte(definition_.RegisterText);
  ReadDependencyItems(items);
}

std::string TByte::BaseText(const std::string& text) {
  std::string dependent;
  if (DependentBaseText(dependent)) return dependent;
  return PlainBaseText(ReadInteger(text));
}

std::string TByte::DefinitionText() {
  // "@" without a ratio is how a cell that is not in the controller is written; a ratio that
  // was given is kept so that the line reads back the same.
  const std::string ratio = definition_.NotInMemory ? std::string() : RatioText();
  return JoinItems({definition_.Name, definition_.Description, definition_.TypeName, AddressText(),
                    RegisterNumberText() + (definition_.HighByte ? ".H" : ".L"), definition_.Units,
                    definition_.ScaleText, "1", definition_.DependsOn, ratio, BaseValue});
}

// --- TShortInt ---

void TShortInt::ReadDefinition(const std::vector<std::string>& items) {
  ReadCommonItems(items);
  ReadCellItems(items);
  definition_.HighByte = RegisterSelectsHighByte(definition_.RegisterText);
  if (items.size() > 8) {
    offsetItem_ = ShortText(items[8]);
    if (Owner != nullptr) definition_.OffsetText = ShortText(Owner->Scales.Resolve(offsetItem_, true));
  }
}

std::string TShortInt::BaseText(const std::string& text) {
  return PlainBaseText(static_cast<std::int8_t>(ReadInteger(text) & 0xFF));
}

std::string TShortInt::DefinitionText() {
  return JoinItems({definition_.Name, definition_.Description, definition_.TypeName, AddressText(),
                    RegisterNumberText() + (definition_.HighByte ? ".H" : ".L"), definition_.Units,
                    definition_.ScaleText, "1", offsetItem_, BaseValue});
}

// --- TWORD ---

void TWORD::ReadDefinition(const std::vector<std::string>& items) {
  ReadCommonItems(items);
  ReadOptionalCellItems(items);
  ReadDependencyItems(items);
}

std::string TWORD::BaseText(const std::string& text) {
  std::string dependent;
  if (DependentBaseText(dependent)) return dependent;
  return PlainBaseText(ReadInteger(text));
}

std::string TWORD::DefinitionText() {
  const std::string ratio = definition_.NotInMemory ? std::string() : RatioText();
  return JoinItems({definition_.Name, definition_.Description, definition_.TypeName,
                    definition_.NoAddress ? std::string() : AddressText(),
                    definition_.NoAddress ? std::string() : RegisterNumberText(), definition_.Units,
                    definition_.ScaleText, "2", definition_.DependsOn, ratio, BaseValue});
}

// --- TInteger, TLongint ---

void OffsetIntegerView::ReadDefinition(const std::vector<std::string>& items) {
  ReadCommonItems(items);
  ReadCellItems(items);
  // Lines without item 8 are never written by the tools; they get no offset.
  if (items.size() > 8) {
    definition_.OffsetText = ShortText(items[8]);
    Offset = InCellWidth(EvaluateOffset(Owner ? &Owner->Scales : nullptr, definition_.OffsetText, 0));
  }
}

std::int64_t OffsetIntegerView::InCellWidth(std::int64_t value) const {
  const auto bits = static_cast<std::uint64_t>(value);
  return definition_.Size == 2 ? static_cast<std::int16_t>(bits) : static_cast<std::int32_t>(bits);
}

double OffsetIntegerView::PhysicalOfRaw(std::int64_t raw) const {
  // In the cell's width, as the base text takes it: the same raw value shows the same in both
  // columns.
  return static_cast<double>(InCellWidth(raw - Offset)) * Scale;
}

std::string OffsetIntegerView::BaseText(const std::string& text) {
  // Unsigned arithmetic: the difference is taken in the cell's width anyway, and a huge base
  // text must not overflow.
  return PlainBaseText(InCellWidth(
      static_cast<std::int64_t>(static_cast<std::uint64_t>(ReadInteger(text)) - static_cast<std::uint64_t>(Offset))));
}

std::uint32_t OffsetIntegerView::ParseInput(std::string& text) {
  return ParseNumericInput(text, [this](double value) -> std::optional<std::uint32_t> {
    // A zero scale has no raw value for a physical entry: refused like any unreadable entry.
    const auto raw = ScaledRaw(value, Scale);
    if (!raw) return std::nullopt;
    return *raw + static_cast<std::uint32_t>(Offset);
  });
}

std::string OffsetIntegerView::DefinitionText() {
  return JoinItems({definition_.Name, definition_.Description, definition_.TypeName, AddressText(),
                    RegisterNumberText(), definition_.Units, definition_.ScaleText, std::to_string(definition_.Size),
                    definition_.OffsetText, BaseValue});
}

// --- TDWORD ---

void TDWORD::ReadDefinition(const std::vector<std::string>& items) {
  ReadCommonItems(items);
  ReadCellItems(items);
}

std::string TDWORD::BaseText(const std::string& text) {
  return PlainBaseText(static_cast<std::uint32_t>(ReadInteger(text)));
}

std::string TDWORD::DefinitionText() {
  return JoinItems({definition_.Name, definition_.Description, definition_.TypeName, AddressText(),
                    RegisterNumberText(), definition_.Units, definition_.ScaleText, "4", BaseValue});
}

}  // namespace quillon

#include <bit>

#include "text/items.h"
#include "text/numbers.h"
#include "variables/entry.h"
#include "variables/integer_types.h"
#include "variables/view_list.h"

namespace quillon {

TBit::TBit() : TView("TBit", 1, kHistoryLength) {
  definition_.Units = ".";
  RowHeight = 15;
}

void TBit::ReadDefinition(const std::vector<std::string>& items) {
  definition_.Name = ShortText(items[0]);
  definition_.Description = ShortText(items[1]);
  ReadAddressItem(items[3]);
  definition_.Mask = static_cast<std::uint32_t>(ReadInteger(items[4]));
  definition_.RegisterText = ShortText(items[5]);
  try {
    definition_.Register = ReadRegisterNumber(definition_.RegisterText);
  } catch (const ConversionError&) {
    definition_.Register = 0;
  }
  if (definition_.RegisterText.size() > 6) {
    const auto bit = TryReadInteger("$" + definition_.RegisterText.substr(6, 1));
    definition_.HighByte = bit && *bit >= 8;
  }
  definition_.ScaleText = ShortText(items[6]);
  if (items.size() > 7) {
    // The bit is tested in the 32-bit word at the address, so a wider cell means nothing.
    const auto size = TryReadInteger(items[7]);
    definition_.Size = size && *size >= 1 && *size <= 4 ? static_cast<std::int32_t>(*size) : 1;
  }
  BaseValue = ShortText(items.back());
}

void TBit::TakeSample() { History.Append((ReadData(4) & definition_.Mask) != 0 ? 1 : 0); }

std::string TBit::ValueTextAt(int index, bool, int) { return std::to_string(SampleAt(index)); }

std::string TBit::HexTextAt(int index) { return std::to_string(SampleAt(index)); }

std::string TBit::BaseText(const std::string& text) { return text; }

std::uint32_t TBit::ParseInput(std::string& text) {
  const EntryNumber number = ClassifyEntry(text);
  if (number.Kind == EntryKind::Hexadecimal) return number.Integer != 0 ? 1 : 0;
  if (number.Kind == EntryKind::Decimal) {
    if (auto value = TryReadInteger(text)) return *value != 0 ? 1 : 0;
  }
  return 255;
}

int TBit::BitCharacter() const {
  const std::uint32_t low = definition_.Mask & 0xFF;
  const int bit = low != 0 ? std::countr_zero(low) : 0;
  return bit + (definition_.HighByte ? 8 : 0);
}

std::string TBit::DefinitionText() {
  return JoinItems({definition_.Name, definition_.Description, definition_.TypeName, AddressText(),
                    std::to_string(definition_.Mask),
                    RegisterNumberText() + "." + HexDigits(static_cast<std::uint64_t>(BitCharacter()), 1), "1",
                    std::to_string(definition_.Size), BaseValue});
}

void TBit::WriteBase(std::span<std::uint8_t> image) {
  if (definition_.Address >= image.size()) return;
  std::string entry = "=" + BaseValue;
  const std::uint32_t raw = ParseInput(entry);
  const auto bits = static_cast<std::uint8_t>(definition_.Mask & 0xFF);
  std::uint8_t& cell = image[definition_.Address];
  cell = raw != 0 ? static_cast<std::uint8_t>(cell | bits) : static_cast<std::uint8_t>(cell & ~bits);
}

void TBit::DrawRow(Canvas& canvas, int y, int index) {
  if (!DrawRowFrame(canvas, y, HexTextAt(index), ValueTextAt(index, false, 2))) return;
  const TViewList& list = *Owner;
  if (list.HexWidth > 12 || list.ValueWidth >= 13) {
    canvas.DrawPicture(list.NameWidth, y + 2, SampleAt(index) == 1 ? Picture::BitOne : Picture::BitZero);
  }
  const Rect area = TrendRect(y);
  if (area.Width() < 1) return;
  canvas.SetClip(area);
  canvas.SetPen(TrendColour, 1);
  canvas.Line(area.Left, y + 12, area.Right, y + 12);
  canvas.SetBrush(TrendColour);
  // A sample that is set fills the block from the previous pixel column to its own. Below one
  // pixel per sample a column is filled when any of its samples is set, so a short pulse never
  // falls between the samples that open the columns, and a column costs at most one fill.
  const int first = FirstVisibleSample();
  int blockLeft = area.Left;
  int columnX = area.Left;
  bool columnSet = false;
  auto fillColumn = [&] {
    if (columnSet && columnX > blockLeft) canvas.FillRect(Rect{blockLeft, y + 2, columnX, y + 12});
  };
  for (int i = 0; i <= list.VisibleCount; ++i) {
    const int x = area.Left + static_cast<int>(RoundHalfEven(i * list.Step));
    if (x != columnX) {
      fillColumn();
      blockLeft = columnX;
      columnX = x;
      columnSet = false;
    }
    columnSet = columnSet || SampleAt(first + i) == 1;
  }
  fillColumn();
  canvas.ClearClip();
}

}  // namespace quillon

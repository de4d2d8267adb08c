#include "variables/view.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "text/cp1251.h"
#include "text/items.h"
#include "text/numbers.h"
#include "variables/entry.h"
#include "variables/view_list.h"

namespace quillon {

namespace {

// The record keeps scales and ratios as 32-bit reals; a number from a file that does not fit
// one would be undefined to convert.
float ToSingle(double value, float fallback) {
  return std::isfinite(value) && std::fabs(value) <= std::numeric_limits<float>::max() ? static_cast<float>(value)
                                                                                       : fallback;
}

}  // namespace

std::string ShortText(std::string_view text) {
  return Utf8Length(text) > kShortTextLength ? Utf8Left(text, kShortTextLength) : std::string(text);
}

bool RegisterSelectsHighByte(std::string_view registerText) {
  return registerText.size() > 6 && registerText[6] == 'H';
}

TView::TView(std::string_view typeName, int sampleWidth, int historyLength) : History(sampleWidth, historyLength) {
  definition_.TypeName = typeName;
}

void TView::Define(std::string key, const std::vector<std::string>& items) {
  definition_.Key = std::move(key);
  ReadDefinition(items);
}

void TView::Redefine(std::string scaleText, std::string dependsOn) {
  definition_.ScaleText = std::move(scaleText);
  definition_.DependsOn = std::move(dependsOn);
}

void TView::Layout() {
  RowWidth = Owner != nullptr ? Owner->ClientWidth : 0;
  RowRect = Rect{0, 0, RowWidth, RowHeight};
}

std::string TView::DefinitionLine() { return definition_.Key + "=" + DefinitionText(); }

std::string TView::OwnBaseText(const std::string& text) {
  if (resolvingDependency_) return BaseText(text);
  struct SetAside {
    bool& flag;
    explicit SetAside(bool& f) : flag(f) { flag = true; }
    ~SetAside() { flag = false; }
  } setAside(resolvingDependency_);
  return BaseText(text);
}

void TView::WriteBase(std::span<std::uint8_t> image) {
  // A variable without a cell (or without an address) has nothing to store; writing it at
  // address 0 would overwrite another variable.
  if (definition_.NotInMemory || definition_.NoAddress) return;
  std::string entry = "=" + BaseValue;
  std::uint32_t raw = ParseInput(entry);
  for (std::int32_t i = 0; i < definition_.Size && i < 4; ++i) {
    const std::size_t at = static_cast<std::size_t>(definition_.Address) + static_cast<std::size_t>(i);
    if (at >= image.size()) break;
    image[at] = static_cast<std::uint8_t>(raw & 0xFF);
    raw >>= 8;
  }
}

std::string TView::ColumnTextAt(int kind, int index) {
  switch (kind) {
    case 0:
      return definition_.TypeName;
    case 1:
      return definition_.HasDependency() ? definition_.Name + "=" + RatioText() + " " + definition_.DependsOn
                                         : definition_.Name;
    case 2:
      return definition_.Description;
    case 3:
      return BaseValue;
    case 4:
      return BaseText(std::string(BaseValue));
    case 5:
      return definition_.NotInMemory ? BaseValue : HexTextAt(index);
    case 6:
      return PhysicalTextAt(index);
    case 7:
      return definition_.Units;
    case 8:
      return definition_.RegisterText;
    default:
      return "?";
  }
}

std::string TView::PhysicalTextAt(int index) {
  return definition_.NotInMemory ? BaseText(std::string(BaseValue)) : ValueTextAt(index, true, 4);
}

std::optional<std::string> TView::UpdateRatio(const std::string& text) {
  if (!definition_.HasDependency() || Owner == nullptr) return std::nullopt;
  TView* reference = Owner->FindVariable(definition_.DependsOn);
  if (reference == nullptr || reference == this) return std::nullopt;
  const auto referenceValue = TryReadReal(reference->BaseText(std::string(reference->BaseValue)));
  // A reference without a numeric base value (or with zero) gives no ratio to divide by.
  if (!referenceValue || *referenceValue == 0.0) return std::nullopt;

  std::string entry = text;
  const EntryNumber number = ClassifyEntry(entry);
  double raw = 0.0;
  if (number.Kind == EntryKind::Decimal) {
    if (Scale == 0.0f) return "Шкала переменной " + definition_.Name + " равна нулю";
    raw = RoundHalfEven(number.Real / Scale);
  } else if (number.Kind == EntryKind::Hexadecimal) {
    raw = static_cast<double>(number.Integer);
  }
  Ratio = ToSingle(raw * Scale / *referenceValue, Ratio);
  return std::nullopt;
}

std::size_t TView::SampleBytes(int n) const {
  return static_cast<std::size_t>(SampleWidth()) * static_cast<std::size_t>(std::max(n, 0));
}

std::size_t TView::CopySamples(std::span<std::uint8_t> dest, int start, int n) const {
  const auto width = static_cast<std::size_t>(SampleWidth());
  const std::size_t count = std::min(static_cast<std::size_t>(std::max(n, 0)), dest.size() / width);
  History.Ring().CopyOut(RingIndex(start), static_cast<int>(count), static_cast<int>(width), dest.data());
  return count * width;
}

std::size_t TView::LoadSamples(std::span<const std::uint8_t> src, int n) {
  const auto width = static_cast<std::size_t>(SampleWidth());
  const std::size_t count = std::min(
      {static_cast<std::size_t>(std::max(n, 0)), src.size() / width, static_cast<std::size_t>(HistoryLength())});
  History.Ring().CopyIn(RingIndex(0), static_cast<int>(count), static_cast<int>(width), src.data());
  History.SetHead(static_cast<int>(count));
  return count * width;
}

void TView::ApplyViewParameters(std::string_view parameters) {
  const std::vector<std::string> items = SplitItems(parameters.empty() ? kDefaultViewParameters : parameters);
  TrendGain = TryReadReal(items[0]).value_or(1.0);
  const std::int64_t height = items.size() > 1 ? TryReadInteger(items[1]).value_or(0) : 0;
  // Rows lower than the text would cut it; absurd heights from a damaged file are capped.
  RowHeight = height < 15 ? 16 : static_cast<std::int32_t>(std::min<std::int64_t>(height, 32767));
}

void TView::AttachImage(std::span<std::uint8_t> image, std::size_t offset) {
  if (offset < image.size()) {
    DataPtr = image.data() + offset;
    DataLimit = image.size() - offset;
  } else {
    DataPtr = nullptr;
    DataLimit = 0;
  }
}

// The filter and frequency types keep their own tick as the fallback here too, so that a
// rescale never turns their unreadable scale into 1 while creation gave the tick.
void TView::Rescale() {
  const double fallback = ScaleFallback();
  Scale = ToSingle(EvaluateScale(Owner ? &Owner->Scales : nullptr, definition_.ScaleText, fallback),
                   static_cast<float>(fallback));
}

std::uint64_t TView::ReadData(int bytes) const {
  std::uint64_t value = 0;
  if (DataPtr == nullptr) return value;
  for (std::size_t i = 0; i < static_cast<std::size_t>(bytes) && i < DataLimit && i < 8; ++i) {
    value |= static_cast<std::uint64_t>(DataPtr[i]) << (8 * i);
  }
  return value;
}

void TView::ReadCommonItems(const std::vector<std::string>& items) {
  definition_.Name = ShortText(items[0]);
  definition_.Description = ShortText(items[1]);
  definition_.Units = items.size() > 5 ? ShortText(items[5]) : std::string();
  definition_.ScaleText = items.size() > 6 ? ShortText(items[6]) : std::string();
  const double fallback = ScaleFallback();
  Scale = ToSingle(EvaluateScale(Owner ? &Owner->Scales : nullptr, definition_.ScaleText, fallback),
                   static_cast<float>(fallback));
  BaseValue = ShortText(items.back());
}

void TView::ReadAddressItem(const std::string& item) {
  definition_.Address = static_cast<std::uint16_t>(ReadInteger(item));
}

std::uint16_t TView::ReadRegisterNumber(std::string_view registerText) {
  const std::string_view digits = registerText.size() > 1 ? registerText.substr(1, 4) : std::string_view();
  return static_cast<std::uint16_t>(ReadInteger("$" + std::string(digits)));
}

void TView::ReadCellItems(const std::vector<std::string>& items) {
  ReadAddressItem(items[3]);
  definition_.RegisterText = ShortText(items[4]);
  definition_.Register = ReadRegisterNumber(definition_.RegisterText);
}

void TView::ReadOptionalCellItems(const std::vector<std::string>& items) {
  if (items[3].empty()) {
    definition_.NoAddress = true;
    return;
  }
  ReadAddressItem(items[3]);
  definition_.RegisterText = ShortText(items[4]);
  try {
    definition_.Register = ReadRegisterNumber(definition_.RegisterText);
  } catch (const ConversionError&) {
    definition_.Register = 0;
    definition_.RegisterText.clear();
  }
}

void TView::ReadDependencyItems(const std::vector<std::string>& items) {
  if (items.size() != 11) return;
  definition_.DependsOn = ShortText(items[8]);
  if (definition_.DependsOn == "@" && items[9].empty()) {
    definition_.NotInMemory = true;
    return;
  }
  Ratio = ToSingle(TryReadReal(items[9]).value_or(0.0), 0.0f);
}

bool TView::DependentBaseText(std::string& text) {
  if (!FollowsReference() || definition_.NotInMemory || Owner == nullptr) return false;
  TView* reference = Owner->FindVariable(definition_.DependsOn);
  if (reference == nullptr || reference == this) return false;
  // A chain that leads back to this variable (hand-edited files can make one) is cut here:
  // the variable shows its own stored value instead of recursing for ever.
  struct Guard {
    bool& flag;
    explicit Guard(bool& f) : flag(f) { flag = true; }
    ~Guard() { flag = false; }
  } guard(resolvingDependency_);

  const auto referenceValue = TryReadReal(reference->BaseText(std::string(reference->BaseValue)));
  if (!referenceValue) return false;
  const std::string physical = FormatFixed(*referenceValue * Ratio, 5, true);
  std::string entry = "=" + physical;
  const std::uint32_t raw = reference->Scale == Scale ? reference->ParseInput(entry) : ParseInput(entry);
  BaseValue = "x" + HexDigits(raw, 2 * std::clamp(definition_.Size, 1, 4));
  text = physical;
  return true;
}

bool TView::DrawRowFrame(Canvas& canvas, int y, const std::string& hex, const std::string& value) {
  if (Owner == nullptr || y >= canvas.Height()) return false;
  const TViewList& list = *Owner;
  const Colour background = Selected ? kGreen : kWhite;
  canvas.SetBrush(background);
  canvas.FillRect(Rect{0, y, canvas.Width(), y + RowHeight});
  canvas.SetTextColours(kNavy, background);
  canvas.Text(Rect{2, y + 2, list.NameWidth, y + 14}, definition_.Name, TextAlign::Left);
  int x = list.NameWidth;
  if (list.HexWidth != 0) canvas.Text(Rect{x, y + 2, x + list.HexWidth, y + 14}, hex, TextAlign::Right);
  x += list.HexWidth;
  if (list.ValueWidth != 0) canvas.Text(Rect{x, y + 2, x + list.ValueWidth, y + 14}, value, TextAlign::Right);
  x += list.ValueWidth;
  if (list.UnitWidth != 0)
    canvas.Text(Rect{x, y + 2, x + list.UnitWidth, y + 14}, definition_.Units, TextAlign::Center);
  return true;
}

Rect TView::TrendRect(int y) const {
  if (Owner == nullptr) return Rect{0, y, 0, y + RowHeight};
  const TViewList& list = *Owner;
  const int left = list.NameWidth + list.HexWidth + list.ValueWidth + list.UnitWidth;
  return Rect{left, y, left + std::max(list.TrendWidth, 0), y + RowHeight};
}

int TView::FirstVisibleSample() const {
  const int visible = Owner != nullptr ? Owner->VisibleCount : 0;
  return RingIndex(History.Head() - visible - ScrollBack % kHistoryLength);
}

void TView::DrawTrendLine(Canvas& canvas, int y, bool centred, const std::function<double(int)>& sampleValue) {
  const Rect area = TrendRect(y);
  if (area.Width() < 1 || Owner == nullptr) return;
  canvas.SetClip(area);
  const int top = y;
  const int bottom = y + RowHeight;
  if (centred) {
    canvas.SetPen(kSilver, 1);
    canvas.Line(area.Left, y + Baseline, area.Right, y + Baseline);
  }
  canvas.SetPen(kBlack, 1);
  auto pointY = [&](double v) {
    const double offset = centred ? RoundHalfEven(v * TrendGain / 2) : RoundHalfEven(v * TrendGain);
    double position = (centred ? y + Baseline : bottom) - offset;
    // Written so that NaN and infinities (a float from the controller, a gain from a damaged
    // file) land on an edge of the row.
    // The row's last pixel line is bottom - 1: a zero drawn at `bottom` would fall outside the
    // clip, and a stopped motor's current and voltage would vanish from their rows.
    if (!(position >= top)) position = top;
    if (position > bottom - 1) position = bottom - 1;
    return static_cast<int>(position);
  };
  // Below one pixel per sample several samples share a pixel column. The line through them
  // covers exactly the column's span from its lowest to its highest point, so each column is
  // drawn as that one vertical line plus the line joining it to the previous column: the same
  // picture, at no more than two lines per column however many samples are shown. At one pixel
  // per sample or more every column holds one sample and this is the plain line through them.
  const int first = FirstVisibleSample();
  const int visible = Owner->VisibleCount;
  const double step = Owner->Step;
  bool started = false;
  int previousX = 0;
  int previousY = 0;
  int columnX = 0;
  int columnFirst = 0;
  int columnLast = 0;
  int columnLow = 0;
  int columnHigh = 0;
  // Collected and drawn in one call: the same lines, without the per-line cost of the back end.
  std::vector<LineSegment> segments;
  segments.reserve(static_cast<std::size_t>(std::max(area.Width(), 0)) * 2 + 2);
  auto drawColumn = [&] {
    if (started && (columnX != previousX || columnFirst != previousY)) {
      segments.push_back({previousX, previousY, columnX, columnFirst});
    }
    // The end point of a line is not drawn: one more pixel takes in the column's lowest point.
    if (columnHigh > columnLow) segments.push_back({columnX, columnLow, columnX, columnHigh + 1});
    started = true;
    previousX = columnX;
    previousY = columnLast;
  };
  for (int i = 0; i <= visible; ++i) {
    const int x = area.Left + static_cast<int>(RoundHalfEven(i * step));
    const int point = pointY(sampleValue(first + i));
    if (i > 0 && x == columnX) {
      columnLast = point;
      columnLow = std::min(columnLow, point);
      columnHigh = std::max(columnHigh, point);
      continue;
    }
    if (i > 0) drawColumn();
    columnX = x;
    columnFirst = columnLast = columnLow = columnHigh = point;
  }
  drawColumn();
  canvas.Lines(segments);
  canvas.ClearClip();
}

std::string TView::AddressText() const { return "x" + HexDigits(definition_.Address, 4); }
std::string TView::RegisterNumberText() const { return "r" + HexDigits(definition_.Register, 4); }
std::string TView::RatioText() const { return FormatFixed(Ratio, 2, true); }

}  // namespace quillon

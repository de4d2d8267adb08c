#include "variables/special/integral_types.h"

#include <cmath>

#include "text/items.h"
#include "text/numbers.h"
#include "variables/entry.h"
#include "variables/view_list.h"

namespace quillon {

TimerDerivedView::TimerDerivedView(std::string_view typeName, int size, int sizeWhenUnreadable)
    : CurrentValueView(typeName, size), sizeWhenUnreadable_(sizeWhenUnreadable) {}

void TimerDerivedView::ReadDefinition(const std::vector<std::string>& items) {
  ReadCommonItems(items);
  ReadCellItems(items);
  if (definition_.RegisterText.size() > 6) definition_.HighByte = RegisterSelectsHighByte(definition_.RegisterText);
  if (ReadsSizeItem()) {
    // The value lives in a 32-bit cell: any other size would read past it, so it counts as
    // unreadable.
    const auto size = TryReadInteger(items[7]);
    definition_.Size = size && *size >= 1 && *size <= 4 ? static_cast<std::int32_t>(*size) : sizeWhenUnreadable_;
  }
}

std::uint32_t TimerDerivedView::SizeMask() const {
  const int bytes = CellBytes();
  return bytes >= 4 ? 0xFFFFFFFFu : static_cast<std::uint32_t>((std::uint64_t{1} << (8 * bytes)) - 1);
}

std::string TimerDerivedView::ValueTextAt(int, bool strip, int digits) {
  return FormatFixed(ValueOfRaw(CurrentValue()), digits, strip);
}

std::string TimerDerivedView::BaseText(const std::string& text) {
  return FormatFixed(ValueOfBase(static_cast<std::uint32_t>(ReadInteger(text))), 4, true);
}

std::uint32_t TimerDerivedView::ParseInput(std::string& text) {
  return ParseNumericInput(text, [this](double value) { return RawOfValue(value); });
}

std::string TimerDerivedView::HexTextAt(int) { return CellHexText(); }

std::string TimerDerivedView::DefinitionText() {
  const std::string reference =
      RegisterNumberText() + (definition_.Size == 1 ? (definition_.HighByte ? ".H" : ".L") : "");
  return JoinItems({definition_.Name, definition_.Description, definition_.TypeName, AddressText(), reference,
                    definition_.Units, definition_.ScaleText, std::to_string(definition_.Size), "x" + HexDigits(K, 8),
                    BaseValue});
}

// --- TIntegral ---

void TIntegral::ReadDefinition(const std::vector<std::string>& items) {
  TimerDerivedView::ReadDefinition(items);
  // An unreadable constant keeps the timer's usual one, as an unreadable scale keeps 1.
  const auto k = TryReadInteger(items[8]);
  K = k ? static_cast<std::uint32_t>(*k) : kDefaultTimerConstant;
}

double TIntegral::ValueOfRaw(std::uint32_t raw) const {
  if (raw == 0) return 0.0;
  return static_cast<double>(K) * Scale / raw;
}

std::optional<std::uint32_t> TIntegral::RawOfValue(double value) const {
  if (value == 0.0) return 0;
  return RoundedRaw(static_cast<double>(K) * Scale / value);
}

// --- TFrequency ---

TFrequency::TFrequency() : TimerDerivedView("TFrequency", 4, 4) {
  Tick = kFrequencyTick;
  Scale = kFrequencyTick;
}

double TFrequency::ScaleFallback() const { return kFrequencyTick; }

namespace {

// The frequency of a half period; 0 for a period of zero.
double FrequencyOfHalfPeriod(double halfPeriod) { return halfPeriod == 0.0 ? 0.0 : 1.0 / (2.0 * halfPeriod); }

}  // namespace

double TFrequency::ValueOfRaw(std::uint32_t raw) const {
  return FrequencyOfHalfPeriod(static_cast<double>(~raw & (K - 1)) * Scale);
}

double TFrequency::ValueOfBase(std::uint32_t raw) const {
  return FrequencyOfHalfPeriod(static_cast<double>(~raw) * Scale);
}

std::optional<std::uint32_t> TFrequency::RawOfValue(double value) const {
  if (Tick == 0.0f) return 0;
  // A frequency without a half period (zero, or a zero scale) is stored as 0.
  const auto count = RoundedRaw(1.0 / value / Scale / 2.0);
  return count ? ~*count : 0;
}

// --- TSoftTimer ---

double TSoftTimer::ValueOfRaw(std::uint32_t raw) const { return static_cast<double>(~raw & SizeMask()) * Scale; }

std::optional<std::uint32_t> TSoftTimer::RawOfValue(double value) const {
  if (Tick == 0.0f) return 0;
  const auto count = ScaledRaw(value, Scale);
  if (!count) return std::nullopt;
  return ~*count;
}

// --- TDiff ---

double TDiff::ValueOfRaw(std::uint32_t raw) const {
  if (K == 0) return 0.0;
  return static_cast<double>(raw) * Scale / K;
}

std::optional<std::uint32_t> TDiff::RawOfValue(double value) const {
  if (Tick == 0.0f) return 0;
  if (Scale == 0.0f) return std::nullopt;
  return RoundedRaw(value * K / Scale);
}

}  // namespace quillon

#include "variables/property_values.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>

#include "text/cp1251.h"
#include "text/numbers.h"
#include "variables/special/float_type.h"
#include "variables/view_list.h"

namespace quillon {

namespace {

constexpr std::int32_t kLowestRow = 15;
// Beyond this a row is no row any more; view parameters from files are capped the same way.
constexpr std::int32_t kHighestRow = 32767;

std::string RealErrorText(std::string_view text) {
  return "'" + std::string(text) + "' не является допустимым значением с плавающей точкой";
}

int CellBytes(const TView& variable) { return std::clamp<int>(variable.Definition().Size, 1, 8); }

// The physical value of a raw value of this variable. A dependent variable's BaseText answers
// with its reference's value whatever it is given (and stores that as its base value), so the
// dependency is set aside meanwhile.
std::string PhysicalOfRaw(TView& variable, const std::string& raw) { return variable.OwnBaseText(raw); }

std::string ReferenceDescription(const TView& variable, const std::string& reference) {
  if (variable.Owner == nullptr) return {};
  TView* found = variable.Owner->FindVariable(reference);
  if (found == nullptr) return {};
  std::string physical;
  try {
    physical = found->ColumnTextAt(4, found->History.Head());
  } catch (const ConversionError&) {
    physical = "?";
  }
  return found->ColumnTextAt(3, found->History.Head()) + " = " + physical + " " + found->Definition().Units;
}

}  // namespace

std::string FiveDecimalsText(float value) {
  const std::string fixed = FormatFixed(value, 5, true);
  const auto back = TryReadReal(fixed);
  if (!std::isfinite(value) || (back && static_cast<float>(*back) == value)) return fixed;
  char buffer[64];
  for (int digits = 6; digits <= 9; ++digits) {
    std::snprintf(buffer, sizeof buffer, "%.*g", digits, static_cast<double>(value));
    if (static_cast<float>(std::strtod(buffer, nullptr)) == value) break;
  }
  std::string text(buffer);
  if (auto dot = text.find('.'); dot != std::string::npos) text[dot] = ',';
  return text;
}

std::string TwoDecimalsText(float value) { return FormatFixed(value, 2, true); }

float ReadSingle(std::string_view text) {
  const double value = ReadReal(text);
  if (std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) {
    throw ConversionError(RealErrorText(text));
  }
  return static_cast<float>(value);
}

// --- the parameter property dialog ---

bool KeepsDependency(const TView& variable) { return variable.TakesReference(); }

ParameterPropertyView ShowParameterProperty(const TView& variable) {
  ParameterPropertyView view;
  view.name = variable.Definition().Name;
  view.description = variable.Definition().Description;
  view.units = variable.Definition().Units;

  view.scaleItems = {std::string()};
  if (variable.Owner != nullptr) {
    for (const std::string& line : variable.Owner->Scales.Lines) view.scaleItems.push_back(ScaleLineName(line));
  }
  if (!TryReadReal(variable.Definition().ScaleText)) {
    const auto named = std::find_if(view.scaleItems.begin(), view.scaleItems.end(), [&](const std::string& item) {
      return SameTextIgnoringCase(item, variable.Definition().ScaleText);
    });
    view.scaleIndex = static_cast<int>(named - view.scaleItems.begin());
    if (named == view.scaleItems.end()) view.scaleItems.push_back(variable.Definition().ScaleText);
  }
  view.scaleText = FiveDecimalsText(variable.Scale);

  view.referenceItems = {std::string()};
  if (variable.Owner != nullptr) {
    for (const auto& other : variable.Owner->Variables) {
      const std::string& name = other->Definition().DependsOn;
      if (name.empty() || name == "@") continue;
      if (std::find(view.referenceItems.begin(), view.referenceItems.end(), name) == view.referenceItems.end()) {
        view.referenceItems.push_back(name);
      }
    }
  }
  const auto reference =
      std::find(view.referenceItems.begin(), view.referenceItems.end(), variable.Definition().DependsOn);
  if (reference != view.referenceItems.end())
    view.referenceIndex = static_cast<int>(reference - view.referenceItems.begin());
  view.referenceEnabled = !variable.Definition().NotInMemory && KeepsDependency(variable);
  view.ratioText = TwoDecimalsText(variable.Ratio);
  view.sensorCorrectionText = FiveDecimalsText(variable.Definition().SensorCorrection);
  return view;
}

std::string ScaleOfName(const TView& variable, const std::string& name) {
  if (name.empty() || variable.Owner == nullptr) return FiveDecimalsText(variable.Scale);
  return variable.Owner->Scales.Resolve(name, false);
}

ReferenceState ReferenceChange(const TView& variable, const std::string& reference) {
  ReferenceState state;
  state.ratioText = TwoDecimalsText(variable.Ratio);
  if (reference.empty()) return state;
  state.scaleEnabled = false;
  state.ratioEnabled = true;
  state.referenceText = ReferenceDescription(variable, reference);
  return state;
}

void ApplyParameterProperty(TView& variable, const ParameterPropertyEntry& entry) {
  variable.Scale = ReadSingle(entry.scale);
  std::string scaleText = ShortText(entry.scaleName.empty() ? FiveDecimalsText(variable.Scale) : entry.scaleName);
  if (variable.Definition().NotInMemory || !KeepsDependency(variable)) {
    variable.Redefine(std::move(scaleText), variable.Definition().DependsOn);
    return;
  }
  variable.Redefine(std::move(scaleText), ShortText(entry.reference));
  variable.Ratio = ReadSingle(entry.ratio);
}

// --- the scope row's variable dialog ---

std::uint64_t FullScaleRaw(const TView& variable) {
  const double quotient = variable.RowHeight / variable.TrendGain;
  if (variable.Kind() == ViewKind::Float) {
    const float single = std::fabs(quotient) <= static_cast<double>(std::numeric_limits<float>::max())
                             ? static_cast<float>(quotient)
                             : std::copysign(std::numeric_limits<float>::infinity(), static_cast<float>(quotient));
    return BitsOfFloat(single);
  }
  const int bits = 8 * CellBytes(variable);
  const double largest = bits >= 64 ? 1.8e19 : std::ldexp(1.0, bits) - 1;
  const double rounded = RoundHalfEven(quotient);
  // A gain so small that the top of the row lies beyond the cell shows the largest value.
  if (!(rounded < largest))
    return bits >= 64 ? std::numeric_limits<std::uint64_t>::max() : static_cast<std::uint64_t>(largest);
  return rounded > 0 ? static_cast<std::uint64_t>(rounded) : 0;
}

std::string RawHexText(const TView& variable, std::uint64_t raw) {
  return "x" + HexDigits(raw, 2 * CellBytes(variable));
}

UniversalPropertyView ShowUniversalProperty(TView& variable) {
  if (!(variable.TrendGain > 0)) variable.TrendGain = 1.0;
  UniversalPropertyView view;
  view.name = variable.Definition().Name;
  view.scaleText = FiveDecimalsText(variable.Scale);
  view.comment = variable.Definition().Description;
  view.maxText = RawHexText(variable, FullScaleRaw(variable));
  view.unitText = ",[ " + variable.Definition().Units + " ]";
  view.physicalText = PhysicalOfRaw(variable, view.maxText);
  view.heightText = std::to_string(variable.RowHeight);
  return view;
}

std::optional<std::string> MaxTextOfPhysical(TView& variable, std::string_view physical) {
  if (!TryReadReal(physical)) return std::nullopt;
  // Parsed without telling anyone: a warning box for every key typed would be no help, a refused
  // entry simply leaves the other field as it was.
  std::string entry = "=" + std::string(physical);
  const std::uint32_t raw = variable.ParseInput(entry);
  if (entry == "Error") return std::nullopt;
  return RawHexText(variable, raw);
}

std::optional<std::string> PhysicalOfMaxText(TView& variable, std::string_view maxText) {
  if (!TryReadInteger(maxText)) return std::nullopt;
  try {
    return PhysicalOfRaw(variable, std::string(maxText));
  } catch (const ConversionError&) {
    return std::nullopt;
  }
}

UniversalPropertyChange ReadUniversalProperty(const TView& variable, const UniversalPropertyEntry& entry) {
  UniversalPropertyChange change;
  if (variable.Kind() == ViewKind::Bit) return change;
  try {
    change.scale = ReadSingle(entry.scale);
    const std::int64_t height = ReadInteger(entry.height);
    change.rowHeight = static_cast<std::int32_t>(std::clamp<std::int64_t>(height, kLowestRow, kHighestRow));
    const std::int64_t raw = ReadInteger(entry.max);
    double top = static_cast<double>(raw);
    if (variable.Kind() == ViewKind::Float) {
      top = FloatOfBits(static_cast<std::uint32_t>(raw));
      if (!std::isfinite(top)) throw ConversionError(RealErrorText(entry.max));
    }
    if (top == 0) throw DivisionError();
    change.trendGain = *change.rowHeight / top;
  } catch (...) {
    change.failure = std::current_exception();
  }
  return change;
}

void ApplyUniversalPropertyChange(TView& variable, const UniversalPropertyChange& change) {
  if (change.scale) variable.Scale = *change.scale;
  if (change.rowHeight) variable.RowHeight = *change.rowHeight;
  if (!change.trendGain) return;
  variable.TrendGain = *change.trendGain;
  if (variable.IsSigned()) variable.Baseline = variable.RowHeight / 2;
  variable.Layout();
}

void ApplyUniversalProperty(TView& variable, const UniversalPropertyEntry& entry) {
  const UniversalPropertyChange change = ReadUniversalProperty(variable, entry);
  ApplyUniversalPropertyChange(variable, change);
  if (change.failure) std::rethrow_exception(change.failure);
}

}  // namespace quillon

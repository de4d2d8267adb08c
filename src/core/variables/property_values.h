#pragma once
// What the two parameter property dialogs show of a variable and how they change it: the
// parameter property dialog (scale, dependency on another variable) and the scope row's
// variable dialog (scale, row height and the trend's full scale as raw and physical values).
// The dialogs only move texts between their fields and these functions.
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "variables/view.h"

namespace quillon {

// A full-scale value of zero: no trend gain follows from it.
class DivisionError : public std::runtime_error {
 public:
  DivisionError() : std::runtime_error("Деление на ноль") {}
};

// 5 decimals, stripped. A value that would not read back as the same 32-bit real (a scale
// of 0,000002) is written with as many significant digits as it takes instead, so that
// applying a dialog never changes a value nobody touched.
std::string FiveDecimalsText(float value);
// 2 decimals, stripped: how ratios are shown and written.
std::string TwoDecimalsText(float value);
// The real reader for a 32-bit real field; ConversionError when the text is no number or the
// number does not fit.
float ReadSingle(std::string_view text);

// --- the parameter property dialog ---

struct ParameterPropertyView {
  std::string name;
  std::string description;
  std::string units;
  // An empty item first, then the scale-table names (and the variable's own scale name when
  // the table lacks it).
  std::vector<std::string> scaleItems;
  int scaleIndex = -1;  // -1: none
  std::string scaleText;
  // An empty item first, then every reference the list's variables use.
  std::vector<std::string> referenceItems;
  int referenceIndex = 0;
  bool referenceEnabled = true;
  std::string ratioText;
  std::string sensorCorrectionText;
};

ParameterPropertyView ShowParameterProperty(const TView& variable);

// Whether a variable of this type can follow another: only these write the dependency into
// their definition line, so a dependency given to another type would vanish at the next save.
bool KeepsDependency(const TView& variable);

// The scale box's text for a scale name chosen from the list: the resolved value of that
// table line, or the variable's own scale for the empty item (as FiveDecimalsText writes it:
// the digits a 32-bit real does not hold would only confuse).
std::string ScaleOfName(const TView& variable, const std::string& name);

// What a choice of reference (empty: none) enables and shows.
struct ReferenceState {
  bool scaleEnabled = true;
  bool ratioEnabled = false;
  std::string ratioText;
  // Raw base value " = " physical base value and unit of the reference; empty for none.
  std::string referenceText;
};
ReferenceState ReferenceChange(const TView& variable, const std::string& reference);

struct ParameterPropertyEntry {
  std::string scale;
  std::string scaleName;  // the chosen list item; empty for none
  std::string reference;  // empty for none
  std::string ratio;
};
// Applies the entries in order: scale, scale text, reference, ratio. Throws ConversionError
// for an unreadable number; the fields assigned before it keep their new values.
void ApplyParameterProperty(TView& variable, const ParameterPropertyEntry& entry);

// --- the scope row's variable dialog ---

struct UniversalPropertyView {
  std::string name;
  std::string scaleText;
  std::string comment;
  std::string maxText;       // "x" and 2 hexadecimal digits per byte of the cell
  std::string physicalText;  // the physical value of maxText
  std::string heightText;
  std::string unitText;
};

// Also puts a trend gain that is not above zero back to 1.
UniversalPropertyView ShowUniversalProperty(TView& variable);

// The raw value at the top of the row: RowHeight / TrendGain; for TFloat the bits of that
// quotient as a 32-bit real.
std::uint64_t FullScaleRaw(const TView& variable);
std::string RawHexText(const TView& variable, std::uint64_t raw);

// Keeping the two maxima in step while typing; nothing when the text does not read.
std::optional<std::string> MaxTextOfPhysical(TView& variable, std::string_view physical);
std::optional<std::string> PhysicalOfMaxText(TView& variable, std::string_view maxText);

struct UniversalPropertyEntry {
  std::string scale;
  std::string height;
  std::string max;
};
// What the entries change, read in order without touching the variable: scale, row height (at
// least 15), trend gain; the fields before the first entry that does not read, and that entry's
// error (ConversionError for an unreadable number, DivisionError for a full scale of zero). A
// bit row changes nothing. Read on the window's thread while a worker may still sample the
// variable; applied once it does not.
struct UniversalPropertyChange {
  std::optional<float> scale;
  std::optional<std::int32_t> rowHeight;
  std::optional<double> trendGain;
  std::exception_ptr failure;
};
UniversalPropertyChange ReadUniversalProperty(const TView& variable, const UniversalPropertyEntry& entry);
// Sets the fields the change holds; with the trend gain also the baseline of the signed types,
// and the row is laid out again.
void ApplyUniversalPropertyChange(TView& variable, const UniversalPropertyChange& change);

// Both at once: the fields assigned before an entry that does not read keep their new values,
// and its error is thrown.
void ApplyUniversalProperty(TView& variable, const UniversalPropertyEntry& entry);

}  // namespace quillon

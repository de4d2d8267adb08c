#pragma once
// The scale table of a variable list: Name=Value lines, kept in the device file's `vars`
// section. A simple line holds a number (Inom=1500); a choice line holds options and the
// selected key (Mode=1#slow#0.5/2#fast#0.25/2/).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

class ScaleTable {
 public:
  std::vector<std::string> Lines;

  void Add(std::string line) { Lines.push_back(std::move(line)); }
  void Clear() { Lines.clear(); }
  std::size_t Count() const { return Lines.size(); }

  // Value of the first line with that name. Names compare without regard to case, as the keys
  // of the device file's section they come from do.
  std::optional<std::string> Value(std::string_view name) const;
  // Replaces the value of the first line with that name, or appends a line.
  void SetValue(std::string_view name, std::string_view value);

  // A scale reference (Name, Name%k or Name*k) resolved to a text. In key mode a value that is
  // not a number gives its selected key; in numeric mode the value of the selected option.
  // Empty when the name is unknown, or when % or * cannot be computed.
  std::string Resolve(std::string_view reference, bool keyMode) const;
};

// Name and value of a Name=Value line, both trimmed; a line without "=" is all name.
std::string ScaleLineName(std::string_view line);
std::string ScaleLineValue(std::string_view line);

// The value of a choice line's selected option (numeric mode) or its selected key (key mode);
// the whole text when it is no choice line or no option matches.
std::string ChoiceValue(std::string_view value, bool keyMode);

// A scale item: a real number, or a reference resolved through the table (which may be null);
// `fallback` when neither reads.
double EvaluateScale(const ScaleTable* table, std::string_view item, double fallback);
// A zero-offset item: an integer, or a reference that resolves to one; `fallback` otherwise.
std::int64_t EvaluateOffset(const ScaleTable* table, std::string_view item, std::int64_t fallback);

// A real number as the general number format prints it: shortest of up to 15 significant
// digits, "," as the decimal separator.
std::string GeneralNumberText(double value);

}  // namespace quillon

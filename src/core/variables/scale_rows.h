#pragma once
// The rows of the scale editor: one TScale per line of a scale table, and the table built back
// from them. The rows run from the last line to the first, and the options of a choice line
// from the last to the first, so that writing them back in reverse keeps every line and every
// option where it was.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "variables/scale_table.h"

namespace quillon {

enum class ScaleEditKind { Edit, ComboBox };

class TScale {
 public:
  std::string ScaleName;
  ScaleEditKind EditKind = ScaleEditKind::Edit;
  // Edit: the number as its only element. ComboBox: the option keys.
  std::vector<std::string> Keys;
  std::vector<std::string> Texts;
  std::vector<std::string> Values;
  // The last element of a choice line. It is kept even when no option carries it, so that
  // writing the line back never loses it.
  std::string SelectedKey;
  // How many "#"-separated parts each option had (1 to 3): list lines of parameter lists
  // often have no third part, and an option is written back with the parts it was read with.
  std::vector<int> OptionParts;

  // Index into Keys of the option whose key is SelectedKey; -1 when none is.
  int SelectedOption() const;
  // What the value cell shows: the number, the selected option's text, or the whole value
  // when no option is selected.
  std::string CellText() const;
  // The value as it is written into the table (Name is not part of it).
  std::string ValueText() const;
  // Name=Value.
  std::string Line() const { return ScaleName + "=" + ValueText(); }

  // A simple line's number as typed: everything that cannot be part of a number goes. Returns
  // what was kept.
  std::string SetNumber(std::string_view typed);
  // Makes the option at `index` (into Keys) the selected one; false when there is none.
  bool ChooseOption(std::size_t index);
};

// A row for one Name=Value line.
TScale ScaleRowOf(std::string_view line);
// The rows of a table: the last line first.
std::vector<TScale> BuildScaleRows(const ScaleTable& table);
// Empties the table and fills it from the rows, the last row first.
void ApplyScaleRows(const std::vector<TScale>& rows, ScaleTable& table);

// One item of the choice box: key, text and value separated by blanks (empty parts left out
// at the end).
std::string ChoiceItemText(const TScale& row, std::size_t option);

}  // namespace quillon

#pragma once
// The value a cell element (<c>) holds, read and written in place. Writing keeps the cell's
// format (its style index "s") and drops everything else: type, formula, metadata.
#include <optional>
#include <pugixml.hpp>
#include <string>

#include "maintenance/shared_strings.h"
#include "maintenance/workbook.h"

namespace quillon {

// Texts of shared-string, inline-string, formula-string, error and date cells; numbers of number
// cells; booleans as 1 and 0. nullopt for a cell without a value.
std::optional<CellValue> CellElementValue(pugi::xml_node cell, const SharedStrings& strings);

// Texts go in as inline strings, clipped to what a cell holds (EncodeCellText); an empty text
// empties the cell, as it does in Excel. `prefix` is the namespace prefix of the part's elements.
// Returns whether the text was clipped.
bool SetCellElementValue(pugi::xml_node cell, const CellValue& value, const std::string& prefix);
void ClearCellElementValue(pugi::xml_node cell);

// A cell with neither value nor format need not be stored at all.
bool IsBareCellElement(pugi::xml_node cell);

}  // namespace quillon

#pragma once
// References as defined names and print settings write them: "Sheet1!$A$1:$H$1",
// "'Sheet 1'!$B$3", whole rows "Sheet1!$5:$5", whole columns "Sheet1!$A:$B", and lists of them
// separated by ",". Parsed areas are written back with their sheet prefix and "$" marks as
// they were, so a reference the workbook changes keeps its look.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "maintenance/workbook.h"

namespace quillon {

struct AreaReference {
  enum class Kind { Cells, Rows, Columns };
  Kind kind = Kind::Cells;
  // As written, "!" included ("'Sheet 1'!"); empty when the reference has no sheet.
  std::string sheetPrefix;
  std::string sheetName;
  // Whole rows span every column and whole columns every row, so all kinds compare as areas.
  CellRef first;
  CellRef last;
  // "$" before first column, first row, last column, last row.
  std::array<bool, 4> absolute{};
  // Written as one cell ("$B$3" rather than "$B$3:$B$3").
  bool single = false;
};

// nullopt for anything that is not one area on the sheet (formulas, constants, "#REF!",
// references to other workbooks or across sheets, numbers off the sheet).
std::optional<AreaReference> ParseAreaReference(std::string_view text);
std::string FormatAreaReference(const AreaReference& area);

// nullopt unless every ","-separated part is an area.
std::optional<std::vector<AreaReference>> ParseReferenceList(std::string_view text);
std::string FormatReferenceList(const std::vector<AreaReference>& areas);

}  // namespace quillon

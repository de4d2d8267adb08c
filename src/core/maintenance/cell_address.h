#pragma once
// Cell names as the parts of a spreadsheet package write them ("B3" in a cell's r attribute),
// and the bounds of a worksheet. A name off the sheet counts as malformed: the files come from
// outside and their numbers must never size or index anything unchecked.
#include <optional>
#include <string>
#include <string_view>

#include "maintenance/workbook.h"

namespace quillon {

inline constexpr int kMaxSheetRows = 1048576;
inline constexpr int kMaxSheetColumns = 16384;

bool IsOnSheet(CellRef cell);
bool IsOnSheet(const CellRange& range);

// 1 -> "A", 28 -> "AB"; the column must be on the sheet.
std::string ColumnLetters(int column);
// "A" .. "XFD" (either case); nullopt for anything else.
std::optional<int> ParseColumnLetters(std::string_view letters);
// Decimal row number 1 .. kMaxSheetRows without sign or blanks; nullopt otherwise.
std::optional<int> ParseRowNumber(std::string_view digits);
// "B3" without "$"; nullopt when malformed or off the sheet.
std::optional<CellRef> ParseCellName(std::string_view name);

}  // namespace quillon

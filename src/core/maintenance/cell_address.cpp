#include "maintenance/cell_address.h"

#include "maintenance/area_reference.h"

namespace quillon {

bool IsOnSheet(CellRef cell) {
  return cell.row >= 1 && cell.row <= kMaxSheetRows && cell.column >= 1 && cell.column <= kMaxSheetColumns;
}

bool IsOnSheet(const CellRange& range) {
  return range.sheet >= 0 && IsOnSheet(range.first) && IsOnSheet(range.last) && range.first.row <= range.last.row &&
         range.first.column <= range.last.column;
}

std::string ColumnLetters(int column) {
  std::string letters;
  for (int rest = column; rest > 0; rest = (rest - 1) / 26) {
    letters.insert(letters.begin(), static_cast<char>('A' + (rest - 1) % 26));
  }
  return letters;
}

std::optional<int> ParseColumnLetters(std::string_view letters) {
  if (letters.empty() || letters.size() > 3) return std::nullopt;
  int column = 0;
  for (const char c : letters) {
    int digit = 0;
    if (c >= 'A' && c <= 'Z') {
      digit = c - 'A' + 1;
    } else if (c >= 'a' && c <= 'z') {
      digit = c - 'a' + 1;
    } else {
      return std::nullopt;
    }
    column = column * 26 + digit;
  }
  if (column > kMaxSheetColumns) return std::nullopt;
  return column;
}

std::optional<int> ParseRowNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 10) return std::nullopt;
  long long row = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    row = row * 10 + (c - '0');
  }
  if (row < 1 || row > kMaxSheetRows) return std::nullopt;
  return static_cast<int>(row);
}

std::optional<CellRef> ParseCellName(std::string_view name) {
  std::size_t split = 0;
  while (split < name.size() && !(name[split] >= '0' && name[split] <= '9')) ++split;
  const auto column = ParseColumnLetters(name.substr(0, split));
  const auto row = ParseRowNumber(name.substr(split));
  if (!column || !row) return std::nullopt;
  return CellRef{*row, *column};
}

std::string CellName(CellRef cell, bool absolute) {
  const std::string dollar = absolute ? "$" : "";
  return dollar + ColumnLetters(cell.column) + dollar + std::to_string(cell.row);
}

std::string RangeAddress(const CellRange& range) {
  if (range.first == range.last) return CellName(range.first, true);
  return CellName(range.first, true) + ":" + CellName(range.last, true);
}

std::optional<CellRange> ParseRangeAddress(std::string_view address) {
  const auto area = ParseAreaReference(address);
  if (!area || area->kind != AreaReference::Kind::Cells) return std::nullopt;
  return CellRange{0, area->first, area->last};
}

}  // namespace quillon
